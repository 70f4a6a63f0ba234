#include "runtime/window/message_box.h"

#include <array>

#include "runtime/data/text/locale.h"

namespace vantrel {
namespace {

constexpr char kLineBreak = '|';

// The button table in mask order: mask, platform id.
struct ButtonRow {
  int mask;
  int platform_id;
};
constexpr std::array<ButtonRow, kMessageButtonCount> kButtonTable = {{
    {kButtonOk, 1},
    {kButtonYes, 6},
    {kButtonNo, 7},
    {kButtonAbort, 3},
    {kButtonRetry, 4},
    {kButtonIgnore, 5},
    {kButtonCancel, 2},
    {kButtonHelp, 9},
}};

constexpr int kFontPoints = 8;
constexpr char kNewLookFace[] = "MS Sans Serif";
constexpr char kOldLookFace[] = "Helv";

bool new_look = true;

Icon StyleIcon(int style) {
  switch (style & kStyleIconMask) {
    case kStyleIconHand:
      return {IconKind::kStandard, {}, kIconHand};
    case kStyleIconQuestion:
      return {IconKind::kStandard, {}, kIconQuestion};
    case kStyleIconExclamation:
      return {IconKind::kStandard, {}, kIconExclamation};
    case kStyleIconAsterisk:
      return {IconKind::kStandard, {}, kIconAsterisk};
    default:
      return {};
  }
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  for (;;) {
    std::size_t bar = text.find(kLineBreak);
    lines.emplace_back(text.substr(0, bar));
    if (bar == std::string_view::npos) return lines;
    text.remove_prefix(bar + 1);
  }
}

int ClosedAnswer(const MessageBoxRequest& box) {
  for (int mask : {kButtonCancel, kButtonNo, kButtonAbort}) {
    for (const MessageBoxButton& button : box.buttons) {
      if (button.mask == mask) return mask;
    }
  }
  return box.buttons[box.default_button].mask;
}

}  // namespace

void SetNewLook(bool on) { new_look = on; }

MessageBoxRequest BuildMessageBox(std::string_view text,
                                  std::string_view caption,
                                  std::string_view icon, int buttons,
                                  int default_button, int style) {
  MessageBoxRequest box;
  box.caption = std::string(caption);
  box.lines = SplitLines(text);
  box.icon = ClassifyIcon(icon);
  if (box.icon.kind == IconKind::kNone) box.icon = StyleIcon(style);
  const auto& texts = GetEnvironmentOptions().button_texts;
  if ((buttons & ((1 << kMessageButtonCount) - 1)) == 0) buttons = kButtonOk;
  for (std::size_t i = 0; i < kButtonTable.size(); ++i) {
    const ButtonRow& row = kButtonTable[i];
    if ((buttons & row.mask) == 0) continue;
    if (row.mask == default_button) box.default_button = box.buttons.size();
    box.buttons.push_back({row.mask, row.platform_id, texts[i]});
  }
  box.font_face = new_look ? kNewLookFace : kOldLookFace;
  box.font_points = kFontPoints;
  box.font_bold = !new_look;
  return box;
}

int ShowMessage(std::string_view text, std::string_view caption,
                std::string_view icon, int buttons, int default_button,
                int style) {
  MessageBoxRequest box =
      BuildMessageBox(text, caption, icon, buttons, default_button, style);
  int pressed = Backend().RunMessageBox(box);
  for (const MessageBoxButton& button : box.buttons) {
    if (button.mask == pressed) return pressed;
  }
  return ClosedAnswer(box);
}

}  // namespace vantrel
