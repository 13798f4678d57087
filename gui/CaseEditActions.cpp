// Finding, deleting and reverting a case, and the count of cases in the
// status bar.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "gui/TAForm2.h"
#include "gui/widgets/CaseGrid.h"

namespace vorla::gui {

namespace {

// The case number as a message names it.
std::string CaseNamed(const CaseTable& table) {
  const std::string name = table.FieldIsNull("SKELETON_NAME") ? std::string() : table.FieldAsText("SKELETON_NAME");
  return name.empty() ? std::string("without a case number") : "\"" + name + "\"";
}

}  // namespace

void TTAForm2::FindCaseClick() {
  PageControl1->setCurrentWidget(DataEntrySheet);
  FindBox->setFocus(Qt::ShortcutFocusReason);
  FindBox->selectAll();
}

void TTAForm2::DeleteCaseClick() {
  if (!TATable.IsOpen()) return;
  DataSourceSkeleton.UpdateRecord();
  const bool stored = TATable.State() != CaseTable::RowState::Insert && TATable.RecNo() > 0;
  if (!stored && !TATable.Modified()) return;  // nothing to delete
  const std::string question = stored ? "Delete the case " + CaseNamed(TATable) + " (SKELETON_ID " +
                                            std::to_string(TATable.FieldAsInteger("SKELETON_ID")) +
                                            ") and its results from the case table?\nThis cannot be undone."
                                      : "Discard the new case " + CaseNamed(TATable) + ", which is not stored yet?";
  if (!ui_.AskYesNo(QString::fromStdString(question))) return;
  TATable.DeleteCurrent();
  DataSourceSkeleton.RefreshAll();
  SyncRowControls();
}

void TTAForm2::RevertCaseClick() {
  if (!TATable.IsOpen()) return;
  // Back to the row as last stored; a new row is dropped.
  const bool inserting = TATable.State() == CaseTable::RowState::Insert;
  DataSourceSkeleton.Cancel();
  if (inserting) TATableAfterScroll();  // back on the row the new one was started from
  ButtonResetClick();
  ShowCurrentRowResults();
}

void TTAForm2::FollowOtherWriters() {
  if (!TATable.IsOpen() || QApplication::activeModalWidget() != nullptr) return;
  // What is being typed stays on screen; its post meets the other change.
  const bool typing = DataSourceSkeleton.HasPendingEdits();
  try {
    if (!TATable.FollowOtherWriters(typing)) return;
  } catch (const StoreError&) {
    return;  // a database held by another writer right now: the next look
  }
  DBGrid1->Sync(TATable, true);
  SyncRowControls();
  if (typing || TATable.Modified()) return;
  DataSourceSkeleton.RefreshAll();
  ShowCurrentRowResults();
}

void TTAForm2::UpdateCaseCount() {
  if (!TATable.IsOpen()) {
    CaseCountLabel->setText(QStringLiteral("No case table open"));
    return;
  }
  const CaseListModel& list = *DBGrid1->Model();
  QString text = QStringLiteral("%1 case(s), %2 with results").arg(list.StoredCount()).arg(list.WithResultsCount());
  if (!FindBox->text().isEmpty()) {
    const int found = DBGrid1->Matching();
    text += found > 0 ? QStringLiteral("; %1 shown").arg(found)
                      : QStringLiteral("; no case number holds \u201C%1\u201D").arg(FindBox->text());
  }
  CaseCountLabel->setText(text);
}

}  // namespace vorla::gui
