// Icon names: a file name ("VANTREL.ICO"), a name beginning with "~" for an
// icon linked into the program ("~Vantrel.ico"), or a four-byte standard-icon
// string FF 01 n 7F.
#ifndef VANTREL_RUNTIME_WINDOW_ICONS_H_
#define VANTREL_RUNTIME_WINDOW_ICONS_H_

#include <string>
#include <string_view>

namespace vantrel {

enum class IconKind { kNone, kFile, kLinked, kStandard };

// The platform's standard icons (n of the standard-icon string).
enum StandardIcon : int {
  kIconHand = 1,
  kIconExclamation = 2,
  kIconQuestion = 3,
  kIconAsterisk = 4,  // notices
  kIconApplication = 5,
};

struct Icon {
  IconKind kind = IconKind::kNone;
  std::string name;  // file or linked name without its "~"
  int standard = 0;  // kStandard: the StandardIcon number

  bool operator==(const Icon&) const = default;
};

Icon ClassifyIcon(std::string_view text);

// The standard-icon string for n.
std::string StandardIconString(int n);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_ICONS_H_
