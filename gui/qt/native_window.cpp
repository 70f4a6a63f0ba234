#include "gui/qt/native_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "gui/qt/dialog_units.h"
#include "gui/qt/icon_library.h"
#include "gui/qt/input_report.h"
#include "gui/qt/text_edge.h"
#include "gui/qt/window_frames.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

constexpr int kMillisecondsPerHundredth = 10;
// A window dragged or sized is reported once it has been still this long,
// not at every step of the drag.
constexpr int kPlacementSettleMs = 150;
// Radio buttons without a place of their own share their option's
// rectangle; a titled option keeps room for its title and frame (units).
constexpr int kOptionTitleUnits = 10;
constexpr int kOptionFrameUnits = 4;

bool Unplaced(const Layout& layout) {
  return layout.width == 0 && layout.height == 0 && layout.x == 0 &&
         layout.y == 0;
}

bool TakesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::kEntry:
    case ControlKind::kText:
    case ControlKind::kList:
    case ControlKind::kDropList:
    case ControlKind::kCombo:
    case ControlKind::kCheck:
    case ControlKind::kButton:
    case ControlKind::kRadio:
      return true;
    default:
      return false;
  }
}

// Places radio buttons that have no rectangle of their own side by side
// across their option (or one below the other in a tall option).
std::map<std::int16_t, Layout> ControlRectangles(const Window& window) {
  std::map<std::int16_t, Layout> placement;
  for (const ControlState& control : window.controls())
    placement[control.number()] = control.description.layout;
  for (const ControlState& option : window.controls()) {
    if (option.kind() != ControlKind::kOption) continue;
    std::vector<std::int16_t> radios;
    for (const ControlState& control : window.controls()) {
      if (control.kind() == ControlKind::kRadio &&
          control.description.parent == option.number() &&
          Unplaced(control.description.layout))
        radios.push_back(control.number());
    }
    if (radios.empty()) continue;
    Layout area = option.description.layout;
    if (!option.description.text.empty()) {
      area.x += kOptionFrameUnits;
      area.width -= 2 * kOptionFrameUnits;
      area.y += kOptionTitleUnits;
      area.height -= kOptionTitleUnits + kOptionFrameUnits;
    }
    area.width = std::max(area.width, 1);
    area.height = std::max(area.height, 1);
    int n = static_cast<int>(radios.size());
    bool across = area.width >= area.height;
    for (int i = 0; i < n; ++i) {
      Layout& place = placement[radios[i]];
      if (across) {
        int left = area.x + area.width * i / n;
        place = {left, area.y, area.x + area.width * (i + 1) / n - left,
                 area.height};
      } else {
        int top = area.y + area.height * i / n;
        place = {area.x, top, area.width,
                 area.y + area.height * (i + 1) / n - top};
      }
    }
  }
  return placement;
}

// The 1-based place of a tab on its sheet.
int TabIndex(const Window& window, const ControlState& tab) {
  std::vector<const ControlState*> tabs = window.TabsOf(tab.description.parent);
  for (std::size_t i = 0; i < tabs.size(); ++i) {
    if (tabs[i] == &tab) return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace

NativeWindow::NativeWindow(Window& window, QWidget* owner) : window_(window) {
  FrameHooks hooks;
  hooks.on_close = [this] { ReportInput([&] { UserCloseWindow(window_); }); };
  hooks.on_activate = [this] { ReportInput([&] { UserActivate(window_); }); };
  // Another window of the program that becomes active reports itself; one
  // of another program, or a message box, leaves none of ours active.
  hooks.on_deactivate = [this] {
    ReportInput([&] { UserDeactivate(window_); });
  };
  hooks.on_placed = [this] { Placed(); };
  const WindowDescription& description = window.description();
  bool modal = description.modal && owner != nullptr;
  canvas_ = new QWidget;
  layout_ = new CanvasLayout(canvas_, description.layout);
  if (modal) {
    auto* dialog = new DialogFrame(std::move(hooks), owner);
    dialog_layout_ = new QVBoxLayout(dialog);
    dialog_layout_->setContentsMargins(0, 0, 0, 0);
    dialog_layout_->addWidget(canvas_);
    dialog->setWindowModality(Qt::ApplicationModal);
    frame_ = dialog;
  } else {
    auto* main = new MainFrame(std::move(hooks), owner);
    main->setCentralWidget(canvas_);
    frame_ = main;
  }
  frame_->setAttribute(Qt::WA_DeleteOnClose, false);
  placement_ = ControlRectangles(window_);
  BuildControls();
  LinkPromptsToFields();
  ShowTitle();
  for (const ControlState& control : window_.controls()) ShowOne(control);
  timer_.setTimerType(Qt::CoarseTimer);
  QObject::connect(&timer_, &QTimer::timeout,
                   [this] { ReportInput([&] { TimerTick(window_); }); });
  placement_settles_.setSingleShot(true);
  placement_settles_.setInterval(kPlacementSettleMs);
  QObject::connect(&placement_settles_, &QTimer::timeout,
                   [this] { ReportPlacement(); });
  {
    ShowingScope showing;
    SizeAndPlace(owner);
    frame_->show();
  }
  // Where the window came to stand is its placement; the backend placed it,
  // so no event tells of it.
  window_.placement = CurrentPlacement();
}

NativeWindow::~NativeWindow() {
  timer_.stop();
  // Views go first: they use their widgets, which go with the frame.
  views_.clear();
  delete frame_.data();
}

void NativeWindow::BuildControls() {
  for (const ControlState& control : window_.controls()) {
    auto view = MakeControlView(*this, control);
    Place(*view, control);
    views_[control.number()] = std::move(view);
  }
}

void NativeWindow::Place(ControlView& view, const ControlState& state) {
  QWidget* widget = view.widget();
  if (widget == nullptr) return;
  auto placed = placement_.find(state.number());
  Layout units =
      placed != placement_.end() ? placed->second : state.description.layout;
  layout_->Place(widget, units, view.growth());
}

// A prompt's mnemonic takes the focus to the control after it.
void NativeWindow::LinkPromptsToFields() {
  const std::vector<ControlState>& controls = window_.controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].kind() != ControlKind::kPrompt) continue;
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      if (!TakesFocus(controls[j].kind())) continue;
      auto* label = qobject_cast<QLabel*>(WidgetOf(controls[i].number()));
      QWidget* field = WidgetOf(controls[j].number());
      if (label != nullptr && field != nullptr) label->setBuddy(field);
      break;
    }
  }
}

void NativeWindow::SizeAndPlace(QWidget* owner) {
  const WindowDescription& description = window_.description();
  frame_->adjustSize();
  QSize size = frame_->sizeHint();
  if (description.resizable) {
    frame_->setMinimumSize(size);
    frame_->resize(size);
  } else {
    frame_->setFixedSize(size);
  }
  const Layout& at = description.layout;
  DialogUnits units(frame_->font());
  if (at.x != 0 || at.y != 0) {
    QPoint origin = owner != nullptr
                        ? owner->frameGeometry().topLeft()
                        : frame_->screen()->availableGeometry().topLeft();
    frame_->move(origin + QPoint(units.X(at.x), units.Y(at.y)));
  } else if (owner == nullptr) {
    // Centred on the screen; a window larger than the screen starts at its
    // top left corner.
    QRect screen = frame_->screen()->availableGeometry();
    QPoint at = screen.center() - QRect(QPoint(), size).center();
    frame_->move(std::max(at.x(), screen.left()),
                 std::max(at.y(), screen.top()));
  }
}

WindowPlacement NativeWindow::CurrentPlacement() const {
  WindowPlacement placement;
  placement.maximized = frame_->isMaximized();
  placement.iconized = frame_->isMinimized();
  QRect normal = placement.maximized || placement.iconized
                     ? frame_->normalGeometry()
                     : frame_->geometry();
  // The menu bar and the frame's own margins are not the controls' area.
  QSize chrome = frame_->size() - canvas_->size();
  DialogUnits units(frame_->font());
  placement.normal = {
      static_cast<int>(std::lround(normal.x() / units.per_x())),
      static_cast<int>(std::lround(normal.y() / units.per_y())),
      static_cast<int>(
          std::lround((normal.width() - chrome.width()) / units.per_x())),
      static_cast<int>(
          std::lround((normal.height() - chrome.height()) / units.per_y()))};
  return placement;
}

void NativeWindow::ShowPlacement() {
  ShowingScope showing;
  const WindowPlacement& placement = window_.placement;
  DialogUnits units(frame_->font());
  QSize chrome = frame_->size() - canvas_->size();
  QSize size = frame_->size();
  if (window_.description().resizable && placement.normal.width > 0 &&
      placement.normal.height > 0) {
    size = (QSize(units.X(placement.normal.width),
                  units.Y(placement.normal.height)) +
            chrome)
               .expandedTo(frame_->minimumSize());
  }
  QRect wanted(QPoint(units.X(placement.normal.x), units.Y(placement.normal.y)),
               size);
  // A place on a screen that is no longer there would lose the window.
  bool on_a_screen = false;
  for (const QScreen* screen : QGuiApplication::screens())
    on_a_screen = on_a_screen || screen->availableGeometry().intersects(wanted);
  if (!on_a_screen) {
    QRect screen = frame_->screen()->availableGeometry();
    wanted.moveCenter(screen.center());
  }
  if (frame_->isMaximized() || frame_->isMinimized()) frame_->showNormal();
  frame_->setGeometry(wanted);
  if (placement.maximized) {
    frame_->showMaximized();
  } else if (placement.iconized) {
    frame_->showMinimized();
  }
}

void NativeWindow::Placed() {
  if (!Showing()) placement_settles_.start();
}

void NativeWindow::ReportPlacement() {
  WindowPlacement now = CurrentPlacement();
  if (now == window_.placement) return;
  ReportInput([&] { UserPlaceWindow(window_, now); });
}

void NativeWindow::ShowTitle() {
  frame_->setWindowTitle(FromRuntime(window_.title));
  QIcon icon = window_.icon.empty() ? QIcon() : LookUpIcon(window_.icon);
  frame_->setWindowIcon(icon.isNull() ? ApplicationIcon() : icon);
}

QMenuBar* NativeWindow::menu_bar() {
  if (menu_bar_ != nullptr) return menu_bar_;
  if (auto* main = qobject_cast<QMainWindow*>(frame_.data())) {
    menu_bar_ = main->menuBar();
  } else {
    menu_bar_ = new QMenuBar(frame_);
    dialog_layout_->setMenuBar(menu_bar_);
  }
  return menu_bar_;
}

ControlView* NativeWindow::View(std::int16_t number) {
  auto it = views_.find(number);
  return it == views_.end() ? nullptr : it->second.get();
}

QWidget* NativeWindow::WidgetOf(std::int16_t number) const {
  auto it = views_.find(number);
  return it == views_.end() ? nullptr : it->second->widget();
}

bool NativeWindow::Visible(const ControlState& state) const {
  const ControlState* control = &state;
  for (std::size_t steps = 0; steps <= window_.controls().size(); ++steps) {
    if (control->hidden) return false;
    const ControlState* parent = window_.Find(control->description.parent);
    if (parent == nullptr) return true;
    if (parent->kind() == ControlKind::kTab) {
      const ControlState* sheet = window_.Find(parent->description.parent);
      if (sheet != nullptr && sheet->choice != TabIndex(window_, *parent))
        return false;
    }
    control = parent;
  }
  return true;
}

bool NativeWindow::Enabled(const ControlState& state) const {
  const ControlState* control = &state;
  for (std::size_t steps = 0; steps <= window_.controls().size(); ++steps) {
    if (!control->enabled) return false;
    control = window_.Find(control->description.parent);
    if (control == nullptr) return true;
  }
  return true;
}

void NativeWindow::ShowOne(const ControlState& state) {
  if (ControlView* view = View(state.number()))
    view->Show(state, Visible(state), Enabled(state));
}

void NativeWindow::Refresh(std::int16_t number) {
  // The control, then what it encloses, level by level; each control once.
  std::vector<std::int16_t> pending{number};
  for (std::size_t i = 0; i < pending.size() && i <= window_.controls().size();
       ++i) {
    const ControlState* state = window_.Find(pending[i]);
    if (state == nullptr) continue;
    ShowOne(*state);
    for (const ControlState& control : window_.controls()) {
      if (control.description.parent == pending[i] &&
          control.number() != number)
        pending.push_back(control.number());
    }
  }
}

void NativeWindow::AddControl(const ControlState& state) {
  auto view = MakeControlView(*this, state);
  Place(*view, state);
  views_[state.number()] = std::move(view);
  Refresh(state.number());
}

void NativeWindow::RemoveControl(std::int16_t number) {
  auto it = views_.find(number);
  if (it == views_.end()) return;
  QWidget* widget = it->second->widget();
  std::int16_t parent = it->second->parent();
  views_.erase(it);
  if (widget != nullptr) {
    layout_->Remove(widget);
    delete widget;
  }
  if (parent != 0 && window_.Find(parent) != nullptr) Refresh(parent);
}

void NativeWindow::Focus(std::int16_t number) {
  QWidget* widget = WidgetOf(number);
  if (widget == nullptr) return;
  {
    ShowingScope showing;
    widget->setFocus(Qt::OtherFocusReason);
  }
  // A selection the runtime made shows once the field has the focus.
  Refresh(number);
}

void NativeWindow::SetTimer(int hundredths) {
  if (hundredths <= 0) {
    timer_.stop();
  } else {
    timer_.start(hundredths * kMillisecondsPerHundredth);
  }
}

}  // namespace vantrel::qt
