#pragma once
// A read-only table over a vector of rows, each column a header and a function that gives a
// row's text in it. A view asks only for the rows it paints, so a table of 20,000 rows opens
// as fast as one of twenty; and a new kind of row needs only its columns, not a model.

#include <QAbstractTableModel>
#include <QString>
#include <utility>
#include <vector>

namespace shotsweep {

template <typename Row>
struct TableColumn {
  QString header;
  QString (*text)(const Row& row);
};

template <typename Row>
class TableModel : public QAbstractTableModel {
 public:
  TableModel(std::vector<Row> rows, std::vector<TableColumn<Row>> columns, QObject* parent = nullptr)
      : QAbstractTableModel(parent), rows_(std::move(rows)), columns_(std::move(columns)) {}

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    return columns_[static_cast<std::size_t>(index.column())].text(rows_[static_cast<std::size_t>(index.row())]);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    return columns_[static_cast<std::size_t>(section)].header;
  }

 private:
  std::vector<Row> rows_;
  std::vector<TableColumn<Row>> columns_;
};

}  // namespace shotsweep
