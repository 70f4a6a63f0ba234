#include "gui/qt/list_model.h"

#include <QApplication>
#include <QPainter>

#include "gui/qt/dialog_units.h"
#include "gui/qt/text_edge.h"
#include "runtime/window/list_source.h"

namespace vantrel::qt {
namespace {

// Rows kept before the kept rows are dropped; a few screenfuls.
constexpr int kRowsKept = 2000;
// Room between a column's edge and its text, in pixels.
constexpr int kCellPadding = 3;
constexpr int kRowPadding = 4;

QString Trimmed(std::string_view text) {
  return ShowText(text, TextShape::kNumber).text;
}

Qt::Alignment AlignmentOf(Justify justify) {
  switch (justify) {
    case Justify::kLeft:
      return Qt::AlignLeft;
    case Justify::kCenter:
      return Qt::AlignHCenter;
    case Justify::kRight:
    case Justify::kDecimal:
      return Qt::AlignRight;
  }
  return Qt::AlignLeft;
}

}  // namespace

ListModel::ListModel(Window& window, std::int16_t control, ListFormat format,
                     QObject* parent)
    : QAbstractListModel(parent),
      window_(window),
      control_(control),
      format_(std::move(format)) {
  if (format_.columns.empty()) format_.columns.emplace_back();
  for (const ListColumn& column : format_.columns)
    pictures_.push_back(CompilePicture(column.picture));
  if (const ControlState* state = window_.Find(control_))
    count_ = static_cast<int>(ListCount(*state));
}

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= count_) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole && role != kColumnsRole &&
      role != Qt::ToolTipRole)
    return {};
  QStringList row = Row(index.row());
  if (role == kColumnsRole) return row;
  return row.value(0);
}

QStringList ListModel::Row(int row) const {
  if (auto kept = rows_.constFind(row); kept != rows_.constEnd()) return *kept;
  const ControlState* state = window_.Find(control_);
  if (state == nullptr) return {};
  QStringList texts;
  bool plain = format_.columns.size() == 1 && !pictures_[0].valid();
  if (plain) {
    texts << Trimmed(ListEntry(*state, static_cast<std::uint32_t>(row) + 1));
  } else {
    std::vector<std::string> values =
        ListEntryFields(*state, static_cast<std::uint32_t>(row) + 1,
                        static_cast<int>(format_.columns.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
      const Picture& own = pictures_[i];
      const Picture* picture = own.valid() ? &own
                               : i == 0 && state->picture.valid()
                                   ? &state->picture
                                   : nullptr;
      texts << Trimmed(picture != nullptr ? FormatPicture(values[i], *picture)
                                          : values[i]);
    }
  }
  ++rows_read_;
  if (rows_.size() >= kRowsKept) rows_.clear();
  rows_.insert(row, texts);
  return texts;
}

void ListModel::Refresh() {
  const ControlState* state = window_.Find(control_);
  int count = state == nullptr ? 0 : static_cast<int>(ListCount(*state));
  rows_.clear();
  if (count != count_) {
    beginResetModel();
    count_ = count;
    endResetModel();
  } else if (count_ > 0) {
    emit dataChanged(index(0), index(count_ - 1));
  }
}

ColumnDelegate::ColumnDelegate(ListFormat format, QObject* parent)
    : QStyledItemDelegate(parent), format_(std::move(format)) {
  if (format_.columns.empty()) format_.columns.emplace_back();
}

void ColumnDelegate::paint(QPainter* painter,
                           const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  item.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

  QStringList texts = index.data(ListModel::kColumnsRole).toStringList();
  DialogUnits units(option.font);
  bool selected = option.state & QStyle::State_Selected;
  QPalette::ColorGroup group = option.state & QStyle::State_Enabled
                                   ? QPalette::Normal
                                   : QPalette::Disabled;
  painter->save();
  painter->setPen(option.palette.color(
      group, selected ? QPalette::HighlightedText : QPalette::Text));
  int x = option.rect.left();
  for (std::size_t i = 0; i < format_.columns.size(); ++i) {
    const ListColumn& column = format_.columns[i];
    bool last = i + 1 == format_.columns.size();
    int width = last      ? option.rect.right() + 1 - x
                : header_ ? header_->sectionSize(static_cast<int>(i))
                          : units.X(column.width);
    QRect cell(x, option.rect.top(), width, option.rect.height());
    int indent = units.X(column.indent) + kCellPadding;
    QRect text_rect = column.justify == Justify::kLeft
                          ? cell.adjusted(indent, 0, -kCellPadding, 0)
                          : cell.adjusted(kCellPadding, 0, -indent, 0);
    QString text = option.fontMetrics.elidedText(
        texts.value(static_cast<int>(i)), Qt::ElideRight, text_rect.width());
    painter->drawText(text_rect, AlignmentOf(column.justify) | Qt::AlignVCenter,
                      text);
    if (column.right_border && !last) {
      painter->save();
      painter->setPen(option.palette.color(QPalette::Mid));
      painter->drawLine(cell.topRight(), cell.bottomRight());
      painter->restore();
    }
    x += width;
  }
  painter->restore();
}

QSize ColumnDelegate::sizeHint(const QStyleOptionViewItem& option,
                               const QModelIndex&) const {
  // Rows are as wide as the list: the last column takes what is left.
  return QSize(0, option.fontMetrics.height() + kRowPadding);
}

}  // namespace vantrel::qt
