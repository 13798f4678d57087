#include "gui/CaseHistoryDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/TAForm2.h"
#include "gui/UserInteraction.h"

namespace vorla::gui {

CaseHistoryDialog::CaseHistoryDialog(const QString& caseTitle, std::vector<HistoryLine> lines, UserInteraction& ui,
                                     QWidget* parent)
    : QDialog(parent), ui_(ui), title_(caseTitle) {
  setObjectName(QStringLiteral("CaseHistoryDialog"));
  setWindowTitle(QStringLiteral("History of This Case"));
  auto* layout = new QVBoxLayout(this);
  auto* caption = new QLabel(caseTitle, this);
  layout->addWidget(caption);

  // The server's user name has a column only where a line names one.
  const bool server =
      std::any_of(lines.begin(), lines.end(), [](const HistoryLine& l) { return !l.serverUser.empty(); });
  QStringList headers = {QStringLiteral("Time (UTC)"), QStringLiteral("Analyst"), QStringLiteral("Program")};
  if (server) headers << QStringLiteral("Server user");
  headers << QStringLiteral("Change") << QStringLiteral("Field") << QStringLiteral("Old value")
          << QStringLiteral("New value");
  table_ = new QTableWidget(static_cast<int>(lines.size()), static_cast<int>(headers.size()), this);
  table_->setObjectName(QStringLiteral("HistoryTable"));
  table_->setHorizontalHeaderLabels(headers);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
    const HistoryLine& line = lines[static_cast<std::size_t>(r)];
    std::vector<const std::string*> cells = {&line.time, &line.analyst, &line.program};
    if (server) cells.push_back(&line.serverUser);
    for (const std::string* cell : {&line.change, &line.field, &line.oldValue, &line.newValue}) cells.push_back(cell);
    for (int c = 0; c < static_cast<int>(cells.size()); ++c)
      table_->setItem(r, c, new QTableWidgetItem(QString::fromStdString(*cells[static_cast<std::size_t>(c)])));
  }
  table_->resizeColumnsToContents();
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table_);
  if (lines.empty()) layout->addWidget(new QLabel(QStringLiteral("No change of this case is recorded."), this));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  copy_ = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
  copy_->setEnabled(!lines.empty());
  connect(copy_, &QPushButton::clicked, this, &CaseHistoryDialog::CopyClick);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(980, 420);
}

QString CaseHistoryDialog::TableText() const {
  QStringList out;
  QStringList cells;
  for (int c = 0; c < table_->columnCount(); ++c) cells << table_->horizontalHeaderItem(c)->text();
  out << cells.join(QLatin1Char('\t'));
  for (int r = 0; r < table_->rowCount(); ++r) {
    cells.clear();
    for (int c = 0; c < table_->columnCount(); ++c) {
      // A line break or tab inside a value would split the copied table.
      QString text = table_->item(r, c)->text();
      text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
      cells << text;
    }
    out << cells.join(QLatin1Char('\t'));
  }
  return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void CaseHistoryDialog::CopyClick() {
  ui_.SetClipboardText(title_ + QLatin1Char('\n') + TableText());
}

void TTAForm2::CaseHistoryClick() {
  if (!TATable.IsOpen()) return;
  if (TATable.State() == CaseTable::RowState::Insert || TATable.RecNo() == 0) {
    ShowMessage(MessageKind::Information, "This case is not stored yet, so it has no history.");
    return;
  }
  const std::int64_t key = TATable.FieldAsInteger("SKELETON_ID");
  std::vector<HistoryLine> lines;
  TATable.ForEachHistoryLine(key, [&lines](const HistoryLine& line) { lines.push_back(line); });
  std::reverse(lines.begin(), lines.end());  // newest first
  const std::string name = TATable.FieldIsNull("SKELETON_NAME") ? std::string() : TATable.FieldAsText("SKELETON_NAME");
  const QString title = QStringLiteral("Case %1 (SKELETON_ID %2), newest change first")
                            .arg(name.empty() ? QStringLiteral("without a case number")
                                              : QStringLiteral("\"%1\"").arg(QString::fromStdString(name)))
                            .arg(key);
  CaseHistoryDialog dialog(title, std::move(lines), ui_, this);
  ui_.RunDialog(&dialog);
}

}  // namespace vorla::gui
