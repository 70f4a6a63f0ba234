// The string stack on which string expressions are evaluated: operands are
// pushed, operations replace their operands by their result, and the result
// is popped into a fixed-length field or read as a number.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_STRING_STACK_H_
#define VANTREL_RUNTIME_DATA_DRIVER_STRING_STACK_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace vantrel {

class StringStack {
 public:
  // Pushes beyond this depth are ignored.
  static constexpr std::size_t kMaxEntries = 32;

  // What an entry holds.
  enum class Kind : std::uint8_t {
    kReference,  // characters owned by someone else (a field, a constant)
    kPrivate,    // a copy owned by the entry
    kNumber,     // a number, turned into text when an operation needs text
  };

  std::size_t Depth() const { return depth_; }
  // The kind of the top entry; kReference when the stack is empty.
  Kind TopKind() const;

  // Pushes a reference to `length` characters at `text`, which must outlive
  // the entry; a null `text` pushes an empty text.
  void PushText(const char* text, std::size_t length);
  void PushText(std::string_view text) { PushText(text.data(), text.size()); }
  // Pushes a private copy of `text`.
  void PushCopy(std::string_view text);
  // Pushes a number; its text is plain decimal.
  void PushNumber(int value) { PushNumber(std::int64_t{value}); }
  void PushNumber(std::int64_t value);
  void PushNumber(double value);

  // The top entry's text (empty when the stack is empty). Valid until the
  // entry is changed or popped.
  std::string_view Top();
  // Removes the top entry; does nothing on an empty stack.
  void Pop();
  // Pops the top entry's text.
  std::string PopText();
  // Stores the top entry's text into `field`, blank-padded or cut to the
  // field's length, then pops it.
  void PopIntoField(std::span<char> field);

  // The operations below take missing operands as empty texts, so that a
  // malformed expression gives empty results instead of reading past the
  // stack.

  // Replaces the two top entries by the lower text followed by the top text.
  void Join();
  // Removes the top text's trailing blanks.
  void Clip();
  // Pops the top entry and returns the length of its text.
  std::int64_t Length();
  // Replaces the top text by its upper-case form.
  void Upper();
  // Replaces the top text by its piece (see PieceOf).
  void Piece(std::int64_t start, std::int64_t length);
  // Searches the text below the top for the top text (see SearchText), pops
  // both and returns the result.
  std::int64_t Search(std::int64_t step, std::int64_t start);
  // Pops the top entry and returns 1 when its text is a number (see
  // IsNumericText), else 0.
  int Numeric();

 private:
  struct Entry {
    Kind kind = Kind::kReference;
    std::string_view reference;                 // kReference
    std::string own;                            // kPrivate
    std::variant<std::int64_t, double> number;  // kNumber
  };

  // Pushes an entry, or returns nullptr when the stack is full.
  Entry* PushEntry(Kind kind);
  // The text of the entry `below` places under the top, converting a number
  // into a private text first; empty when there is no such entry.
  std::string_view TextAt(std::size_t below);
  // Makes the top entry's text `text`, which may point into the entry itself.
  void ReplaceTop(std::string_view text);
  void ReplaceTop(std::string&& text);
  // Pops `count` entries, or as many as there are.
  void PopEntries(std::size_t count);

  std::array<Entry, kMaxEntries> entries_;
  std::size_t depth_ = 0;  // entries in use, from entries_[0]
};

// The runtime's own stack, through which drivers take and return texts.
StringStack& GetStringStack();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_STRING_STACK_H_
