#include "runtime/data/view/view_key_plan.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/expr/expr_evaluate.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

bool IsWholeType(FieldType type) {
  return IsIntegerKeyType(type) || type == FieldType::DATE ||
         type == FieldType::TIME;
}

bool IsRealType(FieldType type) {
  return type == FieldType::SREAL || type == FieldType::REAL;
}

// The field of a key component when the view may narrow or start on it.
std::optional<FieldInfo> ComponentField(const FileDeclaration& file,
                                        std::int16_t component) {
  std::optional<FieldInfo> field = file.descriptor.Field(std::abs(component));
  if (!field || field->ElementCount() != 1) return std::nullopt;
  if (std::uint64_t{field->offset} + field->size > file.record.size()) {
    return std::nullopt;
  }
  return field;
}

void CollectConjuncts(const ExprNode& node, std::vector<const ExprNode*>& out) {
  if (node.kind == ExprNodeKind::kBinary && node.op == kOpAnd) {
    CollectConjuncts(*node.children[0], out);
    CollectConjuncts(*node.children[1], out);
  } else {
    out.push_back(&node);
  }
}

ExprOp Mirrored(ExprOp op) {
  switch (op) {
    case kOpLess:
      return kOpGreater;
    case kOpGreater:
      return kOpLess;
    case kOpLessEqual:
      return kOpGreaterEqual;
    case kOpGreaterEqual:
      return kOpLessEqual;
    default:
      return op;
  }
}

// A constant may bound a field only when both compare alike: text with
// text, numbers with numbers.
bool ComparableBound(const FieldInfo& field, const ExprValue& value) {
  if (IsTextType(field.type)) return value.kind == ExprKind::kString;
  return value.IsNumber() &&
         (IsWholeType(field.type) || IsRealType(field.type));
}

void Tighten(std::optional<ExprValue>& bound, const ExprValue& value,
             int keep_sign) {
  if (!bound || CompareExprValues(value, *bound) * keep_sign > 0) {
    bound = value;
  }
}

// The bounds that the filter's top-level conjuncts put on field `number` of
// the primary file.
KeyRange RangeOf(const ViewFields& fields, const FieldInfo& field, int number,
                 const ExprNode* filter) {
  KeyRange range;
  if (filter == nullptr) return range;
  std::vector<const ExprNode*> conjuncts;
  CollectConjuncts(*filter, conjuncts);
  for (const ExprNode* node : conjuncts) {
    if (node->kind != ExprNodeKind::kBinary) continue;
    ExprOp op = node->op;
    const ExprNode* named = node->children[0].get();
    const ExprNode* constant = node->children[1].get();
    if (named->kind == ExprNodeKind::kConstant) {
      std::swap(named, constant);
      op = Mirrored(op);
    }
    if (constant->kind != ExprNodeKind::kConstant) continue;
    std::optional<ViewFieldRef> ref = fields.FieldOf(*named);
    if (!ref || ref->slot != 0 || ref->field_number != number) continue;
    if (!ComparableBound(field, constant->value)) continue;
    const ExprValue& value = constant->value;
    if (op == kOpEqual || op == kOpGreater || op == kOpGreaterEqual) {
      Tighten(range.low, value, +1);
    }
    if (op == kOpEqual || op == kOpLess || op == kOpLessEqual) {
      Tighten(range.high, value, -1);
    }
  }
  return range;
}

// The range on the key's first component, when it is ascending and of a
// type the view can bound.
KeyRange KeyRangeOf(const FileDeclaration& primary, const ViewFields& fields,
                    const KeyDeclaration& key, const ExprNode* filter) {
  const std::int16_t first = key.components.front();
  std::optional<FieldInfo> field = ComponentField(primary, first);
  if (first < 0 || !field) return {};
  return RangeOf(fields, *field, first, filter);
}

bool OrderMatchesKey(const KeyDeclaration& key, const ViewFields& fields,
                     const std::vector<OrderComponent>& order,
                     const std::vector<const ExprNode*>& trees) {
  if (order.size() > key.components.size()) return false;
  for (std::size_t i = 0; i < order.size(); ++i) {
    std::optional<ViewFieldRef> ref = fields.FieldOf(*trees[i]);
    const std::int16_t component = key.components[i];
    if (!ref || ref->slot != 0 || ref->field_number != std::abs(component) ||
        order[i].descending != (component < 0)) {
      return false;
    }
  }
  return true;
}

template <typename T>
bool StoreWhole(double value, std::uint8_t* out) {
  if (value < static_cast<double>(std::numeric_limits<T>::min()) ||
      value > static_cast<double>(std::numeric_limits<T>::max())) {
    return false;
  }
  const T stored = static_cast<T>(value);
  std::memcpy(out, &stored, sizeof stored);
  return true;
}

// Writes a bound value into a field: text padded as its type keeps it, a
// number rounded down (a start may only come earlier). False when the value
// does not fit the type.
bool StoreValue(const FieldInfo& field, const ExprValue& value,
                std::uint8_t* out) {
  if (IsTextType(field.type)) {
    const std::string text = AsText(value);
    std::memset(out, field.type == FieldType::STRING ? ' ' : 0, field.size);
    std::uint32_t room =
        field.type == FieldType::STRING ? field.size : field.size - 1;
    const auto length =
        static_cast<std::uint32_t>(std::min<std::size_t>(text.size(), room));
    std::uint8_t* chars = out;
    if (field.type == FieldType::PSTRING) {
      *out = static_cast<std::uint8_t>(length);
      ++chars;
    }
    std::memcpy(chars, text.data(), length);
    return true;
  }
  const double number = std::floor(AsReal(value));
  switch (field.type) {
    case FieldType::BYTE:
      return StoreWhole<std::uint8_t>(number, out);
    case FieldType::SHORT:
      return StoreWhole<std::int16_t>(number, out);
    case FieldType::USHORT:
      return StoreWhole<std::uint16_t>(number, out);
    case FieldType::LONG:
      return StoreWhole<std::int32_t>(number, out);
    case FieldType::ULONG:
      return StoreWhole<std::uint32_t>(number, out);
    case FieldType::DATE:
      return StoreWhole<std::int32_t>(number, out) &&
             StoreWhole<std::uint32_t>(
                 StandardToDateField(static_cast<std::int32_t>(number)), out);
    case FieldType::TIME:
      return StoreWhole<std::int32_t>(number, out) &&
             StoreWhole<std::uint32_t>(
                 StandardToTimeField(static_cast<std::int32_t>(number)), out);
    case FieldType::SREAL: {
      const auto stored = static_cast<float>(AsReal(value));
      std::memcpy(out, &stored, sizeof stored);
      return std::isfinite(stored);
    }
    case FieldType::REAL: {
      const double stored = AsReal(value);
      std::memcpy(out, &stored, sizeof stored);
      return true;
    }
    default:
      return false;
  }
}

template <typename T>
void StoreLimit(bool highest, std::uint8_t* out) {
  const T value = highest ? std::numeric_limits<T>::max()
                          : std::numeric_limits<T>::lowest();
  std::memcpy(out, &value, sizeof value);
}

}  // namespace

bool KeyServesViews(const KeyDeclaration& key) {
  if (key.components.empty() || (key.flags & (kKeyOpt | kKeyNoCase))) {
    return false;
  }
  return !(key.flags & kKeyRuntimeBuilt) || (key.state & kStateKeyBuilt);
}

ViewKeyPlan PlanPrimaryScan(FileDeclaration& primary, const ViewFields& fields,
                            const std::vector<OrderComponent>& order,
                            const std::vector<const ExprNode*>& order_trees,
                            const ExprNode* filter) {
  ViewKeyPlan plan;
  if (!order.empty()) {
    for (KeyDeclaration& key : primary.keys) {
      if (KeyServesViews(key) &&
          OrderMatchesKey(key, fields, order, order_trees)) {
        plan.key = &key;
        plan.key_gives_order = true;
        plan.range = KeyRangeOf(primary, fields, key, filter);
        return plan;
      }
    }
  }
  // The rows will be sorted (or read in record order): any key whose first
  // component the filter bounds narrows the reading. Both bounds beat one.
  for (KeyDeclaration& key : primary.keys) {
    if (!KeyServesViews(key)) continue;
    KeyRange range = KeyRangeOf(primary, fields, key, filter);
    if (!range.low && !range.high) continue;
    const bool better =
        plan.key == nullptr ||
        (range.low && range.high && !(plan.range.low && plan.range.high));
    if (better) {
      plan.key = &key;
      plan.range = std::move(range);
    }
  }
  return plan;
}

bool StoreKeyFloor(const FieldInfo& field, bool descending, std::uint8_t* out) {
  // Zero bytes are the lowest text in every collation.
  if (IsTextType(field.type) && !descending) {
    std::memset(out, 0, field.size);
    return true;
  }
  switch (field.type) {
    case FieldType::BYTE:
      StoreLimit<std::uint8_t>(descending, out);
      return true;
    case FieldType::SHORT:
      StoreLimit<std::int16_t>(descending, out);
      return true;
    case FieldType::USHORT:
      StoreLimit<std::uint16_t>(descending, out);
      return true;
    case FieldType::LONG:
      StoreLimit<std::int32_t>(descending, out);
      return true;
    case FieldType::ULONG:
    case FieldType::DATE:
    case FieldType::TIME:
      StoreLimit<std::uint32_t>(descending, out);
      return true;
    case FieldType::SREAL:
      StoreLimit<float>(descending, out);
      return true;
    case FieldType::REAL:
      StoreLimit<double>(descending, out);
      return true;
    default:
      return false;
  }
}

bool WriteRangeStart(FileDeclaration& primary, const KeyDeclaration& key,
                     const ExprValue& low) {
  auto* record = reinterpret_cast<std::uint8_t*>(primary.record.data());
  for (std::size_t i = 0; i < key.components.size(); ++i) {
    std::optional<FieldInfo> field = ComponentField(primary, key.components[i]);
    const bool descending = key.components[i] < 0;
    if (!field || (i == 0 && descending)) return false;
    std::uint8_t* out = record + field->offset;
    const bool stored = i == 0 ? StoreValue(*field, low, out)
                               : StoreKeyFloor(*field, descending, out);
    if (!stored) return false;
  }
  return true;
}

bool PastRange(const FileDeclaration& primary, const KeyDeclaration& key,
               const KeyRange& range, bool forward) {
  const std::optional<ExprValue>& bound = forward ? range.high : range.low;
  if (!bound) return false;
  std::optional<FieldInfo> field =
      ComponentField(primary, key.components.front());
  if (!field) return false;
  const int c = CompareExprValues(ReadFieldValue(primary, *field), *bound);
  return forward ? c > 0 : c < 0;
}

}  // namespace vantrel
