#include "gui/qt/control_view.h"

#include <QVariant>

namespace vantrel::qt {
namespace {

constexpr char kControlProperty[] = "vantrel_control";

}  // namespace

ControlView::ControlView(ViewHost& host, const ControlState& state)
    : host_(host), number_(state.number()), parent_(state.description.parent) {}

void ShowVisibleEnabled(QWidget* widget, bool visible, bool enabled) {
  if (widget->isVisibleTo(widget->parentWidget()) != visible)
    widget->setVisible(visible);
  if (widget->isEnabled() != enabled) widget->setEnabled(enabled);
}

void TagWidget(QWidget* widget, std::int16_t number) {
  widget->setProperty(kControlProperty, QVariant(int(number)));
}

std::int16_t TaggedControl(const QWidget* widget) {
  for (; widget != nullptr; widget = widget->parentWidget()) {
    QVariant tag = widget->property(kControlProperty);
    if (tag.isValid()) return static_cast<std::int16_t>(tag.toInt());
    if (widget->isWindow()) break;
  }
  return 0;
}

std::unique_ptr<ControlView> MakeControlView(ViewHost& host,
                                             const ControlState& state) {
  switch (state.kind()) {
    case ControlKind::kPrompt:
    case ControlKind::kString:
      return MakeLabelView(host, state);
    case ControlKind::kEntry:
      return MakeEntryView(host, state);
    case ControlKind::kText:
      return MakeTextView(host, state);
    case ControlKind::kList:
      return MakeListView(host, state);
    case ControlKind::kDropList:
    case ControlKind::kCombo:
      return MakeComboView(host, state);
    case ControlKind::kCheck:
    case ControlKind::kButton:
      return MakeButtonView(host, state);
    case ControlKind::kOption:
      return MakeOptionView(host, state);
    case ControlKind::kRadio:
      return MakeRadioView(host, state);
    case ControlKind::kImage:
      return MakeImageView(host, state);
    case ControlKind::kRegion:
      return MakeRegionView(host, state);
    case ControlKind::kSheet:
      return MakeSheetView(host, state);
    case ControlKind::kTab:
      return MakeTabView(host, state);
    case ControlKind::kMenu:
      return MakeMenuView(host, state);
    case ControlKind::kMenuItem:
      return MakeMenuItemView(host, state);
  }
  return MakeLabelView(host, state);
}

}  // namespace vantrel::qt
