#include "app/phone_lines.h"

#include "runtime/data/picture/picture.h"
#include "runtime/data/text/string_ops.h"

namespace vantrel {
namespace {

// Where the first separator begins and how long it is; npos when none.
struct Separator {
  std::size_t at = std::string_view::npos;
  std::size_t length = 0;
};

Separator FindSeparator(std::string_view text) {
  std::size_t at = text.find_first_of("\r\n");
  if (at == std::string_view::npos) return {};
  bool pair = text.compare(at, 2, kPhoneSeparator) == 0;
  return {at, pair ? std::size_t{2} : std::size_t{1}};
}

std::string LineOf(std::string_view text) {
  return std::string(text.substr(0, kPhoneLineLength));
}

struct PhonePattern {
  std::size_t digits;
  const char* picture;
  int added;  // characters the picture adds to the digits
};

constexpr PhonePattern kPatterns[] = {
    {7, "@P###-####P", 1},
    {10, "@P(###) ###-####P", 4},
    {11, "@P# (###) ###-####P", 5},
};

const Picture& CompiledPattern(std::size_t index) {
  static const Picture pictures[] = {CompilePicture(kPatterns[0].picture),
                                     CompilePicture(kPatterns[1].picture),
                                     CompilePicture(kPatterns[2].picture)};
  return pictures[index];
}

}  // namespace

PhoneLines SplitPhones(std::string_view text) {
  PhoneLines phones;
  std::string_view rest = text;
  int i = 1;
  for (; i <= kMaxPhoneLines - 1; ++i) {
    Separator separator = FindSeparator(rest);
    if (separator.at == std::string_view::npos) break;
    phones.starts[i] = static_cast<int>(text.size() - rest.size()) + 1;
    if (separator.at != 0) phones.lines[i] = LineOf(rest.substr(0, separator.at));
    rest.remove_prefix(separator.at + separator.length);
  }
  phones.starts[i] = static_cast<int>(text.size() - rest.size()) + 1;
  if (!ClipText(rest).empty()) {
    // The last line ends at a separator too: lines beyond it are not kept.
    phones.lines[i] = LineOf(rest.substr(0, FindSeparator(rest).at));
  }
  phones.count = i;
  return phones;
}

void TrimPhones(PhoneLines& phones) {
  while (phones.count >= 1 && ClipText(phones.lines[phones.count]).empty())
    --phones.count;
}

int FormatPhones(PhoneLines& phones, int caret) {
  for (int i = 1; i <= phones.count; ++i) {
    std::string& line = phones.lines[i];
    if (!IsNumericText(line)) continue;
    std::string_view clipped = ClipText(line);
    for (std::size_t p = 0; p < std::size(kPatterns); ++p) {
      if (clipped.size() != kPatterns[p].digits) continue;
      line = LineOf(FormatPicture(clipped, CompiledPattern(p)));
      if (phones.starts[i] < caret) caret += kPatterns[p].added;
      break;
    }
  }
  return caret;
}

std::string JoinPhones(const PhoneLines& phones) {
  std::string text = phones.lines[1];
  for (int i = 2; i <= phones.count; ++i) {
    text = std::string(ClipText(text)) + std::string(kPhoneSeparator) +
           std::string(ClipText(phones.lines[i]));
  }
  return text;
}

}  // namespace vantrel
