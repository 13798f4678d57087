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

#include "GuiTestSupport.h"
#include "gui/charts/BarChartWidget.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbLabel.h"
#include "gui/widgets/Navigator.h"
#include "store/Schema.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

std::string Field(const std::vector<std::string>& row, const char* name) {
  return row[static_cast<std::size_t>(FindCaseField(name))];
}

QString OneDecimal(const std::string& stored) { return QString::number(std::stod(stored), 'f', 1); }

// A: every trait at stages 1-2; B: the pubic symphysis at 3-4, other choices.
std::vector<SeedRow> TwoCases() {
  return {{"Case A", "Male", "White", "Forensic", AllScores("1", "2")},
          {"Case B", "Female", "Black", "Archeological", ComplexScores(1, "3", "4")}};
}

void ToRow(TTAForm2& f, Navigator::Button button) {
  f.PageControl1->setCurrentWidget(f.DataEntrySheet);
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
    f.BitBtnCalculate->click();
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QVERIFY(f.ResultsNote->isHidden());
    const auto a = StoredRow(folder.Path(), 1);
    QCOMPARE(f.ResultCell(2, 1), OneDecimal(Field(a, "RES_ALLCOR_MAX_LIKELIHOOD")));

    ToRow(f, Navigator::Next);
    QCOMPARE(f.DBEdit4->text(), QStringLiteral("Case B"));
    f.PageControl1->setCurrentWidget(f.TabSheet3);
    QCOMPARE(f.ShownResultsState(), StoredState::None);
    QVERIFY(!f.ResultsNote->isHidden());
    QCOMPARE(f.ResultsNote->text(), QString::fromLatin1(NotAnalysedNote));
    QCOMPARE(f.ResultCell(0, 0), QStringLiteral("Case B"));
    QVERIFY(GridValuesEmpty(f));
    QVERIFY(f.AgeBarChart->Data().Items.empty());
    QVERIFY(f.BarGraphPanel->isHidden());
    QVERIFY(f.MathGrid1->isHidden());
    QVERIFY(f.pvaluncorr->text().trimmed().isEmpty());
    // "Graph Type" has nothing of B's to draw and draws nothing of A's.
    f.ShowBarPlotButt->click();
    QVERIFY(f.BarGraphPanel->isHidden() && f.MathGrid1->isHidden());

    // Print Report analyses B first; the page carries B's own estimates.
    w.ui.previewPdf = QString::fromStdString(folder.Path()) + QStringLiteral("b.pdf");
    f.PrintPreviewButt->click();
    QCOMPARE(w.ui.previews, 1);
    const auto b = StoredRow(folder.Path(), 2);
    QVERIFY(!Field(b, "RES_ALLCOR_MAX_LIKELIHOOD").empty());
    QVERIFY(Field(b, "RES_ALLCOR_MAX_LIKELIHOOD") != Field(a, "RES_ALLCOR_MAX_LIKELIHOOD"));
    const QString page = PdfText(w.ui.previewPdf);
    QVERIFY2(page.contains(QStringLiteral("Case B")), qPrintable(page));
    QVERIFY(!page.contains(QStringLiteral("Case A")));
    QVERIFY(page.contains(OneDecimal(Field(b, "RES_ALLCOR_MAX_LIKELIHOOD"))));
    QVERIFY(page.contains(OneDecimal(Field(b, "RES_ALLCOR_UPPER95P_CONF"))));
    QCOMPARE(f.DBEdit4->text(), QStringLiteral("Case B"));
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QCOMPARE(f.AgeBarChart->Data().Items.front().Left, std::stod(Field(b, "RES_ALLCOR_LOW95P_CONF")));

    // Back to A: its own stored results, still current, with its own bars.
    ToRow(f, Navigator::Prior);
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QCOMPARE(f.ResultCell(0, 0), QStringLiteral("Case A"));
    QCOMPARE(f.ResultCell(2, 1), OneDecimal(Field(a, "RES_ALLCOR_MAX_LIKELIHOOD")));
    QCOMPARE(f.ResultCell(0, 5), QStringLiteral("Auricular Area"));
    QCOMPARE(f.AgeBarChart->Data().Items.size(), std::size_t{5});
    QCOMPARE(f.AgeBarChart->Data().Items.front().Left, std::stod(Field(a, "RES_ALLCOR_LOW95P_CONF")));
    QVERIFY(!f.BarGraphPanel->isHidden());
    QVERIFY(w.ui.messages.empty());
  }

  // Scores changed after the analysis: the page says so and charts nothing;
  // the report analyses the row again before it prints.
  void changedScoresAreNotShownAsCurrent() {
    CaseFolder folder;
    folder.Seed(TwoCases());
    Window w(folder);
    TTAForm2& f = *w.form;
    f.BitBtnCalculate->click();
    const auto before = StoredRow(folder.Path(), 1);

    f.PageControl1->setCurrentWidget(f.DataEntrySheet);
    f.DataSourceSkeleton.Edit();
    f.DataSourceSkeleton.SetFieldInteger("PUB_RELIEF_L_LOW", 5);
    f.DataSourceSkeleton.SetFieldInteger("PUB_RELIEF_L_UPPER", 6);
    f.DataSourceSkeleton.Post();
    f.PageControl1->setCurrentWidget(f.TabSheet3);
    QCOMPARE(f.ShownResultsState(), StoredState::Outdated);
    QCOMPARE(f.ResultsNote->text(), QString::fromLatin1(OutdatedNote));
    QVERIFY(f.BarGraphPanel->isHidden());
    // The old numbers stay readable under the note, as what they are.
    QCOMPARE(f.ResultCell(2, 1), OneDecimal(Field(before, "RES_ALLCOR_MAX_LIKELIHOOD")));

    f.PrintPreviewButt->click();
    QCOMPARE(w.ui.previews, 1);
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QVERIFY(StoredRow(folder.Path(), 1) != before);

    // A case Analyze refuses is not printed at all.
    w.ui.Clear();
    f.DataSourceSkeleton.Edit();
    f.DataSourceSkeleton.SetFieldText("SEX", "");
    f.DataSourceSkeleton.Post();
    f.ButtonResetClick();
    f.PageControl1->setCurrentWidget(f.DataEntrySheet);
    f.PageControl1->setCurrentWidget(f.TabSheet3);
    f.PrintPreviewButt->click();
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
    f.BitBtnNew->click();
    TypeInto(f.DBEdit4, QStringLiteral("Case A"));
    f.UseCranDataCB->setFocus(Qt::TabFocusReason);
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QVERIFY(w.ui.messages[0].text.contains(QStringLiteral("\"Case A\" (SKELETON_ID 1)")));
    // Leaving the box again without typing says nothing more.
    f.DBEdit4->setFocus(Qt::TabFocusReason);
    f.UseCranDataCB->setFocus(Qt::TabFocusReason);
    QCOMPARE(w.ui.messages.size(), std::size_t{1});

    f.DataSourceSkeleton.UpdateRecord();
    f.DataSourceSkeleton.Post();
    const std::int32_t id = f.DataSourceSkeleton.FieldAsInteger("SKELETON_ID");
    QCOMPARE(id, 3);
    f.DataSourceSkeleton.Edit();
    for (const auto& [field, value] : ComplexScores(2, "4", "5")) f.DataSourceSkeleton.SetFieldText(field, value);
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
    f.PrintPreviewButt->click();
    QCOMPARE(w.ui.previews, 1);
    QCOMPARE(printedKey, id);
    QCOMPARE(printedScore, QStringLiteral("4"));
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
    f.BitBtnCalculate->click();  // A at 95
    ToRow(f, Navigator::Next);
    f.ProbabilityButtons->button(2)->click();  // B at 99
    QCOMPARE(Field(StoredRow(folder.Path(), 2), "RES_CI_LEVEL"), std::string("99"));
    QCOMPARE(f.ResultCell(1, 0), QStringLiteral(" L_99% "));
    QCOMPARE(f.ResultCell(3, 0), QStringLiteral(" U_99% "));
    QCOMPARE(f.AgeBarChart->Data().AxisCaption, QStringLiteral("Estimated Age with 99% CI"));
    const ReportContent report = f.ReportFromCurrentRow();
    QCOMPARE(report.cells[0][1].text, QStringLiteral(" L_99% "));
    QCOMPARE(report.chart.AxisCaption, QStringLiteral("Estimated Age with 99% CI"));

    // A, shown while 99 is chosen, keeps the level of its own limits.
    ToRow(f, Navigator::Prior);
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    QCOMPARE(f.ResultCell(1, 0), QStringLiteral(" L_95% "));
    QCOMPARE(f.AgeBarChart->Data().AxisCaption, QStringLiteral("Estimated Age with 95% CI"));
    // Printing it at 99 analyses it again at 99 first.
    f.PrintPreviewButt->click();
    QCOMPARE(Field(StoredRow(folder.Path(), 1), "RES_CI_LEVEL"), std::string("99"));
    QCOMPARE(f.ResultCell(1, 0), QStringLiteral(" L_99% "));

    // Results stored before the level was recorded.
    f.DataSourceSkeleton.Edit();
    f.DataSourceSkeleton.SetFieldNull("RES_CI_LEVEL");
    f.DataSourceSkeleton.Post();
    ToRow(f, Navigator::Next);
    ToRow(f, Navigator::Prior);
    QCOMPARE(f.ResultCell(1, 0), QStringLiteral(" L_CI "));
    QCOMPARE(f.AgeBarChart->Data().AxisCaption, QStringLiteral("Estimated Age with CI (level not recorded)"));
  }

  // The scale drawn is always the one the two boxes show.
  void rescaleDoesNotOutliveTheAnalysis() {
    CaseFolder folder;
    folder.Seed(TwoCases());
    Window w(folder);
    TTAForm2& f = *w.form;
    f.BitBtnCalculate->click();
    f.grphxmin->setText(QStringLiteral("30"));
    f.grphxmax->setText(QStringLiteral("70"));
    f.rescaleButt->click();
    QCOMPARE(f.AgeBarChart->Data().XMin, 30.0);

    ToRow(f, Navigator::Next);
    f.BitBtnCalculate->click();
    QCOMPARE(f.grphxmin->text(), QStringLiteral("10"));
    QCOMPARE(f.AgeBarChart->Data().XMin, 10.0);
    QCOMPARE(f.grphxmax->text(), QString::number(f.AgeBarChart->Data().XMax));

    f.grphxmin->setText(QStringLiteral("20"));
    f.rescaleButt->click();
    ToRow(f, Navigator::Prior);  // A, shown from its stored results
    QCOMPARE(f.grphxmin->text(), QString::number(f.AgeBarChart->Data().XMin));
    QCOMPARE(f.grphxmax->text(), QString::number(f.AgeBarChart->Data().XMax));
  }
};

QTEST_MAIN(CurrentRowTest)
#include "CurrentRowTest.moc"
