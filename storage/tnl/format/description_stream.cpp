#include "storage/tnl/format/description_stream.h"

#include <algorithm>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

namespace {

constexpr std::uint8_t kAbsentTextMark = 1;
constexpr std::size_t kBlockBytes = 512;

// Every integer of the stream is a u16, low byte first, a key's component
// count included. A text is its bytes and a zero; an absent text (no
// picture, no external name) is written 00 01 and an empty one 00 00, so a
// reader can tell the two apart.
class StreamWriter {
 public:
  void Byte(std::uint8_t value) { out_.push_back(value); }
  void Word(std::uint32_t value) {
    AppendLe16(out_, static_cast<std::uint16_t>(value));
  }
  void Text(const OptionalText& text) {
    if (!text || text->empty()) {
      Byte(0);
      Byte(text ? 0 : kAbsentTextMark);
      return;
    }
    out_.insert(out_.end(), text->begin(), text->end());
    Byte(0);
  }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<std::uint8_t> out_;
};

class StreamReader {
 public:
  explicit StreamReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Byte(std::uint8_t& out) {
    if (pos_ >= bytes_.size()) return Fail();
    out = bytes_[pos_++];
    return true;
  }
  bool Word(std::uint16_t& out) {
    std::uint8_t low = 0, high = 0;
    if (!Byte(low) || !Byte(high)) return false;
    out = static_cast<std::uint16_t>(low | (high << 8));
    return true;
  }
  bool Text(OptionalText& out) {
    const auto begin = bytes_.begin() + static_cast<std::ptrdiff_t>(pos_);
    const auto zero = std::find(begin, bytes_.end(), 0);
    if (zero == bytes_.end()) return Fail();
    if (zero == begin) {
      std::uint8_t mark = 0;
      pos_ += 1;
      if (!Byte(mark) || mark > kAbsentTextMark) return Fail();
      out = mark == kAbsentTextMark ? OptionalText() : OptionalText("");
      return true;
    }
    out = std::string(begin, zero);
    pos_ = static_cast<std::size_t>(zero - bytes_.begin()) + 1;
    return true;
  }
  bool ok() const { return ok_; }
  bool AtEnd() const { return pos_ == bytes_.size(); }
  // Each listed item takes at least two bytes, so a count beyond what is
  // left is malformed; this keeps hostile counts from allocating.
  bool Fits(std::size_t count) {
    return count <= (bytes_.size() - pos_) / 2 ? true : Fail();
  }

 private:
  bool Fail() {
    ok_ = false;
    return false;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

bool HasStringTail(FieldType type) { return IsTextType(type); }

bool ReadField(StreamReader& in, DescribedField& f) {
  std::uint8_t type = 0;
  if (!in.Byte(type)) return false;
  f.type = static_cast<FieldType>(type);
  if (!in.Word(f.offset) || !in.Text(f.label) || !in.Word(f.element_count) ||
      !in.Word(f.size) || !in.Word(f.group) || !in.Word(f.position)) {
    return false;
  }
  if (IsDecimalType(f.type) &&
      (!in.Byte(f.places) || !in.Byte(f.element_size))) {
    return false;
  }
  if (HasStringTail(f.type) &&
      (!in.Word(f.string_length) || !in.Text(f.picture))) {
    return false;
  }
  return true;
}

bool ReadKey(StreamReader& in, DescribedKey& k) {
  std::uint16_t count = 0;
  if (!in.Text(k.external_name) || !in.Text(k.label) || !in.Byte(k.flags) ||
      !in.Word(count) || !in.Fits(count)) {
    return false;
  }
  k.components.resize(count);
  for (auto& c : k.components) {
    if (!in.Word(c.field) || !in.Word(c.flags)) return false;
  }
  return true;
}

}  // namespace

std::vector<std::uint8_t> WriteDescription(const TableDescription& table) {
  StreamWriter out;
  const bool blob = std::any_of(
      table.memos.begin(), table.memos.end(),
      [](const DescribedMemo& m) { return m.flags & kDescribedMemoBlob; });
  out.Word(blob ? kDescriptionVersionBlob : kDescriptionVersion);
  out.Word(table.record_length);
  out.Word(static_cast<std::uint32_t>(table.fields.size()));
  out.Word(static_cast<std::uint32_t>(table.memos.size()));
  out.Word(static_cast<std::uint32_t>(table.keys.size()));
  for (const auto& f : table.fields) {
    out.Byte(static_cast<std::uint8_t>(f.type));
    out.Word(f.offset);
    out.Text(f.label);
    out.Word(f.element_count);
    out.Word(f.size);
    out.Word(f.group);
    out.Word(f.position);
    if (f.type == FieldType::DECIMAL) {
      out.Byte(f.places);
      out.Byte(f.element_size);
    } else if (f.type == FieldType::PDECIMAL) {
      out.Byte(0);
      out.Byte(0);
    }
    if (HasStringTail(f.type)) {
      out.Word(f.string_length);
      out.Text(f.picture);
    }
  }
  for (const auto& m : table.memos) {
    out.Text(m.external_name);
    out.Text(m.label);
    out.Word(m.size);
    out.Word(m.flags);
  }
  for (const auto& k : table.keys) {
    out.Text(k.external_name);
    out.Text(k.label);
    out.Byte(k.flags);
    out.Word(static_cast<std::uint32_t>(k.components.size()));
    for (const auto& c : k.components) {
      out.Word(c.field);
      out.Word(c.flags);
    }
  }
  return out.Take();
}

// A stream of exactly n x 512 bytes is n blocks: no empty block follows.
std::vector<std::vector<std::uint8_t>> DescriptionBlocks(
    std::span<const std::uint8_t> stream) {
  std::vector<std::vector<std::uint8_t>> blocks;
  for (std::size_t at = 0; at < stream.size(); at += kBlockBytes) {
    const auto part =
        stream.subspan(at, std::min(kBlockBytes, stream.size() - at));
    blocks.emplace_back(part.begin(), part.end());
  }
  return blocks;
}

namespace {

std::optional<TableDescription> ParseDescription(
    std::span<const std::uint8_t> stream) {
  StreamReader in(stream);
  TableDescription t;
  std::uint16_t fields = 0, memos = 0, keys = 0;
  if (!in.Word(t.version) || !in.Word(t.record_length) || !in.Word(fields) ||
      !in.Word(memos) || !in.Word(keys) || !in.Fits(fields) ||
      !in.Fits(memos) || !in.Fits(keys)) {
    return std::nullopt;
  }
  t.fields.resize(fields);
  for (auto& f : t.fields) {
    if (!ReadField(in, f)) return std::nullopt;
  }
  t.memos.resize(memos);
  for (auto& m : t.memos) {
    if (!in.Text(m.external_name) || !in.Text(m.label) || !in.Word(m.size) ||
        !in.Word(m.flags)) {
      return std::nullopt;
    }
  }
  t.keys.resize(keys);
  for (auto& k : t.keys) {
    if (!ReadKey(in, k)) return std::nullopt;
  }
  if (!in.ok() || !in.AtEnd()) return std::nullopt;
  return t;
}

// The fault of one field, given the group that encloses it (its first
// element's bytes); empty when sound.
std::string FieldFault(
    const DescribedField& f, std::uint32_t record_length,
    std::optional<std::pair<std::uint32_t, std::uint32_t>> group) {
  const int code = static_cast<int>(f.type);
  if (code == 0 || code >= kFirstUnknownFieldType) {
    return "unknown type " + std::to_string(code);
  }
  const std::string type(FieldTypeName(code));
  if (f.element_count == 0) return "no elements";
  if (f.size % f.element_count != 0) {
    return "size " + std::to_string(f.size) + " is not " +
           std::to_string(f.element_count) + " whole elements";
  }
  const std::uint32_t element = f.size / f.element_count;
  if (element == 0 && f.type != FieldType::GROUP) return "size 0";
  const std::uint32_t fixed = FixedFieldSize(f.type);
  const bool bad_size =
      (fixed != 0 && element != fixed) ||
      (f.type == FieldType::DECIMAL &&
       (element != f.element_size || f.places > kMaxDecimalPlaces)) ||
      (IsDecimalType(f.type) && element > kMaxDecimalBytes) ||
      (IsTextType(f.type) && element != f.string_length);
  if (bad_size) {
    return "size " + std::to_string(element) + " does not fit a " + type;
  }
  const std::uint32_t end = std::uint32_t{f.offset} + f.size;
  if (end > record_length) {
    return "ends at " + std::to_string(end) + ", past the record's " +
           std::to_string(record_length) + " bytes";
  }
  if (group && (f.offset < group->first || end > group->second)) {
    return "lies outside its group";
  }
  return {};
}

}  // namespace

bool IsTopLevelFieldType(FieldType type) {
  const auto code = static_cast<int>(type);
  return (code >= static_cast<int>(FieldType::BYTE) &&
          code <= static_cast<int>(FieldType::DECIMAL)) ||
         IsTextType(type) || type == FieldType::GROUP;
}

std::string DescriptionFault(const TableDescription& t) {
  const bool blob = std::any_of(
      t.memos.begin(), t.memos.end(),
      [](const DescribedMemo& m) { return m.flags & kDescribedMemoBlob; });
  if (t.version != (blob ? kDescriptionVersionBlob : kDescriptionVersion)) {
    return "version " + std::to_string(t.version) +
           (blob ? " with a BLOB" : " without a BLOB");
  }
  if (t.record_length > kMaxDeclaredRecord) {
    return "record length " + std::to_string(t.record_length) + " above " +
           std::to_string(kMaxDeclaredRecord);
  }
  if (t.memos.size() > kMaxDeclaredMemos) return "too many memos";
  if (t.keys.size() > kMaxDeclaredKeys) return "too many keys";
  struct Open {
    std::uint16_t position;
    std::pair<std::uint32_t, std::uint32_t> bytes;  // of its first element
  };
  std::vector<Open> open;
  for (std::size_t i = 0; i < t.fields.size(); ++i) {
    const DescribedField& f = t.fields[i];
    while (!open.empty() && open.back().position != f.group) open.pop_back();
    std::string fault;
    if (f.group != 0 && open.empty()) {
      fault = "names no enclosing group";
    } else if (open.size() > kMaxGroupNesting) {
      fault =
          "groups nest more than " + std::to_string(kMaxGroupNesting) + " deep";
    } else {
      fault = FieldFault(
          f, t.record_length,
          open.empty() ? std::nullopt : std::optional(open.back().bytes));
    }
    if (!fault.empty()) {
      return "field " + std::to_string(i + 1) + " (" + f.label.value_or("") +
             "): " + fault;
    }
    if (f.type == FieldType::GROUP) {
      const std::uint32_t element = f.size / f.element_count;
      open.push_back({f.position, {f.offset, f.offset + element}});
    }
  }
  for (std::size_t k = 0; k < t.keys.size(); ++k) {
    for (const DescribedComponent& c : t.keys[k].components) {
      if (c.field >= t.fields.size()) {
        return "key " + std::to_string(k + 1) + " (" +
               t.keys[k].label.value_or("") + "): component names field " +
               std::to_string(c.field + 1) + " of " +
               std::to_string(t.fields.size());
      }
    }
  }
  return {};
}

std::optional<TableDescription> ReadDescription(
    std::span<const std::uint8_t> stream, std::string* fault) {
  auto t = ParseDescription(stream);
  std::string found = t ? DescriptionFault(*t) : "malformed";
  if (fault) *fault = found;
  if (!found.empty()) return std::nullopt;
  return t;
}

DescriptionMatch CompareDescription(const TableDescription& declared,
                                    std::span<const std::uint8_t> stream) {
  const auto stored = ReadDescription(stream);
  if (!stored || stored->record_length != declared.record_length ||
      stored->fields.size() != declared.fields.size() ||
      stored->memos.size() != declared.memos.size() ||
      stored->keys.size() != declared.keys.size()) {
    return DescriptionMatch::kStructural;
  }
  bool soft = false;
  for (std::size_t i = 0; i < declared.fields.size(); ++i) {
    const auto& a = declared.fields[i];
    const auto& b = stored->fields[i];
    const bool decimal_bytes =
        a.type == FieldType::DECIMAL && a.element_size != b.element_size;
    if (a.type != b.type || a.offset != b.offset ||
        a.element_count != b.element_count || a.size != b.size ||
        a.group != b.group || a.position != b.position || decimal_bytes) {
      return DescriptionMatch::kStructural;
    }
    soft |= a.label != b.label || a.picture != b.picture ||
            a.places != b.places || a.string_length != b.string_length;
  }
  for (std::size_t i = 0; i < declared.memos.size(); ++i) {
    const auto& a = declared.memos[i];
    const auto& b = stored->memos[i];
    const bool blob = (a.flags & kDescribedMemoBlob) != 0;
    if (a.size != b.size && !blob) return DescriptionMatch::kStructural;
    soft |= a.label != b.label || a.external_name != b.external_name;
  }
  for (std::size_t i = 0; i < declared.keys.size(); ++i) {
    const auto& a = declared.keys[i];
    const auto& b = stored->keys[i];
    if (((a.flags ^ b.flags) & ~kDescribedPrimary) != 0 ||
        a.components != b.components) {
      return DescriptionMatch::kStructural;
    }
    soft |= a.label != b.label || a.external_name != b.external_name;
  }
  return soft ? DescriptionMatch::kSoft : DescriptionMatch::kEqual;
}

}  // namespace vantrel
