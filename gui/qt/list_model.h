// A list's entries for Qt's views, read from the runtime only for the rows
// a view shows: a list over 100,000 queue entries reads a screenful, not
// 100,000 rows. Rows read are kept until the list is refreshed.
#ifndef VANTREL_GUI_QT_LIST_MODEL_H_
#define VANTREL_GUI_QT_LIST_MODEL_H_

#include <QAbstractListModel>
#include <QHash>
#include <QHeaderView>
#include <QStringList>
#include <QStyledItemDelegate>
#include <cstdint>
#include <vector>

#include "gui/qt/list_format.h"
#include "runtime/data/picture/picture.h"
#include "runtime/window/window_model.h"

namespace vantrel::qt {

class ListModel : public QAbstractListModel {
 public:
  // The texts of every column of a row, a QStringList.
  static constexpr int kColumnsRole = Qt::UserRole + 1;

  ListModel(Window& window, std::int16_t control, ListFormat format,
            QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // The list's entries may have changed: the count is read again and rows
  // are read again when they are shown.
  void Refresh();

  const ListFormat& format() const { return format_; }
  // Rows read from the runtime so far.
  long rows_read() const { return rows_read_; }

 private:
  QStringList Row(int row) const;

  Window& window_;
  std::int16_t control_;
  ListFormat format_;
  std::vector<Picture> pictures_;  // of the columns; invalid: none given
  int count_ = 0;
  mutable QHash<int, QStringList> rows_;
  mutable long rows_read_ = 0;
};

// Draws a row's columns side by side at the widths of the list's format;
// the last column takes the rest of the row.
class ColumnDelegate : public QStyledItemDelegate {
 public:
  ColumnDelegate(ListFormat format, QObject* parent);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
  // Column widths come from the header once the list has one, so that
  // columns the user resizes are drawn at their new width.
  void SetHeader(const QHeaderView* header) { header_ = header; }

 private:
  ListFormat format_;
  const QHeaderView* header_ = nullptr;
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_LIST_MODEL_H_
