// The Analyze action and the run: the choice messages and their order, the
// tidying of score pairs, the complexes left out, the results in the row as
// the headless tool stores them, and the redraws on a row that cannot be
// analysed.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/ChoiceComboBox.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbListBox.h"
#include "gui/widgets/Navigator.h"
#include "params/CaseRun.h"
#include "store/CaseTable.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

std::string Field(const std::vector<std::string>& row, const char* name) {
  return row[static_cast<std::size_t>(FindCaseField(name))];
}

QString ReadAll(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

// What a redraw must leave as it was: both rows (every field, the edit
// count and the change time), the history and the trace (text and time).
struct Footprint {
  std::vector<std::vector<std::string>> rows;
  int historyLines = 0;
  QString trace;
  QDateTime traceTime;
};

Footprint StateOf(const CaseFolder& folder) {
  Footprint state;
  SqliteDb db;
  db.Open(folder.Path() + "TAData.db");
  for (std::int32_t id : {1, 2}) {
    std::vector<std::string> row = StoredRow(folder.Path(), id);
    Statement version(db, "SELECT ROW_VERSION, CHANGED_AT FROM TAData WHERE SKELETON_ID = ?");
    version.BindInt64(1, id);
    if (version.Step()) {
      row.push_back(version.ColumnText(0));
      row.push_back(version.ColumnText(1));
    }
    state.rows.push_back(row);
  }
  Statement history(db, "SELECT COUNT(*) FROM TADataHistory");
  if (history.Step()) state.historyLines = static_cast<int>(history.ColumnInt64(0));
  state.trace = ReadAll(folder.Path() + "TATree.txt");
  state.traceTime = QFileInfo(QString::fromStdString(folder.Path() + "TATree.txt")).lastModified();
  return state;
}

}  // namespace

class AnalyzeTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void choiceMessages_data() {
    QTest::addColumn<QString>("sex");
    QTest::addColumn<QString>("race");
    QTest::addColumn<QString>("hazard");
    QTest::addColumn<QString>("message");
    QTest::newRow("all missing") << ""
                                 << ""
                                 << "" << NoAncestryMessage;
    QTest::newRow("ancestry missing") << "Male"
                                      << ""
                                      << "Forensic" << NoAncestryMessage;
    QTest::newRow("sex and model missing") << ""
                                           << "Unknown"
                                           << "" << NoSexMessage;
    QTest::newRow("model missing") << "Female"
                                   << "Black"
                                   << "" << NoModelMessage;
    QTest::newRow("unknown texts") << "Male"
                                   << "White"
                                   << "Forensics" << NoModelMessage;
  }

  // The first missing choice is the only message, and nothing has changed.
  void choiceMessages() {
    QFETCH(QString, sex);
    QFETCH(QString, race);
    QFETCH(QString, hazard);
    QFETCH(QString, message);
    CaseFolder folder;
    folder.Seed({{"case",
                  sex.toStdString(),
                  race.toStdString(),
                  hazard.toStdString(),
                  {{"CRA_PTERICA_LOW", "5"}, {"CRA_PTERICA_UPPER", "3"}}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).ComboBoxHazard->SetProgramText(QString());  // "Reset" shows a model for an empty field
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(w.ui.Texts(), QStringList{message});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
    QCOMPARE(f.ScoreBox("CRA_PTERICA_LOW")->text(), QStringLiteral("5"));
    QVERIFY(Controls(f).UsePubeDataCB->isChecked());
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).DataEntrySheet);
    QVERIFY(f.TATable.FieldIsNull("RES_ALL_MAX_LIKELIHOOD"));
  }

  void aChoiceOnEitherPageCounts() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "", "Forensic", ComplexScores(0, "2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).RacePriorLB->setCurrentRow(2);  // "Unknown" picked on the data entry page only
    QCOMPARE(Controls(f).ComboBoxRace->currentText(), QString());
    Controls(f).BitBtnCalculate->click();
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(f.TATable.FieldAsText("RACE"), std::string("Unknown"));
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).TabSheet3);
  }

  void orderScorePair_data() {
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("upper");
    QTest::newRow("reversed") << "5"
                              << "3"
                              << "3"
                              << "5";
    QTest::newRow("only a maximum") << ""
                                    << "4"
                                    << "4"
                                    << "";
    QTest::newRow("only a minimum") << "2"
                                    << ""
                                    << "2"
                                    << "";
    QTest::newRow("equal") << "2"
                           << "2"
                           << "2"
                           << "2";
    QTest::newRow("in order") << "1"
                              << "4"
                              << "1"
                              << "4";
  }

  void orderScorePair() {
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, low);
    QFETCH(QString, upper);
    CaseFolder folder;
    folder.Seed({{"case",
                  "Male",
                  "White",
                  "Forensic",
                  {{"CRA_PTERICA_LOW", min.toStdString()}, {"CRA_PTERICA_UPPER", max.toStdString()}}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    f.OrderScorePair("CRA_PTERICA", f.ScoreBox("CRA_PTERICA_LOW"), f.ScoreBox("CRA_PTERICA_UPPER"));
    QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("CRA_PTERICA_LOW")), low);
    QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("CRA_PTERICA_UPPER")), upper);
    // The bound boxes show the new values at once.
    QCOMPARE(f.ScoreBox("CRA_PTERICA_LOW")->text(), low);
    QCOMPARE(f.ScoreBox("CRA_PTERICA_UPPER")->text(), upper);
  }

  // A reversed pair typed is tidied from what the boxes show.
  void tidyingReadsTheBoxes() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    DbScoreEdit* lowBox = f.ScoreBox("PUB_RELIEF_R_LOW");
    DbScoreEdit* upperBox = f.ScoreBox("PUB_RELIEF_R_UPPER");
    lowBox->setFocus();
    QTest::keyPress(lowBox, '5');
    upperBox->setFocus();
    QTest::keyPress(upperBox, '3');
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F8);
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(StoredRow(folder.Path(), 1)[static_cast<std::size_t>(FindCaseField("PUB_RELIEF_R_LOW"))],
             std::string("3"));
    QCOMPARE(StoredRow(folder.Path(), 1)[static_cast<std::size_t>(FindCaseField("PUB_RELIEF_R_UPPER"))],
             std::string("5"));
  }

  void complexesWithoutScoresAreLeftOut() {
    CaseFolder folder;
    folder.Seed({{"cranial only", "Male", "White", "Archeological", ComplexScores(0, "2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY(w.ui.messages.empty());
    QVERIFY(Controls(f).UseCranDataCB->isChecked());
    QVERIFY(!Controls(f).UsePubeDataCB->isChecked());
    QVERIFY(!Controls(f).UseAuriDataCB->isChecked());
    QVERIFY(f.UseCranialData && !f.UsePubicData && !f.UseAuricularData);
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).TabSheet3);
    QVERIFY(!Controls(f).BarGraphPanel->isHidden());
    QVERIFY(Controls(f).MathGrid1->isHidden());
    const auto row = StoredRow(folder.Path(), 1);
    QVERIFY(!Field(row, "RES_CRA_MAX_LIKELIHOOD").empty());
    QVERIFY(Field(row, "RES_PUB_MAX_LIKELIHOOD").empty());
    QVERIFY(!Field(row, "RES_ALLCOR_MAX_LIKELIHOOD").empty());
    // Unchecked by the action, the complex stays out until the row changes.
    f.ScoreBox("PUB_RELIEF_L_LOW")->setText("3");
    Controls(f).BitBtnCalculate->click();
    QVERIFY(!Controls(f).UsePubeDataCB->isChecked());
  }

  void aRowWithoutScores() {
    CaseFolder folder;
    folder.Seed({{"empty", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(w.ui.Texts(), QStringList{NoDataTypesMessage});
    for (int i = 0; i < 3; ++i) QVERIFY(!f.ComplexCheckBox(i)->isChecked());
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).DataEntrySheet);
  }

  // Scores that name no stage leave nothing to analyse: one message, the
  // data entry page, and the action ends there.
  void nothingToAnalyseEndsTheAction() {
    CaseFolder folder;
    folder.Seed({{"zeros", "Male", "White", "Forensic", ComplexScores(0, "0", "0")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(w.ui.Texts(), QStringList{NoDataMessage});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Confirmation);
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).DataEntrySheet);
    QVERIFY(Controls(f).BarGraphPanel->isHidden());
    QVERIFY(Controls(f).MathGrid1->isHidden());
    QVERIFY(!f.LastRunAnalysed());
    QVERIFY(Field(StoredRow(folder.Path(), 1), "RES_ALL_LOW95P_CONF").empty());
  }

  void levelCaptionsAndLimits() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).ProbabilityButtons->button(2)->click();  // a click in the group is the Analyze action
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(Field(StoredRow(folder.Path(), 1), "RES_CI_LEVEL"), std::string("99"));
    const std::string upper99 = Field(StoredRow(folder.Path(), 1), "RES_ALL_UPPER95P_CONF");
    for (QLabel* caption : Controls(f).LowerLimitCaptions) QCOMPARE(caption->text(), QStringLiteral(" L99% "));
    for (QLabel* caption : Controls(f).UpperLimitCaptions) QCOMPARE(caption->text(), QStringLiteral(" U99% "));
    QCOMPARE(Controls(f).AgeBarChart->Data().AxisCaption, QStringLiteral("Estimated Age with 99% CI"));
    // The limits are those of the level chosen: 95 % narrows them.
    Controls(f).ProbabilityButtons->button(1)->click();
    QCOMPARE(Field(StoredRow(folder.Path(), 1), "RES_CI_LEVEL"), std::string("95"));
    QVERIFY(std::stod(Field(StoredRow(folder.Path(), 1), "RES_ALL_UPPER95P_CONF")) < std::stod(upper99));
  }

  // The results stand without the trace; the trace that could not be
  // written is said, naming the file.
  void anUnwritableTraceIsSaidAndTheResultsStand() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    QVERIFY(QDir(QString::fromStdString(folder.Path())).mkdir("TATree.txt"));
    Window w(folder);
    Controls(*w.form).BitBtnCalculate->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
    QVERIFY2(w.ui.messages[0].text.contains(QString::fromStdString(folder.Path() + "TATree.txt")),
             qPrintable(w.ui.messages[0].text));
    QVERIFY(!Field(StoredRow(folder.Path(), 1), "RES_ALL_MAX_LIKELIHOOD").empty());
  }

  // Every example case analysed in the window leaves the row (and the trace)
  // that vorla-cli analyze leaves for it.
  void theRowEqualsWhatTheHeadlessToolStores() {
    CaseFolder folder;
    QProcess import;
    import.start(QStringLiteral(VORLA_CLI),
                 {"import", "--dir", QString::fromStdString(folder.Path()), QStringLiteral(VORLA_TEST_EXAMPLES)});
    QVERIFY(import.waitForFinished(30000));
    QCOMPARE(import.exitCode(), 0);
    const auto cliFolder = folder.Copy();
    const auto guiFolder = folder.Copy();
    const int rows = StoredRowCount(folder.Path());
    QVERIFY(rows >= 5);

    {
      Window w(*guiFolder);
      TTAForm2& f = *w.form;
      for (int id = 1; id <= rows; ++id) {
        Controls(f).PageControl1->setCurrentWidget(Controls(f).DataEntrySheet);
        f.DataSourceSkeleton.LocateId(id);
        f.ScoreBox("CRA_PTERICA_LOW")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F8);
        QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join("; ")));
        QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).TabSheet3);
        QProcess cli;
        cli.start(QStringLiteral(VORLA_CLI),
                  {"analyze", "--dir", QString::fromStdString(cliFolder->Path()), "--id", QString::number(id)});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(ReadAll(guiFolder->Path() + "TATree.txt"), ReadAll(cliFolder->Path() + "TATree.txt"));
      }
      f.close();
    }
    for (int id = 1; id <= rows; ++id) {
      const auto mine = StoredRow(guiFolder->Path(), id);
      const auto theirs = StoredRow(cliFolder->Path(), id);
      QVERIFY(!mine.empty());
      for (std::size_t i = 0; i < mine.size(); ++i)
        QVERIFY2(mine[i] == theirs[i],
                 qPrintable(QString("row %1 field %2: %3 against %4")
                                .arg(id)
                                .arg(QString::fromLatin1(CaseFields()[i].name.data(), int(CaseFields()[i].name.size())))
                                .arg(QString::fromStdString(mine[i]))
                                .arg(QString::fromStdString(theirs[i]))));
    }
  }

  // Resizing, zooming, switching the graph and moving between rows draw
  // what is at hand: the rows, their edit counts and change times (another
  // user's edit of a shared row would fail on them), the history and the
  // trace stay as they are. Only Analyze writes.
  void redrawsStoreNothing_data() {
    QTest::addColumn<QString>("trigger");
    for (const char* trigger : {"resize", "zoom", "graph type", "rows"}) QTest::newRow(trigger) << trigger;
  }
  void redrawsStoreNothing() {
    QFETCH(QString, trigger);
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")},
                 {"other", "Female", "Black", "Archeological", AllScores("4", "5")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    Controls(f).ShowBarPlotButt->click();  // from the bar chart to the curves
    QVERIFY(!Controls(f).MathGrid1->isHidden());
    const Footprint before = StateOf(folder);
    QVERIFY(!before.trace.isEmpty());
    QTest::qWait(1100);  // a write now would be seen in the change time too

    if (trigger == "resize") {
      for (int step = 0; step < 5; ++step) f.resize(1009 + step * 7, 754 + step * 3);
    } else if (trigger == "zoom") {
      for (int value : {500, 40, 1000}) Controls(f).SpinEditZoom->setValue(value);
    } else if (trigger == "graph type") {
      Controls(f).ShowBarPlotButt->click();
      Controls(f).ShowBarPlotButt->click();
      QVERIFY(!Controls(f).MathGrid1->isHidden());
    } else {
      Controls(f).DBNavigator1->setFocus();
      f.NavigatorClick(Navigator::Next);
      f.NavigatorClick(Navigator::Prior);
      Controls(f).ShowBarPlotButt->click();
      QVERIFY(!Controls(f).MathGrid1->isHidden());
      f.resize(1030, 760);
    }
    QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join("; ")));
    QCOMPARE(f.ShownResultsState(), StoredState::Current);
    const Footprint after = StateOf(folder);
    QCOMPARE(after.rows, before.rows);
    QCOMPARE(after.historyLines, before.historyLines);
    QCOMPARE(after.trace, before.trace);
    QCOMPARE(after.traceTime, before.traceTime);

    // Analyze at another level stores and traces.
    Controls(f).ProbabilityButtons->button(2)->click();
    const Footprint analysed = StateOf(folder);
    QCOMPARE(Field(analysed.rows[0], "RES_CI_LEVEL"), std::string("99"));
    QVERIFY(analysed.rows[0].back() != before.rows[0].back());  // the change time
    QVERIFY(analysed.rows[0][analysed.rows[0].size() - 2] != before.rows[0][before.rows[0].size() - 2]);
    QCOMPARE(analysed.rows[1], before.rows[1]);
    QVERIFY(analysed.historyLines > before.historyLines);
    QVERIFY(analysed.trace != before.trace);
    QVERIFY(analysed.traceTime != before.traceTime);
  }

  // A redraw trigger draws the case at hand: it reads no parameter file
  // and says nothing, however often a window edge being dragged repeats it.
  void redrawsDrawTheCaseAtHand() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")},
                 {"zeros", "Male", "White", "Forensic", ComplexScores(0, "0", "0")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    Controls(f).ShowBarPlotButt->click();  // from the bar chart to the curves
    QVERIFY(!Controls(f).MathGrid1->isHidden());
    QVERIFY(w.ui.messages.empty());

    // The parameter file goes away while the curves are shown.
    QVERIFY(QFile::remove(QString::fromStdString(folder.Path() + "Parameters.dat")));
    for (int step = 0; step < 10; ++step) f.resize(1009 + step * 3, 754 + step);
    QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join("; ")));
    QVERIFY(!Controls(f).MathGrid1->isHidden());

    // A new row, and a row with nothing to analyse: no curves are shown for
    // them, so dragging the window edge analyses nothing and says nothing.
    w.ui.Clear();
    Controls(f).BitBtnNew->click();
    QVERIFY(Controls(f).MathGrid1->isHidden());
    for (int step = 0; step < 10; ++step) f.resize(1009 + step * 3, 754 + step);
    Controls(f).DBNavigator1->setFocus();
    f.NavigatorClick(0);
    f.NavigatorClick(2);
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("zeros"));
    for (int step = 0; step < 8; ++step) f.resize(1009 + step * 2, 754);
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(f.ShownResultsState(), StoredState::None);
  }
};

QTEST_MAIN(AnalyzeTest)
#include "AnalyzeTest.moc"
