// The Analyze action and the run: the choice messages and their order, the
// tidying of score pairs, the complexes left out, the results in the row as
// the headless tool stores them, and the redraws on a row that cannot be
// analysed.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "GuiTestSupport.h"
#include "engine/EngineSettings.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/ChoiceComboBox.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbListBox.h"
#include "gui/widgets/Navigator.h"
#include "params/CaseRun.h"
#include "store/CaseTable.h"
#include "store/Schema.h"

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

  void levelCaptionsAndCriticalValue() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).ProbabilityButtons->button(2)->click();  // a click in the group is the Analyze action
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(double(CriticalValue), 3.315);
    for (QLabel* caption : Controls(f).LowerLimitCaptions) QCOMPARE(caption->text(), QStringLiteral(" L99% "));
    for (QLabel* caption : Controls(f).UpperLimitCaptions) QCOMPARE(caption->text(), QStringLiteral(" U99% "));
    QCOMPARE(Controls(f).AgeBarChart->Data().AxisCaption, QStringLiteral("Estimated Age with 99% CI"));
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

  // A redraw trigger on a row that cannot be analysed says so once, not once
  // for every step of a window edge being dragged.
  void redrawsOnAnUnanalysableRowSayItOnce() {
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
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
    // Something else the person does, then another drag: one more message.
    QTest::keyClick(Controls(f).DBEdit4, Qt::Key_Home);
    for (int step = 0; step < 5; ++step) f.resize(1100 - step * 4, 780);
    QCOMPARE(w.ui.messages.size(), std::size_t{2});

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
