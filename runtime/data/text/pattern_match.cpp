#include "runtime/data/text/pattern_match.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/data/text/char_tables.h"

namespace vantrel {
namespace {

using ByteSet = std::bitset<256>;

enum class Node : unsigned char {
  kEmpty,
  kSet,     // one character out of `set`
  kAssert,  // a zero-width test
  kConcat,
  kAlternate,
  kRepeat,  // children[0] from `min` to `max` times (max -1: no limit)
};

enum class Assertion : unsigned char {
  kTextStart,
  kTextEnd,
  kWordBoundary,
  kNotWordBoundary,
  kWordStart,
  kWordEnd,
};

struct Ast {
  Node kind = Node::kEmpty;
  ByteSet set;
  Assertion assertion = Assertion::kTextStart;
  int min = 0, max = 0;
  std::vector<std::unique_ptr<Ast>> children;
};
using AstPtr = std::unique_ptr<Ast>;

bool IsWordByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
         (c >= 'a' && c <= 'z') || c == '_';
}

ByteSet SetWhere(bool (*test)(unsigned char)) {
  ByteSet s;
  for (int c = 0; c < 256; ++c) s[c] = test(static_cast<unsigned char>(c));
  return s;
}

// The POSIX classes in the C locale.
std::optional<ByteSet> NamedClass(std::string_view name) {
  struct Entry {
    std::string_view name;
    bool (*test)(unsigned char);
  };
  static constexpr Entry kClasses[] = {
      {"alpha",
       [](unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }},
      {"digit", [](unsigned char c) { return c >= '0' && c <= '9'; }},
      {"alnum",
       [](unsigned char c) {
         return (c >= '0' && c <= '9') ||
                ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
       }},
      {"upper", [](unsigned char c) { return c >= 'A' && c <= 'Z'; }},
      {"lower", [](unsigned char c) { return c >= 'a' && c <= 'z'; }},
      {"space",
       [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }},
      {"blank", [](unsigned char c) { return c == ' ' || c == '\t'; }},
      {"punct",
       [](unsigned char c) {
         return c > ' ' && c < 0x7F && (!IsWordByte(c) || c == '_');
       }},
      {"print", [](unsigned char c) { return c >= ' ' && c < 0x7F; }},
      {"graph", [](unsigned char c) { return c > ' ' && c < 0x7F; }},
      {"cntrl", [](unsigned char c) { return c < ' ' || c == 0x7F; }},
      {"xdigit",
       [](unsigned char c) {
         return (c >= '0' && c <= '9') ||
                ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
       }},
  };
  for (const Entry& e : kClasses) {
    if (e.name == name) return SetWhere(e.test);
  }
  return std::nullopt;
}

// Recursive descent over the pattern; the pattern's length bounds the depth.
class Parser {
 public:
  Parser(std::string_view pattern, bool no_case, std::string* problem)
      : p_(pattern), no_case_(no_case), problem_(problem) {}

  AstPtr Run() { return Alternation(); }

 private:
  AstPtr Fail(const char* why) {
    if (problem_->empty()) *problem_ = why;
    return nullptr;
  }

  static AstPtr Make(Node kind) {
    auto n = std::make_unique<Ast>();
    n->kind = kind;
    return n;
  }

  static AstPtr OneOf(const ByteSet& set) {
    AstPtr n = Make(Node::kSet);
    n->set = set;
    return n;
  }

  // Ignoring case, a set holds both cases of each letter it holds.
  ByteSet Folded(ByteSet set) const {
    if (!no_case_) return set;
    ByteSet uppers;
    for (int c = 0; c < 256; ++c) {
      if (set[c]) uppers[UpperCaseOf(static_cast<std::uint8_t>(c))] = true;
    }
    for (int c = 0; c < 256; ++c) {
      if (uppers[UpperCaseOf(static_cast<std::uint8_t>(c))]) set[c] = true;
    }
    return set;
  }

  AstPtr Byte(unsigned char c) const {
    ByteSet s;
    s[c] = true;
    return OneOf(Folded(s));
  }

  static AstPtr Assert(Assertion a) {
    AstPtr n = Make(Node::kAssert);
    n->assertion = a;
    return n;
  }

  bool At(char c) const { return i_ < p_.size() && p_[i_] == c; }

  AstPtr Alternation() {
    AstPtr first = Concatenation();
    if (!first || !At('|')) return first;
    AstPtr alt = Make(Node::kAlternate);
    alt->children.push_back(std::move(first));
    while (At('|')) {
      ++i_;
      AstPtr next = Concatenation();
      if (!next) return nullptr;
      alt->children.push_back(std::move(next));
    }
    return alt;
  }

  AstPtr Concatenation() {
    AstPtr seq = Make(Node::kConcat);
    while (i_ < p_.size() && !At('|') && !(depth_ > 0 && At(')'))) {
      AstPtr piece = Repetition();
      if (!piece) return nullptr;
      seq->children.push_back(std::move(piece));
    }
    return seq;
  }

  // The number of an interval; -1 when there is none.
  int Count() {
    if (i_ >= p_.size() || p_[i_] < '0' || p_[i_] > '9') return -1;
    int n = 0;
    while (i_ < p_.size() && p_[i_] >= '0' && p_[i_] <= '9') {
      n = std::min(n * 10 + (p_[i_++] - '0'), kMaxPatternRepeat + 1);
    }
    return n;
  }

  AstPtr Repetition() {
    AstPtr atom = Atom();
    while (atom && i_ < p_.size()) {
      int min = 0, max = -1;
      char c = p_[i_];
      if (c == '*') {
        ++i_;
      } else if (c == '+') {
        ++i_;
        min = 1;
      } else if (c == '?') {
        ++i_;
        max = 1;
      } else if (c == '{') {
        ++i_;
        min = At(',') ? 0 : Count();
        if (min < 0) return Fail("invalid repeat count");
        max = min;
        if (At(',')) {
          ++i_;
          max = At('}') ? -1 : Count();
          if (max < 0 && !At('}')) return Fail("invalid repeat count");
        }
        if (!At('}')) return Fail("invalid repeat count");
        ++i_;
        if (min > kMaxPatternRepeat || max > kMaxPatternRepeat) {
          return Fail("repeat count over 255");
        }
        if (max >= 0 && max < min) return Fail("invalid repeat count");
      } else {
        break;
      }
      AstPtr rep = Make(Node::kRepeat);
      rep->min = min;
      rep->max = max;
      rep->children.push_back(std::move(atom));
      atom = std::move(rep);
    }
    return atom;
  }

  AstPtr Atom() {
    char c = p_[i_++];
    switch (c) {
      case '(': {
        ++depth_;
        AstPtr inner = Alternation();
        --depth_;
        if (!inner) return nullptr;
        if (!At(')')) return Fail("unmatched '('");
        ++i_;
        return inner;
      }
      case '.':
        return OneOf(ByteSet().set());
      case '^':
        return Assert(Assertion::kTextStart);
      case '$':
        return Assert(Assertion::kTextEnd);
      case '[':
        return Bracket();
      case '\\':
        return Escape();
      case '*':
      case '+':
      case '?':
      case '{':
        return Fail("repeat with nothing to repeat");
      default:
        return Byte(static_cast<unsigned char>(c));
    }
  }

  AstPtr Escape() {
    if (i_ >= p_.size()) return Fail("trailing backslash");
    char c = p_[i_++];
    ByteSet word = SetWhere(IsWordByte);
    ByteSet space = *NamedClass("space");
    switch (c) {
      case 'w':
        return OneOf(word);
      case 'W':
        return OneOf(~word);
      case 's':
        return OneOf(space);
      case 'S':
        return OneOf(~space);
      case 'b':
        return Assert(Assertion::kWordBoundary);
      case 'B':
        return Assert(Assertion::kNotWordBoundary);
      case '<':
        return Assert(Assertion::kWordStart);
      case '>':
        return Assert(Assertion::kWordEnd);
      default:
        if (c >= '1' && c <= '9')
          return Fail("back-references are not supported");
        return Byte(static_cast<unsigned char>(c));
    }
  }

  // One element of a bracket expression: a character, or -1 after adding a
  // class to `set`, or -2 on an error.
  int BracketElement(ByteSet* set) {
    if (p_.substr(i_, 2) == "[:" || p_.substr(i_, 2) == "[." ||
        p_.substr(i_, 2) == "[=") {
      char kind = p_[i_ + 1];
      std::size_t close = p_.find(std::string{kind, ']'}, i_ + 2);
      if (close == std::string_view::npos) return -2;
      std::string_view name = p_.substr(i_ + 2, close - i_ - 2);
      i_ = close + 2;
      if (kind == ':') {
        std::optional<ByteSet> s = NamedClass(name);
        if (!s) return -2;
        *set |= *s;
        return -1;
      }
      if (name.size() != 1) return -2;  // single characters only
      return static_cast<unsigned char>(name[0]);
    }
    return static_cast<unsigned char>(p_[i_++]);
  }

  AstPtr Bracket() {
    ByteSet set;
    bool negate = At('^');
    if (negate) ++i_;
    bool first = true;
    for (;;) {
      if (i_ >= p_.size()) return Fail("unmatched '['");
      if (At(']') && !first) break;
      first = false;
      int low = BracketElement(&set);
      if (low == -2) return Fail("invalid bracket expression");
      if (low < 0) continue;
      if (At('-') && i_ + 1 < p_.size() && p_[i_ + 1] != ']') {
        ++i_;
        int high = BracketElement(&set);
        if (high < 0 || high < low) return Fail("invalid range");
        for (int c = low; c <= high; ++c) set[c] = true;
      } else {
        set[low] = true;
      }
    }
    ++i_;
    set = Folded(set);
    return OneOf(negate ? ~set : set);
  }

  std::string_view p_;
  bool no_case_;
  std::string* problem_;
  std::size_t i_ = 0;
  int depth_ = 0;  // open groups; a ')' outside any stands for itself
};

// The automaton: each state consumes one character of a set, tests a
// position, or jumps to one or two others.
enum class Op : unsigned char { kSet, kAssert, kJump, kSplit, kMatch };

struct State {
  Op op = Op::kMatch;
  Assertion assertion = Assertion::kTextStart;
  std::uint32_t set = 0;  // index into the program's sets
  std::uint32_t next = 0, alt = 0;
};

struct Program {
  std::vector<State> states;
  std::vector<ByteSet> sets;
};

class Compiler {
 public:
  explicit Compiler(Program* program) : prog_(program) {}

  // False when the program would pass kMaxPatternStates.
  bool Emit(const Ast& node) {
    switch (node.kind) {
      case Node::kEmpty:
        return true;
      case Node::kSet: {
        if (!Room(1)) return false;
        State s;
        s.op = Op::kSet;
        s.set = SetIndex(node.set);
        Add(s);
        return true;
      }
      case Node::kAssert: {
        if (!Room(1)) return false;
        State s;
        s.op = Op::kAssert;
        s.assertion = node.assertion;
        Add(s);
        return true;
      }
      case Node::kConcat:
        for (const AstPtr& child : node.children) {
          if (!Emit(*child)) return false;
        }
        return true;
      case Node::kAlternate:
        return EmitAlternation(node);
      case Node::kRepeat:
        return EmitRepeat(node);
    }
    return false;
  }

 private:
  bool Room(std::size_t n) const {
    return prog_->states.size() + n <= kMaxPatternStates;
  }
  std::uint32_t Here() const {
    return static_cast<std::uint32_t>(prog_->states.size());
  }
  void Add(const State& s) {
    prog_->states.push_back(s);
    prog_->states.back().next = Here();
  }
  std::uint32_t Placeholder(Op op) {
    State s;
    s.op = op;
    prog_->states.push_back(s);
    return Here() - 1;
  }

  std::uint32_t SetIndex(const ByteSet& set) {
    for (std::size_t k = 0; k < prog_->sets.size(); ++k) {
      if (prog_->sets[k] == set) return static_cast<std::uint32_t>(k);
    }
    prog_->sets.push_back(set);
    return static_cast<std::uint32_t>(prog_->sets.size() - 1);
  }

  // split L1, next; L1: a; jump end; next: split L2, ... ; last branch.
  bool EmitAlternation(const Ast& node) {
    std::vector<std::uint32_t> jumps;
    for (std::size_t k = 0; k < node.children.size(); ++k) {
      bool last = k + 1 == node.children.size();
      std::uint32_t split = 0;
      if (!last) {
        if (!Room(1)) return false;
        split = Placeholder(Op::kSplit);
        prog_->states[split].next = Here();
      }
      if (!Emit(*node.children[k])) return false;
      if (!last) {
        if (!Room(1)) return false;
        jumps.push_back(Placeholder(Op::kJump));
        prog_->states[split].alt = Here();
      }
    }
    for (std::uint32_t j : jumps) prog_->states[j].next = Here();
    return true;
  }

  // a{n,m}: n copies of a, then m - n optional copies, each skipping to the
  // end; a{n,}: n copies, then a loop.
  bool EmitRepeat(const Ast& node) {
    const Ast& child = *node.children[0];
    for (int k = 0; k < node.min; ++k) {
      if (!Emit(child)) return false;
    }
    if (node.max < 0) {
      if (!Room(1)) return false;
      std::uint32_t split = Placeholder(Op::kSplit);
      prog_->states[split].next = Here();
      if (!Emit(child) || !Room(1)) return false;
      std::uint32_t back = Placeholder(Op::kJump);
      prog_->states[back].next = split;
      prog_->states[split].alt = Here();
      return true;
    }
    std::vector<std::uint32_t> splits;
    for (int k = node.min; k < node.max; ++k) {
      if (!Room(1)) return false;
      std::uint32_t split = Placeholder(Op::kSplit);
      prog_->states[split].next = Here();
      splits.push_back(split);
      if (!Emit(child)) return false;
    }
    for (std::uint32_t s : splits) prog_->states[s].alt = Here();
    return true;
  }

  Program* prog_;
};

bool Holds(Assertion a, std::string_view text, std::size_t pos) {
  bool before =
      pos > 0 && IsWordByte(static_cast<unsigned char>(text[pos - 1]));
  bool after =
      pos < text.size() && IsWordByte(static_cast<unsigned char>(text[pos]));
  switch (a) {
    case Assertion::kTextStart:
      return pos == 0;
    case Assertion::kTextEnd:
      return pos == text.size();
    case Assertion::kWordBoundary:
      return before != after;
    case Assertion::kNotWordBoundary:
      return before == after;
    case Assertion::kWordStart:
      return !before && after;
    case Assertion::kWordEnd:
      return before && !after;
  }
  return false;
}

// The states live at one position: a sparse set, cleared in constant time.
class StateList {
 public:
  explicit StateList(std::size_t n) : dense_(n), sparse_(n) {}
  bool Contains(std::uint32_t s) const {
    std::uint32_t k = sparse_[s];
    return k < size_ && dense_[k] == s;
  }
  void Insert(std::uint32_t s) {
    sparse_[s] = static_cast<std::uint32_t>(size_);
    dense_[size_++] = s;
  }
  void Clear() { size_ = 0; }
  std::size_t size() const { return size_; }
  std::uint32_t operator[](std::size_t k) const { return dense_[k]; }

 private:
  std::vector<std::uint32_t> dense_, sparse_;
  std::size_t size_ = 0;
};

class Search {
 public:
  Search(const Program& program, std::string_view text)
      : prog_(program),
        text_(text),
        current_(program.states.size()),
        next_(program.states.size()) {}

  std::optional<bool> Run() {
    for (std::size_t pos = 0;; ++pos) {
      // A match may start at every position.
      if (Follow(current_, 0, pos)) return true;
      if (steps_ > kMaxPatternSteps) return std::nullopt;
      if (pos == text_.size()) return false;
      auto c = static_cast<unsigned char>(text_[pos]);
      next_.Clear();
      for (std::size_t k = 0; k < current_.size(); ++k) {
        const State& s = prog_.states[current_[k]];
        if (s.op == Op::kSet && prog_.sets[s.set][c]) {
          if (Follow(next_, s.next, pos + 1)) return true;
        }
      }
      steps_ += current_.size();
      std::swap(current_, next_);
    }
  }

 private:
  // Adds the state and all it reaches without consuming a character; true
  // when that reaches the end of the pattern.
  bool Follow(StateList& list, std::uint32_t start, std::size_t pos) {
    stack_.push_back(start);
    while (!stack_.empty()) {
      std::uint32_t id = stack_.back();
      stack_.pop_back();
      if (list.Contains(id)) continue;
      list.Insert(id);
      ++steps_;
      const State& s = prog_.states[id];
      switch (s.op) {
        case Op::kMatch:
          stack_.clear();
          return true;
        case Op::kJump:
          stack_.push_back(s.next);
          break;
        case Op::kSplit:
          stack_.push_back(s.alt);
          stack_.push_back(s.next);
          break;
        case Op::kAssert:
          if (Holds(s.assertion, text_, pos)) stack_.push_back(s.next);
          break;
        case Op::kSet:
          break;
      }
    }
    return false;
  }

  const Program& prog_;
  std::string_view text_;
  StateList current_, next_;
  std::vector<std::uint32_t> stack_;
  std::size_t steps_ = 0;
};

}  // namespace

std::optional<bool> PatternFound(std::string_view text,
                                 std::string_view pattern, bool no_case,
                                 std::string* problem) {
  problem->clear();
  if (pattern.size() > kMaxPatternLength) {
    *problem = "pattern longer than 256 characters";
    return std::nullopt;
  }
  AstPtr ast = Parser(pattern, no_case, problem).Run();
  if (!ast) return std::nullopt;
  Program program;
  if (!Compiler(&program).Emit(*ast) ||
      program.states.size() + 1 > kMaxPatternStates) {
    *problem = "pattern too complex";
    return std::nullopt;
  }
  program.states.push_back(State{});  // kMatch
  std::optional<bool> found = Search(program, text).Run();
  if (!found) *problem = "pattern search too long";
  return found;
}

}  // namespace vantrel
