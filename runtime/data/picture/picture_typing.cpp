#include "runtime/data/picture/picture_typing.h"

#include <vector>

#include "runtime/data/picture/picture_internal.h"
#include "runtime/data/text/char_tables.h"
#include "runtime/data/text/locale.h"

namespace vantrel {
namespace {

constexpr int kFullNameMinLength = 4;

// One display position: what it is, and where its field starts.
struct Slot {
  PicturePosition pos;
  int field_start;  // index of the first slot of its field
};

bool UsesSlots(const Picture& p) {
  return p.kind == PictureKind::kKeyIn || p.kind == PictureKind::kPattern ||
         p.kind == PictureKind::kDate || p.kind == PictureKind::kTime;
}

std::vector<Slot> SlotsOf(const Picture& p) {
  // A field is a run of value slots: it ends at a literal, at a '|' mark
  // and where the layout starts another field.
  std::vector<Slot> slots;
  int field_start = 0;
  bool after_literal = true;
  for (const PicturePosition& pos : p.positions) {
    bool mark = pos.kind == PositionKind::kKeyIn && pos.ch == '|';
    bool value = !mark && pos.kind != PositionKind::kLiteral;
    if (mark) after_literal = true;
    if (value && (after_literal || (pos.flags & kPositionFieldStart))) {
      field_start = static_cast<int>(slots.size());
    }
    if (!mark) {
      slots.push_back({pos, field_start});
      after_literal = !value;
    }
  }
  return slots;
}

bool IsValueSlot(const Slot& s) { return s.pos.kind != PositionKind::kLiteral; }

bool IsAlnum(char c) {
  auto u = static_cast<std::uint8_t>(c);
  return (c >= '0' && c <= '9') || GetCharTables().case_map[u] != 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The first value slot at or after `from`; slots.size() when none.
int NextValueSlot(const std::vector<Slot>& slots, int from) {
  int n = static_cast<int>(slots.size());
  while (from < n && !IsValueSlot(slots[from])) ++from;
  return from;
}

// The first slot of the field after the one holding `at`.
int NextField(const std::vector<Slot>& slots, int at) {
  int n = static_cast<int>(slots.size());
  int start = slots[at].field_start;
  int i = at + 1;
  while (i < n && slots[i].field_start == start) ++i;
  return NextValueSlot(slots, i);
}

int FieldEnd(const std::vector<Slot>& slots, int start) {
  int i = start;
  while (i < static_cast<int>(slots.size()) && slots[i].field_start == start &&
         IsValueSlot(slots[i])) {
    ++i;
  }
  return i;
}

TypingResult Accept(std::string text, int caret) {
  return {true, std::move(text), caret};
}

TypingResult Refuse(std::string_view text, int caret) {
  return {false, std::string(text), caret};
}

// A separator typed inside a numeric field: the digits typed so far move to
// the field's right end, with zeros (or blanks where zeros are suppressed)
// before them, and the caret goes to the next field.
TypingResult EndField(const std::vector<Slot>& slots, std::string text,
                      int caret) {
  int start = slots[caret].field_start;
  int end = FieldEnd(slots, start);
  bool numeric = caret > start;
  for (int i = start; i < caret && numeric; ++i) {
    numeric = IsDigit(text[i]) || text[i] == ' ';
  }
  if (!numeric || slots[start].pos.kind == PositionKind::kKeyIn) {
    if (caret == start) return {false, std::move(text), caret};
    return Accept(std::move(text), NextField(slots, caret));
  }
  std::string typed = text.substr(start, caret - start);
  std::string field(end - start - typed.size(), '0');
  if (slots[start].pos.flags & kPositionSuppressZero) field[0] = ' ';
  text.replace(start, end - start, field + typed);
  return Accept(std::move(text), NextValueSlot(slots, end));
}

// Fills a month-name or AM/PM field from the letters typed into it so far.
TypingResult TypeName(const std::vector<Slot>& slots, std::string text,
                      int caret, char typed) {
  int start = slots[caret].field_start;
  int end = FieldEnd(slots, start);
  const RegionalSettings& r = GetRegionalSettings();
  std::string name;
  int next = caret + 1;
  if (slots[start].pos.kind == PositionKind::kAmPm) {
    std::string_view one(&typed, 1);
    if (StartsWithIgnoringCase(r.am, one)) name = r.am;
    if (name.empty() && StartsWithIgnoringCase(r.pm, one)) name = r.pm;
    next = end;
  } else {
    int month = MonthNamed(text.substr(start, caret - start) + typed);
    if (month > 0) {
      name = end - start >= kFullNameMinLength
                 ? r.month_names[month - 1]
                 : r.month_abbreviations[month - 1];
    }
  }
  if (name.empty()) return Refuse(text, caret);
  name.resize(end - start, ' ');
  text.replace(start, end - start, name);
  return Accept(std::move(text), NextValueSlot(slots, next));
}

// Whether a value slot of a pattern, date or time takes the character, and
// as what.
bool DigitSlotAccepts(const Slot& s, char c, char* stored) {
  *stored = c;
  if (IsDigit(c)) return true;
  return c == ' ' && (s.pos.flags & kPositionSuppressZero);
}

TypingResult TypeFree(const Picture& p, std::string_view text, int caret,
                      char typed) {
  int width = p.kind == PictureKind::kInvalid ? 0 : p.width;
  if (caret < 0 || caret > static_cast<int>(text.size()) ||
      static_cast<int>(text.size()) >= width) {
    return Refuse(text, caret);
  }
  std::string out(text);
  out.insert(out.begin() + caret, typed);
  return Accept(std::move(out), caret + 1);
}

}  // namespace

std::string EntryTemplate(const Picture& p) {
  std::string text;
  if (!UsesSlots(p)) return text;
  for (const Slot& s : SlotsOf(p)) text += IsValueSlot(s) ? ' ' : s.pos.ch;
  return text;
}

TypingResult TypeCharacter(const Picture& p, std::string_view text, int caret,
                           char typed) {
  if (!UsesSlots(p)) return TypeFree(p, text, caret, typed);
  std::vector<Slot> slots = SlotsOf(p);
  int n = static_cast<int>(slots.size());
  std::string t(text.substr(0, n));
  if (static_cast<int>(t.size()) < n) {
    t += EntryTemplate(p).substr(t.size());
  }
  if (caret < 0 || caret >= n) return Refuse(text, caret);
  const int original = caret;
  if (!IsValueSlot(slots[caret])) {
    if (typed == slots[caret].pos.ch || !IsAlnum(typed)) {
      return Accept(std::move(t), NextValueSlot(slots, caret));
    }
    caret = NextValueSlot(slots, caret);
    if (caret == n) return Refuse(text, original);
  }
  const Slot& slot = slots[caret];
  char stored = typed;
  bool accepts = false;
  switch (slot.pos.kind) {
    case PositionKind::kKeyIn:
      accepts = KeyInAccepts(slot.pos.ch, typed, &stored);
      break;
    case PositionKind::kMonthName:
    case PositionKind::kAmPm:
      if (IsAlnum(typed) && !IsDigit(typed)) {
        return TypeName(slots, std::move(t), caret, typed);
      }
      break;
    default:
      accepts = DigitSlotAccepts(slot, typed, &stored);
      break;
  }
  if (accepts) {
    t[caret] = stored;
    return Accept(std::move(t), NextValueSlot(slots, caret + 1));
  }
  if (!IsAlnum(typed)) {
    // A literal the caret has just stepped over counts as typed.
    for (int i = caret - 1; i >= 0 && !IsValueSlot(slots[i]); --i) {
      if (slots[i].pos.ch == typed) return Accept(std::move(t), caret);
    }
    return EndField(slots, std::move(t), caret);
  }
  return Refuse(text, original);
}

}  // namespace vantrel
