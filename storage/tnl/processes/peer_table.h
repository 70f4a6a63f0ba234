// The table that the peer program and the process tests share: every field
// of a record follows from its ID, so any process can tell a sound record
// from a torn or mixed one by looking at it alone.
//
//   ID    LONG        unique key IDKEY
//   NAME  STRING 24   "name <id>", DUP key NAMEKEY
//   PAD   STRING 200  the ID's digits repeated, so pages fill and split
#ifndef VANTREL_STORAGE_TNL_PROCESSES_PEER_TABLE_H_
#define VANTREL_STORAGE_TNL_PROCESSES_PEER_TABLE_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"
#include "storage/tnl/driver/tnl_driver.h"

namespace vantrel {

class PeerTable {
 public:
  static constexpr std::size_t kIdAt = 0;
  static constexpr std::size_t kNameAt = 4, kNameSize = 24;
  static constexpr std::size_t kPadAt = 28, kPadSize = 200;
  static constexpr std::size_t kLength = 228;

  explicit PeerTable(const std::string& path) : record_(kLength, ' ') {
    RegisterTarnelDriver();
    file.label = "PEER";
    file.driver_name = "TARNEL";
    file.name = path;
    file.descriptor = DescriptorBuilder()
                          .Group("PEER:RECORD")
                          .Long("PEER:ID")
                          .String("PEER:NAME", kNameSize)
                          .String("PEER:PAD", kPadSize)
                          .End()
                          .Descriptor();
    file.record = record_;
    id_key = &AddKey("PEER:IDKEY", 0, 2);
    name_key = &AddKey("PEER:NAMEKEY", kKeyDup, 3);
  }
  PeerTable(const PeerTable&) = delete;
  PeerTable& operator=(const PeerTable&) = delete;
  ~PeerTable() {
    if (file.control.state & kStateOpen) Close(file);
  }

  // Opens the table shared, creating the file first when it is missing.
  // Returns ERRORCODE.
  int Open() {
    vantrel::Open(file, kOpenReadWriteShared);
    if (ErrorCode() == kErrFileNotFound) {
      Create(file);
      if (ErrorCode() != 0) return ErrorCode();
      vantrel::Open(file, kOpenReadWriteShared);
    }
    return ErrorCode();
  }

  // Fills the record buffer with the record of `id`.
  void Fill(std::int32_t id) {
    const std::vector<char> image = ImageOf(id);
    std::memcpy(record_.data(), image.data(), kLength);
  }
  std::int32_t Id() const {
    std::int32_t id = 0;
    std::memcpy(&id, record_.data() + kIdAt, sizeof id);
    return id;
  }
  // True when the buffer holds exactly the record its ID calls for.
  bool Sound() const { return ImageOf(Id()) == record_; }

  // Sets the ID alone, as the key to fetch by.
  void SetId(std::int32_t id) {
    std::memcpy(record_.data() + kIdAt, &id, sizeof id);
  }
  // The NAME field, for changing a record so that it is no longer sound.
  std::string Name() const {
    std::string name(record_.data() + kNameAt, kNameSize);
    return name.substr(0, name.find_last_not_of(' ') + 1);
  }
  void SetName(const std::string& name) {
    std::memset(record_.data() + kNameAt, ' ', kNameSize);
    std::memcpy(record_.data() + kNameAt, name.data(),
                std::min(name.size(), kNameSize));
  }

  FileDeclaration file;
  KeyDeclaration* id_key = nullptr;
  KeyDeclaration* name_key = nullptr;

 private:
  static std::vector<char> ImageOf(std::int32_t id) {
    std::vector<char> image(kLength, ' ');
    std::memcpy(image.data() + kIdAt, &id, sizeof id);
    const std::string name = "name " + std::to_string(id);
    std::memcpy(image.data() + kNameAt, name.data(), name.size());
    const std::string digits = std::to_string(id);
    for (std::size_t i = 0; i < kPadSize; ++i) {
      image[kPadAt + i] = digits[i % digits.size()];
    }
    return image;
  }
  KeyDeclaration& AddKey(const char* label, std::uint16_t flags,
                         std::int16_t field) {
    KeyDeclaration key;
    key.label = label;
    key.flags = flags;
    key.components = {field};
    return file.AddKey(std::move(key));
  }

  std::vector<char> record_;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_PROCESSES_PEER_TABLE_H_
