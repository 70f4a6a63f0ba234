// An in-memory keyed driver for the view tests, registered as "MEMKEYS":
// each file name is a table of records kept in the order they were added
// (pointer = position + 1); a key reads them sorted by its components. It
// counts the records each table hands out, so tests can see how much a view
// read.
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_TEST_DRIVER_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_TEST_DRIVER_H_

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_registry.h"
#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/types/field_compare.h"

namespace vantrel::testing_driver {

struct MemoryTable {
  std::vector<std::vector<char>> records;
  std::vector<bool> deleted;
  int records_read = 0;  // records copied into a buffer
};

inline std::map<std::string, MemoryTable>& Tables() {
  static std::map<std::string, MemoryTable> tables;
  return tables;
}

class MemoryInstance : public DriverInstance {
 public:
  explicit MemoryInstance(FileDeclaration& file) : file_(file) {}

  DriverResult Perform(DriverOp op, DriverArgs& args) override {
    MemoryTable& table = Tables()[file_.name];
    switch (op) {
      case DriverOp::kOPEN:
      case DriverOp::kCLOSE:
      case DriverOp::kWATCH:
      case DriverOp::kHOLDfile:
      case DriverOp::kHOLDfilesec:
      case DriverOp::kRELEASE:
        return {};
      case DriverOp::kADD:
        table.records.emplace_back(file_.record.begin(), file_.record.end());
        table.deleted.push_back(false);
        current_ = static_cast<std::int64_t>(table.records.size());
        return {};
      case DriverOp::kPUT:
        std::copy(file_.record.begin(), file_.record.end(),
                  table.records[current_ - 1].begin());
        return {};
      case DriverOp::kDELETE:
        table.deleted[current_ - 1] = true;
        return {};
      case DriverOp::kRECORDSfile:
        return {0,
                std::count(table.deleted.begin(), table.deleted.end(), false)};
      case DriverOp::kPOINTERfile:
        return {0, current_};
      case DriverOp::kGETfileptr:
        if (args.pointer < 1 ||
            args.pointer > static_cast<std::int64_t>(table.records.size()) ||
            table.deleted[args.pointer - 1]) {
          return {kErrRecordNotFound, 0};
        }
        Load(table, args.pointer);
        return {};
      case DriverOp::kSETfile:
      case DriverOp::kSETkey:
      case DriverOp::kSETkeykey:
        Start(table, op, args.key);
        return {};
      case DriverOp::kNEXT:
      case DriverOp::kPREVIOUS:
        return {Step(table, op == DriverOp::kNEXT), 0};
      default:
        return {kErrUnsupportedFunction, 0};
    }
  }

 private:
  int CompareKey(const KeyDeclaration& key, const char* a,
                 const char* b) const {
    for (std::int16_t component : key.components) {
      std::optional<FieldInfo> field =
          file_.descriptor.Field(std::abs(component));
      int c = CompareFieldValues(
          *field, reinterpret_cast<const std::uint8_t*>(a) + field->offset,
          reinterpret_cast<const std::uint8_t*>(b) + field->offset);
      if (c != 0) return component < 0 ? -c : c;
    }
    return 0;
  }

  void Start(const MemoryTable& table, DriverOp op, const KeyDeclaration* key) {
    order_.resize(table.records.size());
    std::iota(order_.begin(), order_.end(), 0);
    start_ = 0;
    from_start_ = op != DriverOp::kSETkeykey;
    fresh_ = true;
    if (key == nullptr) return;
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::size_t a, std::size_t b) {
                       return CompareKey(*key, table.records[a].data(),
                                         table.records[b].data()) < 0;
                     });
    if (op == DriverOp::kSETkeykey) {
      while (start_ < order_.size() &&
             CompareKey(*key, table.records[order_[start_]].data(),
                        file_.record.data()) < 0) {
        ++start_;
      }
    }
  }

  int Step(MemoryTable& table, bool forward) {
    std::ptrdiff_t at = 0;
    if (fresh_) {
      at = forward ? static_cast<std::ptrdiff_t>(start_)
                   : (from_start_ ? static_cast<std::ptrdiff_t>(order_.size())
                                  : static_cast<std::ptrdiff_t>(start_)) -
                         1;
    } else {
      at = at_ + (forward ? 1 : -1);
    }
    fresh_ = false;
    while (at >= 0 && at < static_cast<std::ptrdiff_t>(order_.size()) &&
           table.deleted[order_[at]]) {
      at += forward ? 1 : -1;
    }
    at_ = at;
    if (at < 0 || at >= static_cast<std::ptrdiff_t>(order_.size())) {
      return kErrRecordNotAvailable;
    }
    Load(table, static_cast<std::int64_t>(order_[at]) + 1);
    return 0;
  }

  void Load(MemoryTable& table, std::int64_t pointer) {
    const std::vector<char>& record = table.records[pointer - 1];
    std::memcpy(file_.record.data(), record.data(), record.size());
    current_ = pointer;
    ++table.records_read;
  }

  FileDeclaration& file_;
  std::vector<std::size_t> order_;  // record indexes in reading order
  std::size_t start_ = 0;
  bool from_start_ = true;
  bool fresh_ = true;
  std::ptrdiff_t at_ = 0;
  std::int64_t current_ = 0;
};

inline const DriverEntry& MemoryDriverEntry() {
  static const DriverEntry entry = [] {
    static constexpr std::uint8_t kOps[] = {0, 0};
    DriverEntry e;
    e.name = "MEMKEYS";
    e.make_instance = [](FileDeclaration& file) {
      return MadeInstance(std::make_unique<MemoryInstance>(file));
    };
    e.supported = kOps;
    e.trace = {"HWMEMKEYS", "MEMKEYS.LOG"};
    return e;
  }();
  return entry;
}

}  // namespace vantrel::testing_driver

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_TEST_DRIVER_H_
