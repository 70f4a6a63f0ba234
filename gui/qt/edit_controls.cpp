// Entries, multi-line texts, drop lists and combos.
#include <QComboBox>

#include "gui/qt/control_view.h"
#include "gui/qt/edit_widgets.h"
#include "gui/qt/input_report.h"
#include "gui/qt/list_model.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

constexpr int kComboVisibleItems = 16;
constexpr int kComboMinimumCharacters = 4;
// A drop list without a choice shows the entry equal to its value; it looks
// through this many entries at most.
constexpr int kMaxValueSearch = 1000;

class EntryView : public ControlView {
 public:
  EntryView(ViewHost& host, const ControlState& state)
      : ControlView(host, state),
        edit_(new EntryEdit(host.window(), state, host.canvas())) {
    TagWidget(edit_, number_);
  }
  QWidget* widget() const override { return edit_; }
  int growth() const override { return kGrowAcross; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    edit_->Show(state);
    ShowVisibleEnabled(edit_, visible, enabled);
  }

 private:
  EntryEdit* edit_;
};

class TextView : public ControlView {
 public:
  TextView(ViewHost& host, const ControlState& state)
      : ControlView(host, state),
        edit_(new TextEdit(host.window(), state, host.canvas())) {
    TagWidget(edit_, number_);
  }
  QWidget* widget() const override { return edit_; }
  int growth() const override { return kGrowAcross | kGrowDown; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    edit_->Show(state);
    ShowVisibleEnabled(edit_, visible, enabled);
  }

 private:
  TextEdit* edit_;
};

// A drop list shows its queue's entries; a combo also has an entry in which
// the user may type a value of its own.
class ComboView : public ControlView {
 public:
  ComboView(ViewHost& host, const ControlState& state)
      : ControlView(host, state),
        combo_(new QComboBox(host.canvas())),
        model_(new ListModel(host.window(), number_, ParseListFormat({}),
                             combo_)) {
    combo_->setModel(model_);
    combo_->setMaxVisibleItems(kComboVisibleItems);
    // Measuring every entry would read the whole queue.
    combo_->setSizeAdjustPolicy(
        QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo_->setMinimumContentsLength(kComboMinimumCharacters);
    if (state.kind() == ControlKind::kCombo) {
      combo_->setEditable(true);
      combo_->setInsertPolicy(QComboBox::NoInsert);
      edit_ = new EntryEdit(host.window(), state, combo_);
      combo_->setLineEdit(edit_);
    }
    TagWidget(combo_, number_);
    QObject::connect(combo_, &QComboBox::activated, [this](int index) {
      ReportInput([&] { UserChooseEntry(window(), number_, index + 1); });
    });
  }
  QWidget* widget() const override { return combo_; }
  int growth() const override { return kGrowAcross; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    ShowingScope showing;
    model_->Refresh();
    int index = state.choice > 0 && state.choice <= model_->rowCount()
                    ? state.choice - 1
                    : RowShowing(state);
    if (combo_->currentIndex() != index) combo_->setCurrentIndex(index);
    if (edit_ != nullptr) edit_->Show(state);
    ShowVisibleEnabled(combo_, visible, enabled);
  }

 private:
  int RowShowing(const ControlState& state) const {
    QString value = ShowText(state.value, TextShape::kTrimmed).text;
    if (value.isEmpty()) return -1;
    int rows = std::min(model_->rowCount(), kMaxValueSearch);
    for (int row = 0; row < rows; ++row) {
      if (model_->index(row).data().toString() == value) return row;
    }
    return -1;
  }

  QComboBox* combo_;
  ListModel* model_;
  EntryEdit* edit_ = nullptr;
};

}  // namespace

std::unique_ptr<ControlView> MakeEntryView(ViewHost& host,
                                           const ControlState& state) {
  return std::make_unique<EntryView>(host, state);
}
std::unique_ptr<ControlView> MakeTextView(ViewHost& host,
                                          const ControlState& state) {
  return std::make_unique<TextView>(host, state);
}
std::unique_ptr<ControlView> MakeComboView(ViewHost& host,
                                           const ControlState& state) {
  return std::make_unique<ComboView>(host, state);
}

}  // namespace vantrel::qt
