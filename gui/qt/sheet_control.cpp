// A sheet: a tab bar whose tabs are the sheet's tab controls, created and
// destroyed while the window is open. Controls inside a tab show only while
// the tab is selected.
#include <QTabBar>

#include "gui/qt/control_view.h"
#include "gui/qt/input_report.h"
#include "gui/qt/text_edge.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

class SheetView : public ControlView {
 public:
  SheetView(ViewHost& host, const ControlState& state)
      : ControlView(host, state), bar_(new QTabBar(host.canvas())) {
    bar_->setDocumentMode(true);
    bar_->setExpanding(false);
    bar_->setUsesScrollButtons(true);
    bar_->setElideMode(Qt::ElideNone);
    TagWidget(bar_, number_);
    QObject::connect(bar_, &QTabBar::currentChanged, [this](int index) {
      if (index < 0) return;
      ReportInput([&] {
        UserFinishEditing(window());
        UserSelectTab(window(), number_, index + 1);
      });
      // The runtime's choice decides which tab shows.
      if (!Showing()) host_.Refresh(number_);
    });
  }
  QWidget* widget() const override { return bar_; }
  int growth() const override { return kGrowAcross; }
  void Show(const ControlState&, bool visible, bool enabled) override {
    SyncTabs();
    ShowVisibleEnabled(bar_, visible, enabled);
  }

  // Makes the bar's tabs those of the model, in order.
  void SyncTabs() {
    ShowingScope showing;
    const ControlState* sheet = state();
    if (sheet == nullptr) return;
    std::vector<const ControlState*> tabs = window().TabsOf(number_);
    int count = static_cast<int>(tabs.size());
    while (bar_->count() > count) bar_->removeTab(bar_->count() - 1);
    for (int i = 0; i < count; ++i) {
      QString text = FromRuntime(tabs[i]->value);
      if (i >= bar_->count()) {
        bar_->addTab(text);
      } else if (bar_->tabText(i) != text) {
        bar_->setTabText(i, text);
      }
      bar_->setTabVisible(i, !tabs[i]->hidden);
      bar_->setTabEnabled(i, tabs[i]->enabled);
    }
    int current = sheet->choice - 1;
    if (current >= 0 && current < count && bar_->currentIndex() != current)
      bar_->setCurrentIndex(current);
  }

 private:
  QTabBar* bar_;
};

// A tab has no widget of its own: it is a tab of its sheet's bar.
class TabView : public ControlView {
 public:
  TabView(ViewHost& host, const ControlState& state)
      : ControlView(host, state), sheet_(state.description.parent) {}
  QWidget* widget() const override { return nullptr; }
  void Show(const ControlState&, bool, bool) override {
    if (auto* sheet = dynamic_cast<SheetView*>(host_.View(sheet_)))
      sheet->SyncTabs();
  }

 private:
  std::int16_t sheet_;
};

}  // namespace

std::unique_ptr<ControlView> MakeSheetView(ViewHost& host,
                                           const ControlState& state) {
  return std::make_unique<SheetView>(host, state);
}
std::unique_ptr<ControlView> MakeTabView(ViewHost& host,
                                         const ControlState& state) {
  return std::make_unique<TabView>(host, state);
}

}  // namespace vantrel::qt
