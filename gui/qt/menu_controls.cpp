// Menus of the menu bar, submenus and menu items.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "gui/qt/control_view.h"
#include "gui/qt/input_report.h"
#include "gui/qt/menu_text.h"
#include "gui/qt/text_edge.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

// The menu an item or submenu goes into: its parent's, or the menu bar's
// for a menu without one.
QMenu* ParentMenu(ViewHost& host, std::int16_t parent) {
  ControlView* view = host.View(parent);
  return view == nullptr ? nullptr : view->menu();
}

class MenuView : public ControlView {
 public:
  MenuView(ViewHost& host, const ControlState& state)
      : ControlView(host, state) {
    std::int16_t parent = state.description.parent;
    if (QMenu* into = parent != 0 ? ParentMenu(host, parent) : nullptr) {
      menu_ = into->addMenu(QString());
    } else {
      menu_ = host.menu_bar()->addMenu(QString());
    }
  }
  ~MenuView() override { delete menu_; }
  QWidget* widget() const override { return nullptr; }
  QMenu* menu() const override { return menu_; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    menu_->setTitle(FromRuntime(state.value));
    menu_->menuAction()->setVisible(visible);
    menu_->setEnabled(enabled);
  }

 private:
  QPointer<QMenu> menu_;  // a submenu goes with the menu it is in
};

class MenuItemView : public ControlView {
 public:
  MenuItemView(ViewHost& host, const ControlState& state)
      : ControlView(host, state), action_(new QAction()) {
    if (QMenu* into = ParentMenu(host, state.description.parent)) {
      into->addAction(action_);
    } else {
      host.menu_bar()->addAction(action_);
    }
    // The shortcut works wherever the focus is in the window.
    host.canvas()->window()->addAction(action_);
    QObject::connect(action_, &QAction::triggered, [this] {
      ReportInput([&] {
        UserFinishEditing(window());
        UserClick(window(), number_);
      });
    });
  }
  ~MenuItemView() override { delete action_; }
  QWidget* widget() const override { return nullptr; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    MenuText text = SplitMenuText(FromRuntime(state.value),
                                  FromRuntime(state.description.shortcut));
    action_->setText(text.label);
    if (action_->shortcut() != text.shortcut)
      action_->setShortcut(text.shortcut);
    action_->setVisible(visible);
    action_->setEnabled(enabled);
  }

 private:
  QAction* action_;
};

}  // namespace

std::unique_ptr<ControlView> MakeMenuView(ViewHost& host,
                                          const ControlState& state) {
  return std::make_unique<MenuView>(host, state);
}
std::unique_ptr<ControlView> MakeMenuItemView(ViewHost& host,
                                              const ControlState& state) {
  return std::make_unique<MenuItemView>(host, state);
}

}  // namespace vantrel::qt
