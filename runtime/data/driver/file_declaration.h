// The declaration of a FILE as the program lays it down (label, driver,
// names, attributes, keys, memos, record), together with the per-file state
// the driver interface keeps for it while the program runs.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_FILE_DECLARATION_H_
#define VANTREL_RUNTIME_DATA_DRIVER_FILE_DECLARATION_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "runtime/data/driver/driver_op.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

struct DriverEntry;
class DriverInstance;
class DriverTrace;
class FileDeclaration;

// Attribute flags of a FILE.
enum FileAttributes : std::uint32_t {
  kFileEncrypt = 0x01,
  kFileCreate = 0x02,
  kFileReclaim = 0x04,
  kFileThread = 0x08,
};

// Attribute flags of a KEY or INDEX.
enum KeyAttributes : std::uint16_t {
  kKeyDup = 0x0001,
  kKeyOpt = 0x0002,
  kKeyNoCase = 0x0004,
  kKeyPrimary = 0x0010,
  kKeyRuntimeBuilt = 0x0040,  // built at run time; its built state is kept
  kKeyIsIndex = 0x4000,       // declared as INDEX rather than KEY
};

// Attribute flags of a MEMO or BLOB.
enum MemoAttributes : std::uint8_t {
  kMemoBinary = 0x02,
  kMemoBlob = 0x04,
};

// One key of a file.
struct KeyDeclaration {
  std::string label;
  std::string external_name;
  std::uint16_t flags = 0;
  // Field numbers (1-based) of the components; a negative number sorts its
  // component descending.
  std::vector<std::int16_t> components;

  FileDeclaration* file = nullptr;  // the file that declares the key
  std::uint32_t state = 0;          // kStateKeyBuilt while built
};

// One MEMO or BLOB of a file.
struct MemoDeclaration {
  std::string label;
  std::string external_name;
  std::uint8_t flags = 0;
  std::uint32_t size = 0;  // a MEMO's declared size
  // A MEMO's buffer, `size` bytes, which the driver fills on a fetch and
  // stores from on ADD and PUT. A MEMO without one is neither read nor
  // changed. A BLOB's contents live with the driver instead.
  std::span<char> buffer{};
};

// What the runtime keeps per file between driver calls.
struct FileControl {
  std::uint32_t state = 0;                   // the state word
  std::unique_ptr<DriverInstance> instance;  // the driver-side instance
  int last_result = 0;
  DriverOp last_sequence_op = DriverOp::kZero;
  std::uint8_t activity = 0;  // activity words of the successful calls
  // The trace of the calls while the instance lives; none when off.
  std::unique_ptr<DriverTrace> trace;
  bool trace_declared = false;  // the trace has shown the declaration
};

// A FILE. It stays at one address for its whole life (keys point back at
// it), so it can be neither copied nor moved.
class FileDeclaration {
 public:
  FileDeclaration();
  ~FileDeclaration();
  FileDeclaration(const FileDeclaration&) = delete;
  FileDeclaration& operator=(const FileDeclaration&) = delete;

  // Adds a key and returns it; its address stays valid.
  KeyDeclaration& AddKey(KeyDeclaration key);
  // The 1-based number of a key of this file, or 0 for a key of another.
  int KeyNumber(const KeyDeclaration& key) const;
  // The name the file goes by in messages: its external name, else its label.
  const std::string& DisplayName() const;

  std::string label;        // the prefix, "VTL"
  std::string driver_name;  // the DRIVER attribute: "ASCII", "TARNEL"
  const DriverEntry* driver = nullptr;  // found from driver_name on first use
  std::string driver_string;  // the DRIVER attribute's second argument
  std::string name;           // NAME
  std::string owner;          // OWNER, a password
  std::uint32_t attributes = 0;
  std::deque<KeyDeclaration> keys;
  std::vector<MemoDeclaration> memos;
  TypeDescriptor descriptor;  // the record's fields
  std::span<char> record;     // the RecordBuffer; its size is the length

  FileControl control;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_FILE_DECLARATION_H_
