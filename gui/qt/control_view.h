// The native side of one control: the widget (or menu entry) that shows its
// state and reports what the user does with it. The window model is the
// truth; a view reads its control by number each time, since the model's
// controls may move when controls are created.
#ifndef VANTREL_GUI_QT_CONTROL_VIEW_H_
#define VANTREL_GUI_QT_CONTROL_VIEW_H_

#include <QWidget>
#include <cstdint>
#include <memory>

#include "gui/qt/canvas_layout.h"
#include "runtime/window/window_model.h"

class QMenu;
class QMenuBar;

namespace vantrel::qt {

class ControlView;

// What views need from the window they belong to.
class ViewHost {
 public:
  virtual ~ViewHost() = default;
  virtual Window& window() = 0;
  virtual QWidget* canvas() = 0;
  // The window's menu bar, made on first use.
  virtual QMenuBar* menu_bar() = 0;
  virtual ControlView* View(std::int16_t number) = 0;
  // Shows the control again, with what it encloses.
  virtual void Refresh(std::int16_t number) = 0;
};

class ControlView {
 public:
  ControlView(ViewHost& host, const ControlState& state);
  virtual ~ControlView() = default;
  ControlView(const ControlView&) = delete;
  ControlView& operator=(const ControlView&) = delete;

  std::int16_t number() const { return number_; }
  // The control that encloses it (0: the window).
  std::int16_t parent() const { return parent_; }

  // The widget placed on the client area; nullptr for menus, menu items
  // and tabs, which live elsewhere.
  virtual QWidget* widget() const = 0;
  // The room the control takes when the window grows (Growth bits).
  virtual int growth() const { return kGrowNone; }
  // Shows the control's state. `visible` and `enabled` already include the
  // controls that enclose it.
  virtual void Show(const ControlState& state, bool visible, bool enabled) = 0;
  // A menu the control's items go into (menus only).
  virtual QMenu* menu() const { return nullptr; }

 protected:
  Window& window() const { return host_.window(); }
  // The control's state now; nullptr once it is gone.
  ControlState* state() const { return window().Find(number_); }

  ViewHost& host_;
  std::int16_t number_;
  std::int16_t parent_;
};

// Shows or hides a control's widget and enables or disables it.
void ShowVisibleEnabled(QWidget* widget, bool visible, bool enabled);

// Marks a widget as showing a control, so that focus and keys find it.
void TagWidget(QWidget* widget, std::int16_t number);
// The control a widget (or the nearest tagged widget enclosing it) shows;
// 0 when none.
std::int16_t TaggedControl(const QWidget* widget);

// The view for a control of any kind.
std::unique_ptr<ControlView> MakeControlView(ViewHost& host,
                                             const ControlState& state);

// Views by kind, in the files named after them.
std::unique_ptr<ControlView> MakeLabelView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeButtonView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeOptionView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeRadioView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeImageView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeRegionView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeEntryView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeTextView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeComboView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeListView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeSheetView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeTabView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeMenuView(ViewHost&, const ControlState&);
std::unique_ptr<ControlView> MakeMenuItemView(ViewHost&, const ControlState&);

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_CONTROL_VIEW_H_
