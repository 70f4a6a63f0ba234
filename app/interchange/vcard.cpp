#include "app/interchange/vcard.h"

#include "app/interchange/card_text.h"
#include "runtime/data/text/ascii_case.h"
#include "runtime/data/text/text_codec.h"

namespace vantrel {
namespace {

constexpr std::size_t kFoldLength = 75;
// File-level notes beyond this many are counted, not listed.
constexpr std::size_t kMaxFileNotes = 100;

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view Trim(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

// The physical lines of the text, each without its line break.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  int number() const { return number_; }
  std::string_view Peek() const { return Scan(nullptr); }
  std::string_view Take() {
    std::size_t next = 0;
    std::string_view line = Scan(&next);
    pos_ = next;
    ++number_;
    return line;
  }

 private:
  std::string_view Scan(std::size_t* next) const {
    std::size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos) end = text_.size();
    if (next != nullptr) {
      *next = end;
      if (end < text_.size()) {
        *next = end + 1;
        if (text_[end] == '\r' && end + 1 < text_.size() &&
            text_[end + 1] == '\n')
          *next = end + 2;
      }
    }
    return text_.substr(pos_, end - pos_);
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;  // lines taken
};

// Whether the part of the line before its value asks for quoted-printable.
bool IsQuotedPrintableLine(std::string_view line) {
  const std::size_t colon = line.find(':');
  return Upper(line.substr(0, colon)).find("QUOTED-PRINTABLE") !=
         std::string::npos;
}

// One logical line: continuation lines joined, and the soft line breaks of
// quoted-printable ('=' at the end) taken out.
std::string TakeLogicalLine(LineReader& lines) {
  std::string_view first = lines.Take();
  std::string logical(first);
  const bool quoted_printable = IsQuotedPrintableLine(first);
  while (!lines.AtEnd()) {
    std::string_view next = lines.Peek();
    if (!next.empty() && (next[0] == ' ' || next[0] == '\t')) {
      logical.append(next.substr(1));
    } else if (quoted_printable && !logical.empty() && logical.back() == '=') {
      logical.pop_back();
      logical.append(next);
    } else {
      break;
    }
    lines.Take();
  }
  return logical;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Quoted-printable to bytes; an '=' not followed by two hex digits is kept
// as it stands, and `broken` is set.
std::string DecodeQuotedPrintable(std::string_view value, bool* broken) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '=' && i + 2 < value.size() &&
        HexValue(value[i + 1]) >= 0 && HexValue(value[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(value[i + 1]) * 16 +
                               HexValue(value[i + 2]));
      i += 2;
    } else {
      if (value[i] == '=') *broken = true;
      out += value[i];
    }
  }
  return out;
}

bool IsWindows1252Name(std::string_view charset) {
  const std::string name = Lower(charset);
  return name == "windows-1252" || name == "cp1252" || name == "iso-8859-1" ||
         name == "latin1" || name == "iso-8859-15" || name == "us-ascii";
}

// The value's bytes in UTF-8, read in the character set named (or, with
// none, as UTF-8 when they are, else as Windows-1252).
std::string ToUtf8(std::string bytes, const std::string* charset,
                   std::vector<std::string>* notes, int line) {
  if (charset != nullptr && IsWindows1252Name(*charset))
    return Windows1252ToUtf8(bytes);
  if (IsUtf8(bytes)) return bytes;
  if (charset != nullptr && Lower(*charset) != "utf-8") {
    notes->push_back("line " + std::to_string(line) + ": character set " +
                     *charset + " is not known; read as Windows-1252");
  } else if (charset != nullptr) {
    notes->push_back("line " + std::to_string(line) +
                     ": text is not UTF-8; read as Windows-1252");
  }
  return Windows1252ToUtf8(bytes);
}

// Splits `[group.]NAME;params:value`; false when the line has no ':'.
bool ParseProperty(std::string_view line, VCardProperty* property) {
  std::size_t i = 0;
  while (i < line.size() && line[i] != ';' && line[i] != ':') ++i;
  if (i == line.size()) return false;
  std::string_view name = line.substr(0, i);
  if (std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
    name = name.substr(dot + 1);
  property->name = Upper(Trim(name));
  while (line[i] == ';') {
    const std::size_t start = ++i;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != ';' && line[i] != ':'))) {
      if (line[i] == '"') quoted = !quoted;
      ++i;
    }
    if (i == line.size()) return false;
    std::string_view param = line.substr(start, i - start);
    const std::size_t equals = param.find('=');
    std::string key = equals == std::string_view::npos
                          ? std::string()
                          : Upper(Trim(param.substr(0, equals)));
    std::string value(Trim(
        equals == std::string_view::npos ? param : param.substr(equals + 1)));
    std::erase(value, '"');
    if (key.empty()) {
      const std::string bare = Upper(value);
      key = bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "8BIT" ||
                    bare == "7BIT"
                ? "ENCODING"
                : "TYPE";
    }
    if (!value.empty() || !key.empty())
      property->params.emplace_back(std::move(key), std::move(value));
  }
  property->value = std::string(line.substr(i + 1));
  return true;
}

// The value decoded from its transfer encoding and character set.
void DecodeValue(VCardProperty& property, VCard& card) {
  const std::string* encoding = property.Param("ENCODING");
  std::string bytes = std::move(property.value);
  if (encoding != nullptr) {
    const std::string name = Upper(*encoding);
    if (name == "QUOTED-PRINTABLE") {
      bool broken = false;
      bytes = DecodeQuotedPrintable(bytes, &broken);
      if (broken)
        card.notes.push_back("line " + std::to_string(property.line) +
                             ": broken quoted-printable kept as it stands");
    } else if (name == "B" || name == "BASE64") {
      property.value = std::move(bytes);  // binary data: not text
      return;
    }
  }
  property.value = ToUtf8(std::move(bytes), property.Param("CHARSET"),
                          &card.notes, property.line);
}

}  // namespace

std::vector<std::string> VCardProperty::Types() const {
  std::vector<std::string> types;
  for (const auto& [key, value] : params) {
    if (key != "TYPE") continue;
    for (std::string& part : SplitValue(value, ','))
      types.push_back(Lower(Trim(part)));
  }
  return types;
}

const std::string* VCardProperty::Param(std::string_view name) const {
  for (const auto& [key, value] : params)
    if (key == name) return &value;
  return nullptr;
}

VCardFile ReadVCards(std::string_view text) {
  VCardFile file;
  LineReader lines(text);
  std::size_t outside = 0;  // lines outside any card
  bool in_card = false;
  while (!lines.AtEnd()) {
    const int line_number = lines.number() + 1;
    const std::string line = TakeLogicalLine(lines);
    if (Trim(line).empty()) continue;
    VCardProperty property;
    property.line = line_number;
    const bool parsed = ParseProperty(line, &property);
    const std::string value = Upper(Trim(property.value));
    if (parsed && property.name == "BEGIN" && value == "VCARD") {
      if (in_card) {
        file.error = "line " + std::to_string(line_number) +
                     ": a card begins before the card of line " +
                     std::to_string(file.cards.back().first_line) +
                     " has ended";
        return file;
      }
      in_card = true;
      file.cards.emplace_back().first_line = line_number;
      continue;
    }
    if (!in_card) {
      if (++outside <= kMaxFileNotes)
        file.notes.push_back("line " + std::to_string(line_number) +
                             ": not inside a card; ignored");
      continue;
    }
    VCard& card = file.cards.back();
    if (!parsed) {
      card.notes.push_back("line " + std::to_string(line_number) +
                           ": no ':' after the property name; ignored");
    } else if (property.name == "END") {
      in_card = false;
    } else if (property.name == "VERSION") {
      card.version = std::string(Trim(property.value));
    } else {
      DecodeValue(property, card);
      card.properties.push_back(std::move(property));
    }
  }
  if (outside > kMaxFileNotes)
    file.notes.push_back(std::to_string(outside - kMaxFileNotes) +
                         " more lines not inside a card; ignored");
  if (in_card) {
    file.error = "the card that begins on line " +
                 std::to_string(file.cards.back().first_line) +
                 " has no END:VCARD";
  } else if (file.cards.empty()) {
    file.error = "no vCard in the file (no BEGIN:VCARD line)";
  }
  return file;
}

std::string Unescape(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      out += next == 'n' || next == 'N' ? '\n' : next;
    } else {
      out += value[i];
    }
  }
  return out;
}

std::vector<std::string> SplitValue(std::string_view value, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\') {
      ++i;
    } else if (value[i] == separator) {
      parts.push_back(Unescape(value.substr(start, i - start)));
      start = i + 1;
    }
  }
  parts.push_back(Unescape(value.substr(std::min(start, value.size()))));
  return parts;
}

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case ',':
        out += "\\,";
        break;
      case ';':
        out += "\\;";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        break;
      default:
        out += c;
    }
  }
  return out;
}

void AppendFolded(std::string& out, std::string_view name_and_params,
                  std::string_view value) {
  std::string line(name_and_params);
  line += ':';
  line += value;
  std::string_view rest = line;
  std::size_t room = kFoldLength;
  while (rest.size() > room) {
    std::size_t cut = room;
    // Never between the bytes of one UTF-8 character.
    while (cut > 1 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80)
      --cut;
    out.append(rest.substr(0, cut));
    out += "\r\n ";
    rest.remove_prefix(cut);
    room = kFoldLength - 1;  // the blank that begins the next line
  }
  out.append(rest);
  out += "\r\n";
}

}  // namespace vantrel
