#include "gui/widgets/CaseGrid.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPalette>
#include <algorithm>

namespace vorla::gui {

namespace {

constexpr const char* kResultsMark = "\u2713";

// Runs of digits compare as numbers, the rest without regard to case.
int CompareCaseNumbers(const QString& a, const QString& b) {
  qsizetype i = 0;
  qsizetype j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      const qsizetype iStart = i;
      const qsizetype jStart = j;
      while (i < a.size() && a[i].isDigit()) ++i;
      while (j < b.size() && b[j].isDigit()) ++j;
      // Without leading zeros the longer run is the larger number.
      const QStringView x = QStringView(a).mid(iStart, i - iStart);
      const QStringView y = QStringView(b).mid(jStart, j - jStart);
      const auto trimmed = [](QStringView digits) {
        while (digits.size() > 1 && digits.front() == u'0') digits = digits.mid(1);
        return digits;
      };
      const QStringView tx = trimmed(x);
      const QStringView ty = trimmed(y);
      if (tx.size() != ty.size()) return tx.size() < ty.size() ? -1 : 1;
      if (const int order = tx.compare(ty); order != 0) return order;
      continue;
    }
    if (const int order = QStringView(a).mid(i, 1).compare(QStringView(b).mid(j, 1), Qt::CaseInsensitive); order != 0)
      return order;
    ++i;
    ++j;
  }
  return (a.size() - i > 0) - (b.size() - j > 0);
}

}  // namespace

// Case numbers in the order a person expects: "DEMO-9" before "DEMO-10".
// Find narrows the lines to the numbers holding its text, but the page's
// own case always keeps its line, greyed when it does not hold the text.
class CaseNumberOrder final : public QSortFilterProxyModel {
 public:
  explicit CaseNumberOrder(CaseListModel* list, QObject* parent) : QSortFilterProxyModel(parent), list_(list) {
    setSourceModel(list);
  }

  void SetFindText(const QString& text) {
    find_ = text;
    invalidateRowsFilter();
  }
  // The current line may have changed: it keeps its line whatever Find holds.
  void CurrentMoved() {
    if (!find_.isEmpty()) invalidateRowsFilter();
  }
  const QString& FindText() const { return find_; }
  bool Holds(int line) const {
    return find_.isEmpty() ||
           list_->index(line, CaseListModel::NameColumn).data().toString().contains(find_, Qt::CaseInsensitive);
  }

  QVariant data(const QModelIndex& index, int role) const override {
    const int line = mapToSource(index).row();
    if (!Holds(line)) {
      if (role == Qt::ForegroundRole) return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
      if (role == Qt::ToolTipRole && index.column() == CaseListModel::NameColumn)
        return QSortFilterProxyModel::data(index, role).toString() +
               QStringLiteral("\nThe case shown; its number does not hold \u201C%1\u201D").arg(find_);
    }
    return QSortFilterProxyModel::data(index, role);
  }

 protected:
  bool filterAcceptsRow(int line, const QModelIndex& /*parent*/) const override {
    return line == list_->CurrentLine() || Holds(line);
  }
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
    const int order = CompareCaseNumbers(left.data().toString(), right.data().toString());
    return order != 0 ? order < 0 : left.row() < right.row();  // equal numbers stay in key order
  }

 private:
  CaseListModel* list_;
  QString find_;
};

void CaseListModel::Sync(const CaseTable& table, bool reread) {
  if (!table.IsOpen()) {
    beginResetModel();
    keys_.clear();
    names_.clear();
    results_.clear();
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
  const QString currentName = QString::fromStdString(table.FieldAsText("SKELETON_NAME"));
  const bool currentResults = !table.FieldIsNull("RES_ALL_MAX_LIKELIHOOD");
  // A new row started, stored or dropped changes one line only.
  if (!reread && inserting && !new_row_ && stored == keys_.size()) {
    beginInsertRows({}, static_cast<int>(keys_.size()), static_cast<int>(keys_.size()));
    new_row_ = true;
    new_name_ = currentName;
    endInsertRows();
  } else if (!reread && !inserting && new_row_ && stored == keys_.size() + 1 && recNo == static_cast<int>(stored) &&
             (keys_.empty() || currentKey > keys_.back())) {
    keys_.push_back(currentKey);
    names_.push_back(currentName);
    results_.push_back(currentResults);
    new_row_ = false;
  } else if (!reread && !inserting && new_row_ && stored == keys_.size()) {
    beginRemoveRows({}, static_cast<int>(keys_.size()), static_cast<int>(keys_.size()));
    new_row_ = false;
    endRemoveRows();
  }
  bool reload = reread || stored != keys_.size() || inserting != new_row_;
  if (!reload && recNo > 0 && keys_[static_cast<std::size_t>(recNo - 1)] != currentKey) reload = true;
  if (reload) {
    beginResetModel();
    keys_.clear();
    names_.clear();
    results_.clear();
    const auto filter =
        table.Filtered() ? std::optional<std::string>(table.FieldAsText("SKELETON_NAME")) : std::nullopt;
    table.ForEachListEntry([&](const CaseTable::ListEntry& entry) {
      if (filter && entry.name != *filter) return;
      keys_.push_back(entry.key);
      names_.push_back(QString::fromStdString(entry.name));
      results_.push_back(entry.hasResults);
    });
    new_row_ = inserting;
    new_name_ = inserting ? currentName : QString();
    current_ = inserting ? static_cast<int>(keys_.size()) : recNo - 1;
    if (current_ >= 0 && current_ < static_cast<int>(keys_.size()))
      results_[static_cast<std::size_t>(current_)] = currentResults;
    endResetModel();
    return;
  }
  const int before = current_;
  current_ = inserting ? static_cast<int>(keys_.size()) : recNo - 1;
  if (inserting) {
    new_name_ = currentName;
  } else if (current_ >= 0) {
    names_[static_cast<std::size_t>(current_)] = currentName;
    results_[static_cast<std::size_t>(current_)] = currentResults;
  }
  if (current_ >= 0) emit dataChanged(index(current_, NameColumn), index(current_, ResultsColumn));
  if (before != current_) {
    if (before >= 0) emit headerDataChanged(Qt::Vertical, before, before);
    if (current_ >= 0) emit headerDataChanged(Qt::Vertical, current_, current_);
  }
}

std::int64_t CaseListModel::KeyAt(int line) const {
  if (line < 0 || line >= static_cast<int>(keys_.size())) return -1;
  return keys_[static_cast<std::size_t>(line)];
}

int CaseListModel::WithResultsCount() const {
  return static_cast<int>(std::count(results_.begin(), results_.end(), true));
}

int CaseListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(keys_.size()) + (new_row_ ? 1 : 0);
}

int CaseListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant CaseListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto line = static_cast<std::size_t>(index.row());
  const bool stored = line < names_.size();
  if (index.column() == ResultsColumn) {
    const bool results = stored && results_[line];
    if (role == Qt::DisplayRole) return results ? QString::fromUtf8(kResultsMark) : QString();
    if (role == Qt::ToolTipRole)
      return results ? QStringLiteral("Results stored") : QStringLiteral("No results stored");
    if (role == Qt::TextAlignmentRole) return Qt::AlignCenter;
    return {};
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const QString name = stored ? names_[line] : new_name_;
  // The whole number where the column cuts it.
  if (role == Qt::ToolTipRole) return stored ? name + QStringLiteral("  (SKELETON_ID %1)").arg(keys_[line]) : name;
  return name;
}

QVariant CaseListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return section == NameColumn ? QStringLiteral("Skeleton id-no.") : QString();
  if (section != current_) return QString();
  return new_row_ && section == static_cast<int>(keys_.size()) ? QStringLiteral("*") : QStringLiteral("\u25B6");
}

CaseGrid::CaseGrid(QWidget* parent)
    : QTableView(parent), model_(new CaseListModel(this)), view_(new CaseNumberOrder(model_, this)) {
  setModel(view_);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  setTabKeyNavigation(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(18);
  verticalHeader()->setFixedWidth(14);
  // The numbers take the width the list has; the results mark a narrow column.
  horizontalHeader()->setSectionResizeMode(CaseListModel::NameColumn, QHeaderView::Stretch);
  horizontalHeader()->setSectionResizeMode(CaseListModel::ResultsColumn, QHeaderView::Fixed);
  horizontalHeader()->resizeSection(CaseListModel::ResultsColumn, 22);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setToolTip(QStringLiteral("Click to sort by case number"));
  // Key order until the person sorts by a click on the header.
  horizontalHeader()->setSortIndicatorShown(true);
  horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  setSortingEnabled(true);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) {
            if (syncing_ || !current.isValid()) return;
            const int line = view_->mapToSource(current).row();
            if (line == model_->CurrentLine()) return;
            emit rowPicked(model_->KeyAt(line));
          });
}

void CaseGrid::Sync(const CaseTable& table, bool reread) {
  syncing_ = true;
  model_->Sync(table, reread);
  view_->CurrentMoved();
  ShowCurrentLine();
  syncing_ = false;
}

void CaseGrid::SetFindText(const QString& text) {
  syncing_ = true;
  view_->SetFindText(text);
  ShowCurrentLine();
  syncing_ = false;
}

int CaseGrid::Shown() const {
  return view_->rowCount();
}

int CaseGrid::Matching() const {
  int count = 0;
  for (int line = 0; line < view_->rowCount(); ++line)
    if (view_->Holds(view_->mapToSource(view_->index(line, 0)).row())) ++count;
  return count;
}

bool CaseGrid::CurrentMatches() const {
  return model_->CurrentLine() < 0 || view_->Holds(model_->CurrentLine());
}

std::optional<std::int64_t> CaseGrid::FirstMatchingKey() const {
  for (int line = 0; line < view_->rowCount(); ++line) {
    const int source = view_->mapToSource(view_->index(line, 0)).row();
    if (view_->Holds(source)) return model_->KeyAt(source);
  }
  return std::nullopt;
}

std::int64_t CaseGrid::KeyAtShownLine(int line) const {
  return model_->KeyAt(view_->mapToSource(view_->index(line, 0)).row());
}

void CaseGrid::ShowCurrentLine() {
  const QModelIndex shown = view_->mapFromSource(model_->index(model_->CurrentLine(), 0));
  if (shown.isValid()) {
    selectionModel()->setCurrentIndex(shown, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(shown);
  } else {
    // No line is current, so that a click on any shown line picks it.
    selectionModel()->clear();
  }
}

}  // namespace vorla::gui
