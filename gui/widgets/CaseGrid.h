#pragma once
// The case list: the case numbers, one line per stored row in key order (and
// the new row at the end while one is being entered), with a marker at the
// current row and a mark at the rows that hold results. It can be sorted by
// case number and narrowed to the numbers holding a text; the current row
// keeps its line even then. Picking a line asks for that row.
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <cstdint>
#include <optional>
#include <vector>

#include "store/CaseTable.h"

namespace vorla::gui {

class CaseListModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { NameColumn, ResultsColumn };
  explicit CaseListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // Follows the table: reads the stored rows' numbers again when rows were
  // added or removed (or when told to: another connection wrote them),
  // otherwise only the current row's line and the marker.
  void Sync(const CaseTable& table, bool reread = false);
  // The key of a line; -1 for the new row.
  std::int64_t KeyAt(int line) const;
  int CurrentLine() const { return current_; }
  int StoredCount() const { return static_cast<int>(keys_.size()); }
  int WithResultsCount() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<std::int64_t> keys_;
  std::vector<QString> names_;
  std::vector<bool> results_;
  bool new_row_ = false;
  QString new_name_;
  int current_ = -1;
};

class CaseNumberOrder;

class CaseGrid final : public QTableView {
  Q_OBJECT
 public:
  explicit CaseGrid(QWidget* parent = nullptr);
  CaseListModel* Model() const { return model_; }
  void Sync(const CaseTable& table, bool reread = false);
  // Shows only the lines whose case number holds the text (without regard
  // to case), and the current row's; an empty text shows every line.
  void SetFindText(const QString& text);
  // The lines shown.
  int Shown() const;
  // The lines shown whose case number holds the text.
  int Matching() const;
  // Whether the current row's case number holds the text (true without a current row).
  bool CurrentMatches() const;
  // The key of the first line in the list's order whose number holds the
  // text (-1 for the new row); none when no line does.
  std::optional<std::int64_t> FirstMatchingKey() const;
  // The key of the shown line; -1 for the new row or none.
  std::int64_t KeyAtShownLine(int line) const;

 signals:
  // The person picked the line of the row with this key (-1: the new row).
  void rowPicked(std::int64_t key);

 private:
  void ShowCurrentLine();

  CaseListModel* model_;
  CaseNumberOrder* view_;
  bool syncing_ = false;
};

}  // namespace vorla::gui
