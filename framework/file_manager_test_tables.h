// Small native tables for the managers' tests, declared as a program would:
// a record of LONG and STRING fields in one group (the group is field 1,
// so the members are fields 2, 3, ...), with keys over them.
#ifndef VANTREL_FRAMEWORK_FILE_MANAGER_TEST_TABLES_H_
#define VANTREL_FRAMEWORK_FILE_MANAGER_TEST_TABLES_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/driver/file_statements.h"
#include "storage/tnl/driver/tnl_driver.h"

namespace vantrel {

// A field of a test table: a LONG (size 0) or a STRING of `size`.
struct TestField {
  std::string name;
  std::uint32_t size = 0;
};

class TestTable {
 public:
  TestTable(const std::string& path, const std::string& prefix,
            const std::vector<TestField>& fields) {
    RegisterTarnelDriver();
    file.label = prefix;
    file.driver_name = "TARNEL";
    file.name = path;
    DescriptorBuilder builder;
    builder.Group(prefix + ":RECORD");
    std::size_t length = 0;
    for (const TestField& field : fields) {
      offsets_.push_back(length);
      sizes_.push_back(field.size == 0 ? 4 : field.size);
      longs_.push_back(field.size == 0);
      if (field.size == 0) {
        builder.Long(prefix + ":" + field.name);
      } else {
        builder.String(prefix + ":" + field.name, field.size);
      }
      length += sizes_.back();
    }
    file.descriptor = builder.End().Descriptor();
    record_.assign(length, ' ');
    file.record = record_;
    Clear();
  }
  ~TestTable() {
    if (file.control.state & kStateLogout) Rollback(file);
    if (file.control.state & kStateOpen) Close(file);
  }
  TestTable(const TestTable&) = delete;
  TestTable& operator=(const TestTable&) = delete;

  // A key over field numbers (negative: descending).
  KeyDeclaration& AddKey(const std::string& label, std::uint16_t flags,
                         std::vector<std::int16_t> components) {
    KeyDeclaration key;
    key.label = file.label + ":" + label;
    key.flags = flags;
    key.components = std::move(components);
    return file.AddKey(std::move(key));
  }

  // Fields by number (2 for the first member).
  void SetLong(int field, std::int32_t value) {
    std::memcpy(record_.data() + Offset(field), &value, sizeof value);
  }
  std::int32_t Long(int field) const {
    std::int32_t value = 0;
    std::memcpy(&value, record_.data() + Offset(field), sizeof value);
    return value;
  }
  void SetText(int field, const std::string& text) {
    const std::size_t size = sizes_[field - 2];
    std::memset(record_.data() + Offset(field), ' ', size);
    std::memcpy(record_.data() + Offset(field), text.data(),
                std::min(size, text.size()));
  }
  std::string Text(int field) const {
    std::string text(record_.data() + Offset(field), sizes_[field - 2]);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  void Clear() {
    std::fill(record_.begin(), record_.end(), ' ');
    for (std::size_t i = 0; i < longs_.size(); ++i) {
      if (longs_[i]) SetLong(static_cast<int>(i) + 2, 0);
    }
  }

  FileDeclaration file;

 private:
  std::size_t Offset(int field) const { return offsets_[field - 2]; }

  std::vector<std::size_t> offsets_;
  std::vector<std::size_t> sizes_;
  std::vector<bool> longs_;
  std::vector<char> record_;
};

// Items numbered within a prefix: PREFIX STRING(4), NUMBER LONG, NAME
// STRING(20); key NUMKEY (PREFIX, NUMBER), unique and primary, key NAMEKEY
// (NAME), unique.
class ItemsTable : public TestTable {
 public:
  static constexpr int kPrefix = 2, kNumber = 3, kName = 4;

  explicit ItemsTable(const std::string& path)
      : TestTable(path, "ITM", {{"PREFIX", 4}, {"NUMBER", 0}, {"NAME", 20}}) {
    number_key = &AddKey("NUMKEY", kKeyPrimary, {kPrefix, kNumber});
    name_key = &AddKey("NAMEKEY", 0, {kName});
  }

  KeyDeclaration* number_key = nullptr;
  KeyDeclaration* name_key = nullptr;
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_FILE_MANAGER_TEST_TABLES_H_
