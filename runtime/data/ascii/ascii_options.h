// The options of the ASCII driver: how records are read from and written to
// a text file. They come from the FILE's driver string ("/CLIP=OFF /TAB=4")
// and from SEND(file, 'OPTION') and SEND(file, 'OPTION=value').
#ifndef VANTREL_RUNTIME_DATA_ASCII_ASCII_OPTIONS_H_
#define VANTREL_RUNTIME_DATA_ASCII_ASCII_OPTIONS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

inline constexpr int kDefaultTab = 8;
inline constexpr int kTabKeep = -100;  // TAB value that keeps tab characters
inline constexpr int kMaxTab = 255;    // larger widths are refused
inline constexpr char kCtrlZ = 26;
inline constexpr std::size_t kMaxEndOfRecord = 8;  // longest sequence
inline constexpr std::uint32_t kFileBufferUnit = 512;
inline constexpr std::uint32_t kMaxFileBuffers = 8192;  // 4 MB

struct AsciiOptions {
  bool clip = true;       // CLIP: trailing blanks are not written
  int tab = kDefaultTab;  // TAB: how a tab read from the file is stored
  std::string end_of_record = "\r\n";  // ENDOFRECORD
  bool ctrl_z_is_eof = true;           // CTRLZISEOF
  bool quick_scan = false;             // QUICKSCAN: reuse the read buffer
  std::uint32_t file_buffers = 0;      // FILEBUFFERS; 0 until given

  // Applies "NAME" or "NAME=value" and returns the option's value as text
  // afterwards ("ON", "OFF", "4", "2,13,10"); empty for an unknown name.
  // Names are compared whole, in either case; a value that does not fit the
  // option leaves it unchanged.
  std::string Apply(std::string_view command);
};

// Applies each `/`-introduced option of a driver string in order.
void ApplyDriverString(AsciiOptions& options, std::string_view driver_string);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_ASCII_ASCII_OPTIONS_H_
