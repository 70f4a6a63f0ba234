// A sheet: a tab bar whose tabs are the sheet's tab controls, created and
// destroyed while the window is open. Controls inside a tab show only while
// the tab is selected.
#include <QTabBar>
#include <algorithm>
#include <vector>

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
      if (index < 0 || index >= static_cast<int>(shown_.size())) return;
      ReportInput([&] {
        UserFinishEditing(window());
        UserSelectTab(window(), number_, shown_[index] + 1);
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

  // Makes the bar's tabs the shown tabs of the model, in order. Hidden
  // tabs are left out of the bar rather than hidden in it, so that the bar
  // always lays out what it shows.
  void SyncTabs() {
    ShowingScope showing;
    const ControlState* sheet = state();
    if (sheet == nullptr) return;
    std::vector<const ControlState*> tabs = window().TabsOf(number_);
    shown_.clear();
    for (int i = 0; i < static_cast<int>(tabs.size()); ++i) {
      if (!tabs[i]->hidden) shown_.push_back(i);
    }
    int count = static_cast<int>(shown_.size());
    while (bar_->count() > count) bar_->removeTab(bar_->count() - 1);
    for (int i = 0; i < count; ++i) {
      const ControlState* tab = tabs[shown_[i]];
      QString text = FromRuntime(tab->value);
      if (i >= bar_->count()) {
        bar_->addTab(text);
      } else if (bar_->tabText(i) != text) {
        bar_->setTabText(i, text);
      }
      bar_->setTabEnabled(i, tab->enabled);
    }
    auto chosen = std::find(shown_.begin(), shown_.end(), sheet->choice - 1);
    if (chosen != shown_.end()) {
      int current = static_cast<int>(chosen - shown_.begin());
      if (bar_->currentIndex() != current) bar_->setCurrentIndex(current);
    }
  }

 private:
  QTabBar* bar_;
  std::vector<int> shown_;  // the model's index of each tab in the bar
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
