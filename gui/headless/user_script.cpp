#include "gui/headless/user_script.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

#include "runtime/data/text/text_codec.h"

namespace vantrel {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct KeyName {
  std::string_view name;  // lower case
  std::int32_t code;
};

// Keys without a character, by the codes the backends report. A left
// double-click counts as a key, as list controls alert it.
// The first name of a code is the one shortcuts are spelled with.
constexpr std::array<KeyName, 19> kKeyNames = {{
    {"doubleclick", 0x05}, {"backspace", 0x08}, {"tab", 0x09},
    {"enter", 0x0D},       {"escape", 0x1B},    {"esc", 0x1B},
    {"space", 0x20},       {"pageup", 0x21},    {"pagedown", 0x22},
    {"end", 0x23},         {"home", 0x24},      {"left", 0x25},
    {"up", 0x26},          {"right", 0x27},     {"down", 0x28},
    {"insert", 0x2D},      {"ins", 0x2D},       {"delete", 0x2E},
    {"del", 0x2E},
}};
// F1 .. F12.
constexpr std::int32_t kKeyF1 = 0x70;
constexpr int kFunctionKeys = 12;

// The spelling of a key in a shortcut: "Delete", "F2", or the character.
std::string ShortcutKeyName(std::string_view lower) {
  std::int32_t code = ScriptKeyCode(lower);
  std::string name(lower);
  for (const KeyName& key : kKeyNames) {
    if (key.code == code) {
      name = key.name;
      break;
    }
  }
  name[0] =
      static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return name;
}

struct CommandName {
  std::string_view name;
  ScriptCommand command;
};
constexpr std::array<CommandName, 14> kCommands = {{
    {"click", ScriptCommand::kClick},
    {"focus", ScriptCommand::kFocus},
    {"type", ScriptCommand::kType},
    {"set", ScriptCommand::kSet},
    {"choose", ScriptCommand::kChoose},
    {"tab", ScriptCommand::kTab},
    {"letter", ScriptCommand::kLetter},
    {"key", ScriptCommand::kKey},
    {"answer", ScriptCommand::kAnswer},
    {"pick", ScriptCommand::kPick},
    {"cancel", ScriptCommand::kCancel},
    {"show", ScriptCommand::kShow},
    {"expect", ScriptCommand::kExpect},
    {"close", ScriptCommand::kClose},
}};

char Lower(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  // ASCII and the Windows-1252 capitals À..Þ (but ×).
  if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
    return static_cast<char>(u + 0x20);
  return c;
}

std::string LowerText(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  return lower;
}

std::string_view Trim(std::string_view text) {
  std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::string_view TrimTail(std::string_view text, std::string_view tail) {
  while (text.ends_with(tail)) {
    text.remove_suffix(tail.size());
    text = Trim(text);
  }
  return text;
}

// Reads one line's arguments; records the first problem.
class LineReader {
 public:
  explicit LineReader(std::string_view rest) : rest_(rest) {}

  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  bool AtEnd() const { return rest_.empty(); }

  // The rest of the line, escapes resolved.
  std::string Text() {
    std::string text = Unescape(rest_, /*in_quotes=*/false);
    rest_ = {};
    return text;
  }

  // A target: quoted, else one word, or with `to_end` the whole rest.
  ScriptTarget Target(bool to_end) {
    ScriptTarget target;
    if (rest_.empty()) {
      Fail("a target is missing (a control number, label or menu path)");
      return target;
    }
    if (rest_.front() == '"') return QuotedTarget();
    std::size_t end = to_end ? rest_.size() : rest_.find_first_of(kBlanks);
    std::string_view word = rest_.substr(0, end);
    rest_ = end == std::string_view::npos ? std::string_view()
                                          : Trim(rest_.substr(end));
    if (IsNumber(word)) {
      int number = 0;
      auto [ptr, ec] =
          std::from_chars(word.data(), word.data() + word.size(), number);
      if (ec != std::errc() || number == 0 || number < INT16_MIN ||
          number > INT16_MAX) {
        Fail("control number " + std::string(word) + " is out of range");
      } else {
        target.number = static_cast<std::int16_t>(number);
      }
      return target;
    }
    target.label = Unescape(word, /*in_quotes=*/false);
    return target;
  }

  void Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }

 private:
  static bool IsNumber(std::string_view word) {
    if (word.starts_with('-')) word.remove_prefix(1);
    return !word.empty() &&
           word.find_first_not_of("0123456789") == std::string_view::npos;
  }

  ScriptTarget QuotedTarget() {
    ScriptTarget target;
    target.quoted = true;
    std::size_t i = 1;
    for (; i < rest_.size() && rest_[i] != '"'; ++i) {
      if (rest_[i] == '\\') ++i;  // an escaped character, checked below
    }
    if (i >= rest_.size()) {
      Fail("the quoted target has no closing quote");
      return target;
    }
    target.label = Unescape(rest_.substr(1, i - 1), /*in_quotes=*/true);
    std::string_view after = rest_.substr(i + 1);
    if (!after.empty() && kBlanks.find(after.front()) == std::string_view::npos)
      Fail("a blank must follow the quoted target");
    rest_ = Trim(after);
    if (target.label.empty() && !failed()) Fail("the quoted target is empty");
    return target;
  }

  std::string Unescape(std::string_view text, bool in_quotes) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '\\') {
        out += text[i];
        continue;
      }
      if (i + 1 == text.size()) {
        Fail("a backslash ends the line; write \\\\ for a backslash");
        break;
      }
      char next = text[++i];
      if (next == 'n') {
        out += '\n';
      } else if (next == '\\' || next == '"') {
        out += next;
      } else {
        Fail(std::string("unknown escape \\") + next +
             "; write \\\\ for a backslash" +
             (in_quotes ? ", \\\" for a quote" : ""));
        break;
      }
    }
    return out;
  }

  std::string_view rest_;
  std::string error_;
};

std::optional<ScriptCommand> FindCommand(std::string_view word) {
  std::string lower = LowerText(word);
  for (const CommandName& c : kCommands) {
    if (c.name == lower) return c.command;
  }
  return std::nullopt;
}

// The arguments of one command; problems go to the reader.
void ReadArguments(ScriptStep& step, LineReader& in) {
  switch (step.command) {
    case ScriptCommand::kClick:
    case ScriptCommand::kFocus:
      step.target = in.Target(/*to_end=*/true);
      break;
    case ScriptCommand::kSet:
    case ScriptCommand::kExpect:
      step.target = in.Target(/*to_end=*/false);
      step.text = in.Text();
      break;
    case ScriptCommand::kChoose: {
      step.target = in.Target(/*to_end=*/false);
      step.text = in.Text();
      if (step.text.empty() && !in.failed())
        in.Fail("choose needs an entry number or an entry's text");
      if (!step.text.empty() &&
          step.text.find_first_not_of("0123456789") == std::string::npos) {
        auto [ptr, ec] = std::from_chars(
            step.text.data(), step.text.data() + step.text.size(), step.number);
        if (ec != std::errc() || step.number < 1)
          in.Fail("entry " + step.text +
                  " is out of range (entries count from 1)");
      }
      break;
    }
    case ScriptCommand::kType:
    case ScriptCommand::kTab:
    case ScriptCommand::kAnswer:
    case ScriptCommand::kPick:
      step.text = in.Text();
      if (step.text.empty() && !in.failed()) in.Fail("the text is missing");
      break;
    case ScriptCommand::kLetter:
      step.text = in.Text();
      if (step.text.size() != 1 ||
          !std::isalpha(static_cast<unsigned char>(step.text[0]))) {
        in.Fail("letter takes one letter A to Z");
      } else {
        step.text[0] = static_cast<char>(
            std::toupper(static_cast<unsigned char>(step.text[0])));
      }
      break;
    case ScriptCommand::kKey: {
      std::string name = in.Text();
      step.number = ScriptKeyCode(name);
      if (step.number == 0) step.text = NormalizeShortcut(name);
      if (step.number == 0 && step.text.empty() && !in.failed())
        in.Fail("unknown key \"" + Windows1252ToUtf8(name) +
                "\" (a key such as Enter, Delete, F2, DoubleClick, or a "
                "shortcut such as Ctrl+N; type TEXT types characters)");
      break;
    }
    case ScriptCommand::kCancel:
    case ScriptCommand::kShow:
    case ScriptCommand::kClose:
      if (!in.AtEnd()) in.Fail("nothing may follow this command");
      break;
  }
}

// Parses one line that holds a step; the error text is empty when it is
// well formed.
std::string ParseStep(std::string_view utf8_line, ScriptStep& step) {
  std::string problem;
  std::optional<std::string> text = Utf8ToWindows1252(utf8_line, &problem);
  if (!text) return problem;
  for (char c : *text) {
    unsigned char u = static_cast<unsigned char>(c);
    if ((u < 0x20 && c != '\t') || u == 0x7F)
      return "a control character is in the line";
  }
  std::string_view line = *text;
  std::size_t end = line.find_first_of(kBlanks);
  std::string_view word = line.substr(0, end);
  std::optional<ScriptCommand> command = FindCommand(word);
  if (!command) return "unknown command \"" + Windows1252ToUtf8(word) + "\"";
  step.command = *command;
  LineReader in(end == std::string_view::npos ? std::string_view()
                                              : Trim(line.substr(end)));
  ReadArguments(step, in);
  return in.error();
}

}  // namespace

ParsedScript ParseUserScript(std::string_view text) {
  ParsedScript parsed;
  if (text.starts_with(kByteOrderMark))
    text.remove_prefix(kByteOrderMark.size());
  int line_number = 0;
  while (!text.empty()) {
    ++line_number;
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view()
                                         : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;
    ScriptStep step;
    step.line = line_number;
    step.source = std::string(line);
    std::string error = ParseStep(line, step);
    if (!error.empty()) {
      parsed.steps.clear();
      parsed.error_line = line_number;
      parsed.error = std::move(error);
      return parsed;
    }
    parsed.steps.push_back(std::move(step));
  }
  return parsed;
}

std::int32_t ScriptKeyCode(std::string_view name) {
  std::string lower = LowerText(Trim(name));
  for (const KeyName& key : kKeyNames) {
    if (key.name == lower) return key.code;
  }
  // F5 .. F12 beyond the table.
  if (lower.size() >= 2 && lower[0] == 'f') {
    int n = 0;
    auto [ptr, ec] =
        std::from_chars(lower.data() + 1, lower.data() + lower.size(), n);
    if (ec == std::errc() && ptr == lower.data() + lower.size() && n >= 1 &&
        n <= kFunctionKeys)
      return kKeyF1 + n - 1;
  }
  return 0;
}

std::string NormalizeLabel(std::string_view label) {
  std::string plain;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '\t') break;
    if (label[i] == '&') {
      if (i + 1 < label.size() && label[i + 1] == '&') plain += label[++i];
      continue;
    }
    plain += label[i];
  }
  std::string_view trimmed = Trim(plain);
  for (;;) {
    std::string_view before = trimmed;
    trimmed = TrimTail(TrimTail(trimmed, ":"), "...");
    if (trimmed == before) break;
  }
  return LowerText(trimmed);
}

std::string NormalizeShortcut(std::string_view text) {
  bool ctrl = false, shift = false, alt = false;
  std::string key;
  std::size_t i = 0;
  text = Trim(text);
  while (i < text.size()) {
    std::size_t end = text.find_first_of("+ \t", i);
    if (end == i) {  // a separator
      ++i;
      continue;
    }
    std::string part = LowerText(text.substr(i, end - i));
    i = end == std::string_view::npos ? text.size() : end;
    if (!key.empty()) return {};  // the key must come last
    if (part == "ctrl" || part == "control") {
      ctrl = true;
    } else if (part == "shift") {
      shift = true;
    } else if (part == "alt") {
      alt = true;
    } else {
      key = part;
    }
  }
  if (key.empty() || !(ctrl || shift || alt)) return {};
  bool single =
      key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0]));
  if (!single && ScriptKeyCode(key) == 0) return {};
  std::string shortcut;
  if (ctrl) shortcut += "Ctrl+";
  if (shift) shortcut += "Shift+";
  if (alt) shortcut += "Alt+";
  return shortcut + ShortcutKeyName(key);
}

}  // namespace vantrel
