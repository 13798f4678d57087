#include "gui/widgets/CaseGrid.h"

#include <QHeaderView>

#include "store/Schema.h"

namespace vorla::gui {

void CaseListModel::Sync(const CaseTable& table) {
  if (!table.IsOpen()) {
    beginResetModel();
    keys_.clear();
    names_.clear();
    new_row_ = false;
    current_ = -1;
    endResetModel();
    return;
  }
  const bool inserting = table.State() == CaseTable::RowState::Insert;
  const std::size_t stored = static_cast<std::size_t>(table.RecordCount());
  const int recNo = table.RecNo();
  const std::int64_t currentKey =
      inserting || table.FieldIsNull("SKELETON_ID") ? -1 : table.FieldAsInteger("SKELETON_ID");
  bool reload = stored != keys_.size() || inserting != new_row_;
  if (!reload && recNo > 0 && keys_[static_cast<std::size_t>(recNo - 1)] != currentKey) reload = true;
  const QString currentName = QString::fromStdString(table.FieldAsText("SKELETON_NAME"));
  if (reload) {
    beginResetModel();
    keys_.clear();
    names_.clear();
    const int nameIndex = FindCaseField(kNameField);
    const auto filter =
        table.Filtered() ? std::optional<std::string>(table.FieldAsText("SKELETON_NAME")) : std::nullopt;
    table.ForEachStoredRow([&](const std::vector<FieldValue>& row) {
      const auto* key = std::get_if<std::int64_t>(&row[0]);
      const auto* name = std::get_if<std::string>(&row[static_cast<std::size_t>(nameIndex)]);
      const std::string text = name ? *name : std::string();
      if (!key || (filter && text != *filter)) return;
      keys_.push_back(*key);
      names_.push_back(QString::fromStdString(text));
    });
    new_row_ = inserting;
    new_name_ = inserting ? currentName : QString();
    current_ = inserting ? static_cast<int>(keys_.size()) : recNo - 1;
    endResetModel();
    return;
  }
  const int before = current_;
  current_ = inserting ? static_cast<int>(keys_.size()) : recNo - 1;
  if (inserting) {
    new_name_ = currentName;
  } else if (current_ >= 0 && names_[static_cast<std::size_t>(current_)] != currentName) {
    names_[static_cast<std::size_t>(current_)] = currentName;
  }
  if (current_ >= 0) emit dataChanged(index(current_, 0), index(current_, 0));
  if (before != current_) {
    if (before >= 0) emit headerDataChanged(Qt::Vertical, before, before);
    if (current_ >= 0) emit headerDataChanged(Qt::Vertical, current_, current_);
  }
}

std::int64_t CaseListModel::KeyAt(int line) const {
  if (line < 0 || line >= static_cast<int>(keys_.size())) return -1;
  return keys_[static_cast<std::size_t>(line)];
}

int CaseListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(keys_.size()) + (new_row_ ? 1 : 0);
}

int CaseListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 1;
}

QVariant CaseListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  if (index.row() < static_cast<int>(names_.size())) return names_[static_cast<std::size_t>(index.row())];
  return new_name_;
}

QVariant CaseListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return QStringLiteral("Skeleton id-no.");
  if (section != current_) return QString();
  return new_row_ && section == static_cast<int>(keys_.size()) ? QStringLiteral("*") : QStringLiteral("\u25B6");
}

CaseGrid::CaseGrid(QWidget* parent) : QTableView(parent), model_(new CaseListModel(this)) {
  setModel(model_);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  setTabKeyNavigation(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(18);
  verticalHeader()->setFixedWidth(14);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  setColumnWidth(0, 183);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) {
            if (syncing_ || !current.isValid() || current.row() == model_->CurrentLine()) return;
            emit rowPicked(model_->KeyAt(current.row()));
          });
}

void CaseGrid::Sync(const CaseTable& table) {
  syncing_ = true;
  const int oldWidth = columnWidth(0);
  model_->Sync(table);
  setColumnWidth(0, oldWidth > 0 ? oldWidth : 183);
  const int line = model_->CurrentLine();
  if (line >= 0) {
    selectionModel()->setCurrentIndex(model_->index(line, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(model_->index(line, 0));
  } else {
    selectionModel()->clearSelection();
  }
  syncing_ = false;
}

}  // namespace vorla::gui
