// The analysis page and the printed report show the current row's own
// results and nothing of another case: after moving to another row, after
// its scores change, for a case number another row shares, at any level and
// after a rescaled chart.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbLabel.h"
#include "gui/widgets/DbMemo.h"
#include "gui/widgets/Navigator.h"
#include "store/CaseTable.h"
#include "store/Schema.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

std::string Field(const std::vector<std::string>& row, const char* name) {
  return row[static_cast<std::size_t>(FindCaseField(name))];
}

QString OneDecimal(const std::string& stored) {
  return QString::number(std::stod(stored), 'f', 1);
}

// A: every trait at stages 1-2; B: the pubic symphysis at 3-4, other choices.
std::vector<SeedRow> TwoCases() {
  return {{"Case A", "Male", "White", "Forensic", AllScores("1", "2")},
          {"Case B", "Female", "Black", "Archeological", ComplexScores(1, "3", "4")}};
}

void ToRow(TTAForm2& f, Navigator::Button button) {
  Controls(f).PageControl1->setCurrentWidget(Controls(f).DataEntrySheet);
  f.NavigatorClick(button);
}

// The grid's value cells of the estimate rows hold no number.
bool GridValuesEmpty(const TTAForm2& f) {
  for (int r = 1; r < 6; ++r)
    for (int c = 1; c < 7; ++c)
      for (const QChar ch : f.ResultCell(c, r))
        if (ch.isDigit()) return false;
  return true;
}

}  // namespace

class CurrentRowTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  // Analyse A, move to B: the page, the grid, the chart and the report hold
  // B's own results or its "not analysed" state, never A's.
  void anotherRowNeverShowsTheFirstRowsResults() {
    CaseFolder folder;
    folder.Seed(TwoCases());
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QVERIFY(Controls(f).ResultsNote->isHidden());
    const auto a = StoredRow(folder.Path(), 1);
    QCOMPARE(f.ResultCell(3, 1), OneDecimal(Field(a, "RES_ALLCOR_UPPER95P_CONF")));

    ToRow(f, Navigator::Next);
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("Case B"));
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    QCOMPARE(f.ShownResultsState(), StoredState::None);
    QVERIFY(!Controls(f).ResultsNote->isHidden());
    QCOMPARE(Controls(f).ResultsNote->text(), QString::fromLatin1(NotAnalysedNote));
    QCOMPARE(f.ResultCell(0, 0), QStringLiteral("Case B"));
    QVERIFY(GridValuesEmpty(f));
    QVERIFY(Controls(f).AgeBarChart->Data().Items.empty());
    QVERIFY(Controls(f).BarGraphPanel->isHidden());
    QVERIFY(Controls(f).MathGrid1->isHidden());
    QVERIFY(Controls(f).pvaluncorr->text().trimmed().isEmpty());
    // "Graph Type" has nothing of B's to draw and draws nothing of A's.
    Controls(f).ShowBarPlotButt->click();
    QVERIFY(Controls(f).BarGraphPanel->isHidden() && Controls(f).MathGrid1->isHidden());

    // Print Report analyses B first; the page carries B's own estimates.
    w.ui.previewPdf = QString::fromStdString(folder.Path()) + QStringLiteral("b.pdf");
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(w.ui.previews, 1);
    const auto b = StoredRow(folder.Path(), 2);
    QVERIFY(!Field(b, "RES_ALLCOR_MAX_LIKELIHOOD").empty());
    QVERIFY(Field(b, "RES_ALLCOR_MAX_LIKELIHOOD") != Field(a, "RES_ALLCOR_MAX_LIKELIHOOD"));
    const QString page = PdfText(w.ui.previewPdf);
    QVERIFY2(page.contains(QStringLiteral("Case B")), qPrintable(page));
    QVERIFY(!page.contains(QStringLiteral("Case A")));
    QVERIFY(page.contains(OneDecimal(Field(b, "RES_ALLCOR_MAX_LIKELIHOOD"))));
    QVERIFY(page.contains(OneDecimal(Field(b, "RES_ALLCOR_UPPER95P_CONF"))));
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("Case B"));
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QCOMPARE(Controls(f).AgeBarChart->Data().Items.front().Left, std::stod(Field(b, "RES_ALLCOR_LOW95P_CONF")));

    // Back to A: its own stored results, still current, with its own bars.
    ToRow(f, Navigator::Prior);
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QCOMPARE(f.ResultCell(0, 0), QStringLiteral("Case A"));
    QCOMPARE(f.ResultCell(3, 1), OneDecimal(Field(a, "RES_ALLCOR_UPPER95P_CONF")));
    QCOMPARE(f.ResultCell(0, 5), QStringLiteral("Auricular Area"));
    QCOMPARE(Controls(f).AgeBarChart->Data().Items.size(), std::size_t{5});
    QCOMPARE(Controls(f).AgeBarChart->Data().Items.front().Left, std::stod(Field(a, "RES_ALLCOR_LOW95P_CONF")));
    QVERIFY(!Controls(f).BarGraphPanel->isHidden());
    QVERIFY(w.ui.messages.empty());
  }

  // Another program analyses and imports in the same folder while a note is
  // being typed: the window takes their rows, keeps the note, and asks before
  // its stale row could overwrite their results.
  void anotherProgramsRowsReachTheWindowAndNoEditIsLost() {
    CaseFolder folder;
    folder.Seed(TwoCases());
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).DBMemo1->setFocus();
    TypeInto(Controls(f).DBMemo1, "note");
    CaseTable other;
    other.Open(folder.Path());
    other.Edit();
    other.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 41.5);
    other.Post();
    for (const char* name : {"Case C", "Case D"}) {
      other.Append();
      other.SetFieldText("SKELETON_NAME", name);
      other.Post();
    }
    other.Close();
    f.FollowOtherWriters();
    QVERIFY2(Controls(f).CaseCountLabel->text().startsWith("4 case(s)"),
             qPrintable(Controls(f).CaseCountLabel->text()));
    QCOMPARE(Controls(f).DBMemo1->toPlainText(), QStringLiteral("note"));

    // Leaving the case asks; keeping on stores nothing and keeps the note.
    w.ui.nextAnswers = {false, false};
    Controls(f).DBNavigator1->ButtonAt(Navigator::Next)->click();
    QCOMPARE(w.ui.questions.size(), std::size_t{2});
    QVERIFY2(w.ui.questions[0].startsWith("This case was changed by another user at "), qPrintable(w.ui.questions[0]));
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("Case A"));
    QCOMPARE(Controls(f).DBMemo1->toPlainText(), QStringLiteral("note"));
    QCOMPARE(Field(StoredRow(folder.Path(), 1), "RES_ALL_MAX_LIKELIHOOD"), std::string("41.5"));
    QVERIFY(Field(StoredRow(folder.Path(), 1), "TA_Notes").empty());

    // Reloading shows their results; nothing of theirs was overwritten.
    w.ui.nextAnswers = {true};
    Controls(f).DBNavigator1->ButtonAt(Navigator::Next)->click();
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("Case B"));
    QCOMPARE(Field(StoredRow(folder.Path(), 1), "RES_ALL_MAX_LIKELIHOOD"), std::string("41.5"));
  }

  // The shipped set is a demonstration: both pages say so, and so does the
  // page printed from the window; results that another set made are not
  // shown as current.
  void aDemonstrationSetIsMarkedAndResultsOfAnotherSetAreOutOfDate() {
    CaseFolder folder;
    folder.Seed(TwoCases());
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY(Controls(f).DemonstrationBand->isVisible());
    QCOMPARE(Controls(f).DemonstrationBand->text(), QStringLiteral("DEMONSTRATION PARAMETER SET: NOT FOR CASEWORK"));
    const ReportContent report = f.ReportFromCurrentRow();
    QVERIFY(report.provenance.demonstration);
    QVERIFY2(report.provenance.setLine.startsWith("Parameter set: Parameters.dat, \"0.11"),
             qPrintable(report.provenance.setLine));
    QCOMPARE(f.ShownResultsState(), StoredState::Current);

    CaseTable other;
    other.Open(folder.Path());
    other.Edit();
    other.SetFieldText("RES_PARAM_SHA256", std::string(64, 'b'));
    other.Post();
    other.Close();
    f.FollowOtherWriters();
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    QCOMPARE(f.ShownResultsState(), StoredState::OtherSet);
    QCOMPARE(Controls(f).ResultsNote->text(), QString::fromLatin1(OtherSetNote));
  }

  // Scores changed after the analysis: the page says so and shows no number
  // and no chart; copying refuses; the report asks to analyse the row again
  // before it prints.
  void changedScoresAreNotShownAsCurrent() {
    CaseFolder folder;
    folder.Seed(TwoCases());
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    const auto before = StoredRow(folder.Path(), 1);

    Controls(f).PageControl1->setCurrentWidget(Controls(f).DataEntrySheet);
    f.DataSourceSkeleton.Edit();
    f.DataSourceSkeleton.SetFieldInteger("PUB_RELIEF_L_LOW", 5);
    f.DataSourceSkeleton.SetFieldInteger("PUB_RELIEF_L_UPPER", 6);
    f.DataSourceSkeleton.Post();
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    QCOMPARE(f.ShownResultsState(), StoredState::Outdated);
    QCOMPARE(Controls(f).ResultsNote->text(), QString::fromLatin1(OutdatedNote));
    QVERIFY(Controls(f).BarGraphPanel->isHidden());
    QVERIFY(GridValuesEmpty(f));
    QCOMPARE(f.ResultCell(0, 1), QStringLiteral("Corrected"));
    QVERIFY(Controls(f).pvaluncorr->text().isEmpty());
    w.ui.clipboardText = QStringLiteral("before");
    for (QPushButton* refusing : {Controls(f).CopyResTextButt, Controls(f).ButtonCopyGraph, Controls(f).SaveGraphButt})
      refusing->click();
    QCOMPARE(w.ui.clipboardText, QStringLiteral("before"));
    QCOMPARE(w.ui.clipboardDataCount, 0);
    QVERIFY(w.ui.saveDialogs.empty());
    QCOMPARE(w.ui.Texts(), (QStringList{QStringLiteral("The results were not copied.\n") + OutdatedNote,
                                        QStringLiteral("The graph was not copied.\n") + OutdatedNote,
                                        QStringLiteral("The graph was not saved.\n") + OutdatedNote}));
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Warning);

    // Printing asks first; no, and nothing is stored or printed.
    const std::size_t asked = w.ui.questions.size();
    const auto edited = StoredRow(folder.Path(), 1);
    w.ui.nextAnswers = {false};
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(w.ui.questions.size(), asked + 1);
    QVERIFY2(w.ui.questions.back().endsWith("Analyze first?"), qPrintable(w.ui.questions.back()));
    QCOMPARE(w.ui.previews, 0);
    QCOMPARE(StoredRow(folder.Path(), 1), edited);
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(w.ui.previews, 1);
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QVERIFY(StoredRow(folder.Path(), 1) != before);

    // A case Analyze refuses is not printed at all.
    w.ui.Clear();
    f.DataSourceSkeleton.Edit();
    f.DataSourceSkeleton.SetFieldText("SEX", "");
    f.DataSourceSkeleton.Post();
    f.ButtonResetClick();
    Controls(f).PageControl1->setCurrentWidget(Controls(f).DataEntrySheet);
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(w.ui.previews, 1);
    QCOMPARE(w.ui.Texts().size(), 2);
    QCOMPARE(w.ui.Texts()[0], QString::fromLatin1(NoSexMessage));
    QVERIFY(w.ui.Texts()[1].startsWith(QStringLiteral("No report was printed")));
  }

  // A case number another row has: a warning naming that row; the report
  // prints the row on screen, by its key, and stays on it.
  void sharedCaseNumber() {
    CaseFolder folder;
    folder.Seed(TwoCases());
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnNew->click();
    TypeInto(Controls(f).DBEdit4, QStringLiteral("Case A"));
    Controls(f).UseCranDataCB->setFocus(Qt::TabFocusReason);
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QVERIFY(w.ui.messages[0].text.contains(QStringLiteral("\"Case A\" (SKELETON_ID 1)")));
    // Leaving the box again without typing says nothing more.
    Controls(f).DBEdit4->setFocus(Qt::TabFocusReason);
    Controls(f).UseCranDataCB->setFocus(Qt::TabFocusReason);
    QCOMPARE(w.ui.messages.size(), std::size_t{1});

    f.DataSourceSkeleton.UpdateRecord();
    f.DataSourceSkeleton.Post();
    const std::int32_t id = f.DataSourceSkeleton.FieldAsInteger("SKELETON_ID");
    QCOMPARE(id, 3);
    f.DataSourceSkeleton.Edit();
    for (const auto& [field, value] : ComplexScores(2, "2", "3")) f.DataSourceSkeleton.SetFieldText(field, value);
    f.DataSourceSkeleton.SetFieldText("SEX", "Male");
    f.DataSourceSkeleton.SetFieldText("RACE", "Unknown");
    f.DataSourceSkeleton.SetFieldText("HAZARDFUNC", "Forensic");
    f.DataSourceSkeleton.Post();
    f.ButtonResetClick();

    std::int32_t printedKey = 0;
    QString printedScore;
    w.ui.duringPreview = [&] {
      printedKey = f.TATable.FieldAsInteger("SKELETON_ID");
      printedScore = QString::fromStdString(f.TATable.FieldAsText("AUR_MORSUP_L_LOW"));
    };
    w.ui.Clear();
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(w.ui.previews, 1);
    QCOMPARE(printedKey, id);
    QCOMPARE(printedScore, QStringLiteral("2"));
    QVERIFY(!f.TATable.Filtered());
    QCOMPARE(f.TATable.FieldAsInteger("SKELETON_ID"), id);
    QVERIFY(Field(StoredRow(folder.Path(), 1), "RES_ALL_MAX_LIKELIHOOD").empty());  // A untouched
  }

  // The heads and the caption name the level the shown limits were computed at.
  void levelLabelsFollowTheShownResults() {
    CaseFolder folder;
    folder.Seed(TwoCases());
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();  // A at 95
    ToRow(f, Navigator::Next);
    Controls(f).ProbabilityButtons->button(2)->click();  // B at 99
    QCOMPARE(Field(StoredRow(folder.Path(), 2), "RES_CI_LEVEL"), std::string("99"));
    QCOMPARE(f.ResultCell(1, 0), QStringLiteral(" L_99% "));
    QCOMPARE(f.ResultCell(3, 0), QStringLiteral(" U_99% "));
    QCOMPARE(Controls(f).AgeBarChart->Data().AxisCaption, QStringLiteral("Estimated Age with 99% CI"));
    const ReportContent report = f.ReportFromCurrentRow();
    QCOMPARE(report.cells[0][1].text, QStringLiteral(" L_99% "));
    QCOMPARE(report.chart.AxisCaption, QStringLiteral("Estimated Age with 99% CI"));

    // A, shown while 99 is chosen, keeps the level of its own limits.
    ToRow(f, Navigator::Prior);
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QCOMPARE(f.ResultCell(1, 0), QStringLiteral(" L_95% "));
    QCOMPARE(Controls(f).AgeBarChart->Data().AxisCaption, QStringLiteral("Estimated Age with 95% CI"));
    // Printing it at 99 analyses it again at 99 first.
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(Field(StoredRow(folder.Path(), 1), "RES_CI_LEVEL"), std::string("99"));
    QCOMPARE(f.ResultCell(1, 0), QStringLiteral(" L_99% "));

    // Results stored before the level was recorded.
    f.DataSourceSkeleton.Edit();
    f.DataSourceSkeleton.SetFieldNull("RES_CI_LEVEL");
    f.DataSourceSkeleton.Post();
    ToRow(f, Navigator::Next);
    ToRow(f, Navigator::Prior);
    QCOMPARE(f.ResultCell(1, 0), QStringLiteral(" L_CI "));
    QCOMPARE(Controls(f).AgeBarChart->Data().AxisCaption, QStringLiteral("Estimated Age with CI (level not recorded)"));
  }

  // The scale drawn is always the one the two boxes show.
  void rescaleDoesNotOutliveTheAnalysis() {
    CaseFolder folder;
    folder.Seed(TwoCases());
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    Controls(f).grphxmin->setText(QStringLiteral("30"));
    Controls(f).grphxmax->setText(QStringLiteral("70"));
    Controls(f).rescaleButt->click();
    QCOMPARE(Controls(f).AgeBarChart->Data().XMin, 30.0);

    ToRow(f, Navigator::Next);
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(Controls(f).grphxmin->text(), QStringLiteral("10"));
    QCOMPARE(Controls(f).AgeBarChart->Data().XMin, 10.0);
    QCOMPARE(Controls(f).grphxmax->text(), QString::number(Controls(f).AgeBarChart->Data().XMax));

    Controls(f).grphxmin->setText(QStringLiteral("20"));
    Controls(f).rescaleButt->click();
    ToRow(f, Navigator::Prior);  // A, shown from its stored results
    QCOMPARE(Controls(f).grphxmin->text(), QString::number(Controls(f).AgeBarChart->Data().XMin));
    QCOMPARE(Controls(f).grphxmax->text(), QString::number(Controls(f).AgeBarChart->Data().XMax));
  }
};

QTEST_MAIN(CurrentRowTest)
#include "CurrentRowTest.moc"
