// A list over a queue: a list view whose rows are read from the runtime as
// they come into view, drawn in the columns of the list's format.
#include <QHeaderView>
#include <QListView>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <cstdio>
#include <functional>

#include "gui/qt/control_view.h"
#include "gui/qt/dialog_units.h"
#include "gui/qt/input_report.h"
#include "gui/qt/list_model.h"
#include "gui/qt/text_edge.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

ListFormat FormatOf(const ControlState& state) {
  ListFormat format = ParseListFormat(state.description.format);
  if (!format.error.empty()) {
    // A wrong format is the program's error, not the user's: it is reported
    // where a developer sees it, and the list shows one column.
    std::fprintf(stderr, "vantrel: the format \"%s\" of list %d: %s\n",
                 state.description.format.c_str(), state.number(),
                 format.error.c_str());
    format = ParseListFormat({});
  }
  return format;
}

// Taking the focus, a list view makes its first row current when none is;
// that is not the user's choice, and the runtime's choice is shown again.
class RuntimeListView : public QListView {
 public:
  RuntimeListView(QWidget* parent, std::function<void()> reshow)
      : QListView(parent), reshow_(std::move(reshow)) {}

 protected:
  void focusInEvent(QFocusEvent* event) override {
    {
      ShowingScope showing;
      QListView::focusInEvent(event);
    }
    reshow_();
  }

 private:
  std::function<void()> reshow_;
};

class ListView : public ControlView {
 public:
  ListView(ViewHost& host, const ControlState& state)
      : ControlView(host, state),
        frame_(new QWidget(host.canvas())),
        view_(new RuntimeListView(frame_, [this] { host_.Refresh(number_); })) {
    ListFormat format = FormatOf(state);
    model_ = new ListModel(host.window(), number_, format, view_);
    view_->setModel(model_);
    delegate_ = new ColumnDelegate(format, view_);
    view_->setItemDelegate(delegate_);
    // Rows of one height let the view place any row without measuring the
    // ones before it.
    view_->setUniformItemSizes(true);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setTextElideMode(Qt::ElideRight);
    auto* layout = new QVBoxLayout(frame_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (format.headers()) AddHeader(format, layout);
    layout->addWidget(view_);
    frame_->setFocusProxy(view_);
    TagWidget(frame_, number_);
    QObject::connect(view_->selectionModel(),
                     &QItemSelectionModel::currentRowChanged,
                     [this](const QModelIndex& current) {
                       if (!current.isValid()) return;
                       ReportInput([&] {
                         UserChooseEntry(window(), number_, current.row() + 1);
                       });
                     });
    QObject::connect(view_, &QListView::doubleClicked, [this] {
      ReportInput([&] { UserPressKey(window(), kKeyDoubleClick); });
    });
  }
  QWidget* widget() const override { return frame_; }
  int growth() const override { return kGrowAcross | kGrowDown; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    ShowingScope showing;
    model_->Refresh();
    int row = state.choice - 1;
    QModelIndex current = view_->currentIndex();
    if (row >= 0 && row < model_->rowCount()) {
      if (current.row() != row) {
        view_->setCurrentIndex(model_->index(row));
        view_->scrollTo(model_->index(row));
      } else if (!view_->selectionModel()->isSelected(current)) {
        view_->selectionModel()->select(current,
                                        QItemSelectionModel::ClearAndSelect);
      }
    } else if (current.isValid()) {
      view_->selectionModel()->clear();
    }
    ShowVisibleEnabled(frame_, visible, enabled);
  }

 private:
  // Column headers above the rows; columns marked resizable can be dragged
  // wider or narrower.
  void AddHeader(const ListFormat& format, QVBoxLayout* layout) {
    auto* titles = new QStandardItemModel(
        0, static_cast<int>(format.columns.size()), frame_);
    auto* header = new QHeaderView(Qt::Horizontal, frame_);
    header->setModel(titles);
    DialogUnits units(frame_->font());
    for (int i = 0; i < static_cast<int>(format.columns.size()); ++i) {
      const ListColumn& column = format.columns[i];
      titles->setHeaderData(i, Qt::Horizontal, FromRuntime(column.header));
      header->resizeSection(i, units.X(column.width));
      header->setSectionResizeMode(
          i, column.resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
    }
    header->setStretchLastSection(true);
    layout->addWidget(header);
    delegate_->SetHeader(header);
    QObject::connect(header, &QHeaderView::sectionResized,
                     [this] { view_->viewport()->update(); });
  }

  QWidget* frame_;
  QListView* view_;
  ListModel* model_ = nullptr;
  ColumnDelegate* delegate_ = nullptr;
};

}  // namespace

std::unique_ptr<ControlView> MakeListView(ViewHost& host,
                                          const ControlState& state) {
  return std::make_unique<ListView>(host, state);
}

}  // namespace vantrel::qt
