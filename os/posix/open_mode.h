// The runtime's packed open mode: one word that says what an open does with
// a file and what it leaves to other opens.
//
//   bits 0-1  access: 0 read only, 1 write only, 2 (or 3) read and write
//   bits 4-6  sharing: 0x00 compatibility, 0x10 deny all, 0x20 deny write,
//             0x30 deny read, 0x40 deny none
//   0x100     create the file when it is missing
//   0x200     replace (empty) an existing file
//
// Every layer that reads a mode uses these names; the platform open turns a
// mode into OpenOptions (file.h), the native format into its own sharing.
#ifndef VANTREL_OS_POSIX_OPEN_MODE_H_
#define VANTREL_OS_POSIX_OPEN_MODE_H_

namespace vantrel {

inline constexpr unsigned kOpenAccessMask = 0x03;
inline constexpr unsigned kOpenReadOnly = 0x00;
inline constexpr unsigned kOpenWriteOnly = 0x01;
inline constexpr unsigned kOpenReadWrite = 0x02;

// The sharing field and its values.
inline constexpr unsigned kOpenShareMask = 0x70;
inline constexpr unsigned kOpenCompatible = 0x00;
inline constexpr unsigned kOpenDenyAll = 0x10;
inline constexpr unsigned kOpenDenyWrite = 0x20;
inline constexpr unsigned kOpenDenyRead = 0x30;
inline constexpr unsigned kOpenDenyNone = 0x40;

inline constexpr unsigned kOpenCreate = 0x100;
inline constexpr unsigned kOpenReplace = 0x200;

// The usual modes of an open that leaves others free to do anything.
inline constexpr unsigned kOpenReadShared = kOpenReadOnly | kOpenDenyNone;
inline constexpr unsigned kOpenReadWriteShared = kOpenReadWrite | kOpenDenyNone;

// The sharing field without its deny-none bit: 0 for compatibility and deny
// none, else what the open denies (kOpenDenyAll, kOpenDenyWrite,
// kOpenDenyRead). The runtime's file state, the ASCII driver and the native
// format judge sharing by these bits, so the field values no mode names
// (0x50-0x70) count as their low bits there.
constexpr unsigned OpenDenyBits(unsigned mode) {
  return mode & kOpenShareMask & ~kOpenDenyNone;
}

// Whether an open in `mode` keeps others from something.
constexpr bool OpenDeniesOthers(unsigned mode) {
  return OpenDenyBits(mode) != 0;
}

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_OPEN_MODE_H_
