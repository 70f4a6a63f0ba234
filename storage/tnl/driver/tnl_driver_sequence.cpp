// The sequence operations: SET and RESET set the table's position, NEXT and
// PREVIOUS fetch along it, SKIP moves it without fetching, EOF and BOF look
// ahead, POSITION tells where the current record stands.
#include <optional>
#include <string>
#include <utility>

#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/table/table_cursor.h"

namespace vantrel {
namespace {

constexpr std::int64_t kHighestPointer = 0xFFFFFFFF;

TableCursor CursorOf(const OpenTable& table) {
  TableCursor cursor(table.number, table.description, table.Rules());
  cursor.Restore(table.position);
  cursor.RestoreHint(table.hint);
  return cursor;
}

std::span<const std::uint8_t> Bytes(std::span<const char> text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The key's position in the table's description; none for a key the FILE
// does not declare.
std::optional<std::uint8_t> KeyOf(const TnlInstance& instance,
                                  const KeyDeclaration* key) {
  const int index = KeyIndex(instance, key);
  if (index < 0) return std::nullopt;
  return static_cast<std::uint8_t>(index);
}

StepDirection DirectionOf(DriverOp op) {
  return op == DriverOp::kPREVIOUS || op == DriverOp::kBOF
             ? StepDirection::kBackward
             : StepDirection::kForward;
}

}  // namespace

DriverResult SetSequenceOp(TnlInstance& instance, DriverOp op,
                           DriverArgs& args) {
  OpenTable& table = *instance.table;
  TableCursor cursor = CursorOf(table);
  const auto buffer = Bytes(instance.declaration.record);
  const bool keyed = op != DriverOp::kSETfile && op != DriverOp::kSETfileptr &&
                     op != DriverOp::kRESETfile;
  const auto key = KeyOf(instance, args.key);
  if (keyed && !key) return {kErrInvalidKeyFile};
  const bool by_pointer = op == DriverOp::kSETfileptr ||
                          op == DriverOp::kSETkeyptr ||
                          op == DriverOp::kSETkeykeyptr;
  if (by_pointer && (args.pointer < 0 || args.pointer > kHighestPointer)) {
    return {kErrRecordNotFound};
  }
  const auto pointer = static_cast<std::uint32_t>(args.pointer);
  const auto position = Bytes(args.text);
  bool valid = true;
  switch (op) {
    case DriverOp::kSETfile:
      cursor.SetFile();
      break;
    case DriverOp::kSETfileptr:
      cursor.SetFilePointer(pointer);
      break;
    case DriverOp::kRESETfile:
      valid = cursor.ResetFile(position);
      break;
    case DriverOp::kSETfilekey:
      cursor.SetFileKey(*key, buffer);
      break;
    case DriverOp::kSETkey:
      cursor.SetKey(*key);
      break;
    case DriverOp::kSETkeykey:
      cursor.SetKeyKey(*key, buffer);
      break;
    case DriverOp::kSETkeykeyptr:
      cursor.SetKeyKeyPointer(*key, buffer, pointer);
      break;
    case DriverOp::kRESETkey:
      valid = cursor.ResetKey(*key, position);
      break;
    case DriverOp::kSETkeyptr:
      cursor.SetKeyPointer(*key, pointer);
      break;
    default:
      return {kErrUnsupportedFunction};
  }
  if (!valid) return {kErrRecordNotFound};
  table.position = cursor.position();
  return {};
}

// A step moves the position only when its record was fetched: a record held
// elsewhere leaves it where it was for the next attempt.
DriverResult StepOp(TnlInstance& instance, DriverOp op) {
  OpenTable& table = *instance.table;
  // Without a hold the step changes nothing before its last page read.
  const Access access =
      (table.bits & kTableHoldRequested) ? Access::kRead : Access::kLookup;
  const int code = RetryWhileHeld(table, [&] {
    return RunOnTable(table, access, [&](BTree& tree) {
      // The cursor works on the spare position, which takes the place of
      // the table's once the record is fetched.
      TableCursor cursor(table.number, table.description, table.Rules());
      table.step_position = table.position;
      cursor.Restore(std::move(table.step_position));
      cursor.RestoreHint(table.hint);
      const auto step = cursor.Step(tree, DirectionOf(op));
      int fetched = kErrRecordNotAvailable;
      if (step) {
        table.hint = cursor.hint();
        fetched = FetchRecord(instance, tree, step->record_number, step->image);
      }
      table.step_position = cursor.TakePosition();
      if (fetched == 0) std::swap(table.position, table.step_position);
      return fetched;
    });
  });
  if (code != 0) table.bits &= ~kTableFetchRequests;
  return {code};
}

DriverResult SkipOp(TnlInstance& instance, DriverArgs& args) {
  OpenTable& table = *instance.table;
  const int code = RunOnTable(table, Access::kRead, [&](BTree& tree) {
    TableCursor cursor = CursorOf(table);
    const bool done = cursor.Skip(tree, args.count);
    table.position = cursor.position();
    table.hint = cursor.hint();
    return done ? 0 : static_cast<int>(kErrRecordNotAvailable);
  });
  if (code != 0) table.bits &= ~kTableFetchRequests;
  return {code};
}

// True (1) when a step that way would find nothing, or cannot tell.
DriverResult EndOfSequenceOp(TnlInstance& instance, DriverOp op) {
  OpenTable& table = *instance.table;
  bool more = false;
  const int code = RunOnTable(table, Access::kLookup, [&](BTree& tree) {
    more = CursorOf(table).CanStep(tree, DirectionOf(op));
    return 0;
  });
  return {code, code != 0 || !more};
}

DriverResult PositionOp(TnlInstance& instance, DriverArgs& args) {
  const OpenTable& table = *instance.table;
  ByteString bytes;
  if (args.key == nullptr) {
    bytes = PositionBytes(table.current);
  } else {
    const auto key = KeyOf(instance, args.key);
    if (!key) return {kErrInvalidKeyFile};
    bytes = PositionBytes(table.current, table.description, *key,
                          Bytes(instance.declaration.record), table.Rules());
  }
  args.result_text = std::string(bytes.begin(), bytes.end());
  return {};
}

}  // namespace vantrel
