#include "runtime/window/icons.h"

#include "runtime/data/text/string_ops.h"

namespace vantrel {
namespace {

constexpr std::size_t kStandardIconLength = 4;
constexpr unsigned char kStandardIconLead = 0xFF;
constexpr unsigned char kStandardIconMark = 0x01;
constexpr unsigned char kStandardIconEnd = 0x7F;
constexpr char kLinkedPrefix = '~';

}  // namespace

Icon ClassifyIcon(std::string_view text) {
  if (text.size() == kStandardIconLength &&
      static_cast<unsigned char>(text[0]) == kStandardIconLead &&
      static_cast<unsigned char>(text[1]) == kStandardIconMark &&
      static_cast<unsigned char>(text[3]) == kStandardIconEnd) {
    return {IconKind::kStandard, {}, static_cast<unsigned char>(text[2])};
  }
  text = ClipText(text);
  if (text.empty()) return {};
  if (text.front() == kLinkedPrefix) {
    return {IconKind::kLinked, std::string(text.substr(1)), 0};
  }
  return {IconKind::kFile, std::string(text), 0};
}

std::string StandardIconString(int n) {
  return std::string{static_cast<char>(kStandardIconLead),
                     static_cast<char>(kStandardIconMark), static_cast<char>(n),
                     static_cast<char>(kStandardIconEnd)};
}

}  // namespace vantrel
