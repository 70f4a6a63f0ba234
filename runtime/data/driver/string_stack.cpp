#include "runtime/data/driver/string_stack.h"

#include <utility>

#include "runtime/data/text/string_ops.h"

namespace vantrel {

StringStack::Kind StringStack::TopKind() const {
  return depth_ == 0 ? Kind::kReference : entries_[depth_ - 1].kind;
}

StringStack::Entry* StringStack::PushEntry(Kind kind) {
  if (depth_ == kMaxEntries) return nullptr;
  Entry& entry = entries_[depth_++];
  entry.kind = kind;
  return &entry;
}

void StringStack::PushText(const char* text, std::size_t length) {
  if (Entry* entry = PushEntry(Kind::kReference)) {
    entry->reference =
        text == nullptr ? std::string_view() : std::string_view(text, length);
  }
}

void StringStack::PushCopy(std::string_view text) {
  if (Entry* entry = PushEntry(Kind::kPrivate)) entry->own.assign(text);
}

void StringStack::PushNumber(std::int64_t value) {
  if (Entry* entry = PushEntry(Kind::kNumber)) entry->number = value;
}

void StringStack::PushNumber(double value) {
  if (Entry* entry = PushEntry(Kind::kNumber)) entry->number = value;
}

std::string_view StringStack::TextAt(std::size_t below) {
  if (below >= depth_) return {};
  Entry& entry = entries_[depth_ - 1 - below];
  switch (entry.kind) {
    case Kind::kReference:
      return entry.reference;
    case Kind::kNumber:
      entry.own =
          std::visit([](auto v) { return NumberToText(v); }, entry.number);
      entry.kind = Kind::kPrivate;
      break;
    case Kind::kPrivate:
      break;
  }
  return entry.own;
}

std::string_view StringStack::Top() { return TextAt(0); }

void StringStack::ReplaceTop(std::string_view text) {
  if (depth_ == 0) return;
  Entry& entry = entries_[depth_ - 1];
  if (entry.kind == Kind::kReference) {
    entry.reference = text;
  } else {
    // `text` may lie inside `own`: copy it out before assigning.
    ReplaceTop(std::string(text));
  }
}

void StringStack::ReplaceTop(std::string&& text) {
  if (depth_ == 0) return;
  Entry& entry = entries_[depth_ - 1];
  entry.kind = Kind::kPrivate;
  entry.own = std::move(text);
}

void StringStack::Pop() { PopEntries(1); }

void StringStack::PopEntries(std::size_t count) {
  for (; count > 0 && depth_ > 0; --count) {
    Entry& entry = entries_[--depth_];
    entry.own.clear();
    entry.own.shrink_to_fit();  // a private copy is released with its entry
    entry.reference = {};
  }
}

std::string StringStack::PopText() {
  std::string text(Top());
  Pop();
  return text;
}

void StringStack::PopIntoField(std::span<char> field) {
  StoreText(field, Top());
  Pop();
}

void StringStack::Join() {
  if (depth_ < 2) return;  // an empty text below: the top stays as it is
  std::string joined(TextAt(1));
  joined.append(TextAt(0));
  Pop();
  ReplaceTop(std::move(joined));
}

void StringStack::Clip() { ReplaceTop(ClipText(Top())); }

std::int64_t StringStack::Length() {
  const auto length = static_cast<std::int64_t>(Top().size());
  Pop();
  return length;
}

void StringStack::Upper() { ReplaceTop(UpperCaseText(Top())); }

void StringStack::Piece(std::int64_t start, std::int64_t length) {
  ReplaceTop(PieceOf(Top(), start, length));
}

std::int64_t StringStack::Search(std::int64_t step, std::int64_t start) {
  const std::int64_t result = SearchText(TextAt(1), TextAt(0), step, start);
  PopEntries(2);
  return result;
}

int StringStack::Numeric() {
  const int result = IsNumericText(Top()) ? 1 : 0;
  Pop();
  return result;
}

StringStack& GetStringStack() {
  static StringStack stack;
  return stack;
}

}  // namespace vantrel
