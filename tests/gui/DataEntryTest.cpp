// The data entry page: the key-by-key score check, the focus order, the
// choice boxes and what counts as a change by the person, "Reset", the
// lists, the change of row and "New Skeleton".
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include <QToolButton>
#include "GuiTestSupport.h"
#include "gui/DataEntryLayout.h"
#include "paint/Report.h"

#include "gui/widgets/CaseGrid.h"
#include "gui/widgets/ChoiceComboBox.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbListBox.h"
#include "gui/widgets/DbMemo.h"
#include "gui/widgets/Navigator.h"
#include "params/MortalityModelFile.h"
#include "store/CaseTable.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

SeedRow Scored(const std::string& name) {
  return {name, "Male", "White", "Forensic", AllScores("2", "3")};
}

}  // namespace

class DataEntryTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void scoreCheck_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("digit");
    QTest::addColumn<QString>("message");  // empty: accepted
    const QString three = "The allowed values are 1,2, or 3";
    const QString four = "The allowed values are 1,2,3, or 4";
    const QString five = "The allowed values are 1,2,3,4, or 5";
    const QString six = "The allowed values are 1,2,3,4,5, or 6";
    const QString seven = "The allowed values are 1,2,3,4,5,6, or 7";
    QTest::newRow("3 stages, 0") << "AUR_TOPOSUP_L_LOW"
                                 << "0" << three;
    QTest::newRow("3 stages, 3") << "AUR_TOPOSUP_L_LOW"
                                 << "3"
                                 << "";
    QTest::newRow("3 stages, 4") << "AUR_SPICUL_R_UPPER"
                                 << "4" << three;
    QTest::newRow("4 stages, 4") << "PUB_TEXTURE_L_LOW"
                                 << "4"
                                 << "";
    QTest::newRow("4 stages, 5") << "PUB_OSSICLE_R_LOW"
                                 << "5" << four;
    QTest::newRow("5 stages, 1") << "CRA_PTERICA_LOW"
                                 << "1"
                                 << "";
    QTest::newRow("5 stages, 6") << "CRA_MAXILARE_UPPER"
                                 << "6" << five;
    QTest::newRow("6 stages, 6") << "PUB_RELIEF_L_UPPER"
                                 << "6"
                                 << "";
    QTest::newRow("6 stages, 7") << "PUB_RELIEF_L_UPPER"
                                 << "7" << six;
    QTest::newRow("6 stages, 8") << "AUR_EXOSUP_R_LOW"
                                 << "8" << six;
    QTest::newRow("6 stages, 9") << "AUR_EXOINF_L_LOW"
                                 << "9" << six;
    QTest::newRow("ventral margin, 7") << "PUB_VENTRALM_L_LOW"
                                       << "7"
                                       << "";
    QTest::newRow("ventral margin, 8") << "PUB_VENTRALM_R_UPPER"
                                       << "8" << seven;
    QTest::newRow("ventral margin, 0") << "PUB_VENTRALM_L_UPPER"
                                       << "0" << seven;
  }

  void scoreCheck() {
    QFETCH(QString, field);
    QFETCH(QString, digit);
    QFETCH(QString, message);
    CaseFolder folder;
    folder.Seed({{"case", "", "", "", {}}});
    Window w(folder);
    DbScoreEdit* box = w.form->ScoreBox(field.toStdString());
    QVERIFY(box);
    box->setFocus();
    TypeInto(box, digit);
    QVERIFY(w.ui.messages.empty());  // nothing modal, whatever the key
    if (message.isEmpty()) {
      QCOMPARE(box->text(), digit);
      QVERIFY(!box->hasFocus());
      // Leaving the box wrote the score into the row.
      QCOMPARE(QString::fromStdString(w.form->TATable.FieldAsText(field.toStdString())), digit);
    } else {
      // Refused in place: the box stays as it was, the hint names the stages.
      QCOMPARE(box->text(), QString());
      QCOMPARE(w.form->statusBar()->currentMessage(), message);
      QCOMPARE(w.ui.beeps, 1);
      QVERIFY(box->hasFocus());
    }
  }

  void scoreBoxesHaveTheirStageCounts() {
    CaseFolder folder;
    Window w(folder);
    QCOMPARE(Controls(*w.form).ScoreBoxes.size(), std::size_t{66});
    int sum = 0;
    for (const DbScoreEdit* box : Controls(*w.form).ScoreBoxes) {
      QCOMPARE(box->maxLength(), 1);
      QCOMPARE(box->size(), QSize(25, 29));
      sum += box->StageCount();
    }
    // 10 x 5 + 4 x (6 + 4 + 4 + 7 + 5) + 4 x (3 + 3 + 5 + 5 + 5 + 3 + 6 + 6 + 3)
    QCOMPARE(sum, 50 + 4 * 26 + 4 * 39);
    QCOMPARE(w.form->ScoreBox("pub_ventralm_l_low")->StageCount(), 7);
    // Each box names its trait, side and end, and the stages of the set in use.
    QCOMPARE(w.form->ScoreBox("CRA_PTERICA_LOW")->toolTip(), QStringLiteral("Coronal Pterica, min: stages 1-5"));
    QCOMPARE(w.form->ScoreBox("PUB_RELIEF_R_UPPER")->toolTip(), QStringLiteral("Topography, right, MAX: stages 1-6"));
    for (const DbScoreEdit* box : Controls(*w.form).ScoreBoxes) QVERIFY(box->toolTip().contains(": stages "));
  }

  // Correcting a stored score as people do: a click anywhere in the box and
  // a digit replace it; BackSpace and Delete clear it and stay; keys that
  // type nothing never move on; a refused key loses none of the keys after it.
  void scoreCorrections() {
    CaseFolder folder;
    folder.Seed({{"case", "", "", "", {{"CRA_PTERICA_LOW", "2"}, {"CRA_PTERICA_UPPER", "3"}}}});
    Window w(folder);
    DbScoreEdit* low = w.form->ScoreBox("CRA_PTERICA_LOW");
    DbScoreEdit* upper = w.form->ScoreBox("CRA_PTERICA_UPPER");
    DbScoreEdit* next = w.form->ScoreBox("CRA_SAGITTAL_LOW");
    const auto clickAt = [](DbScoreEdit* box, bool rightEdge) {
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(rightEdge ? box->width() - 2 : 2, box->height() / 2));
    };
    for (bool rightEdge : {false, true}) {
      clickAt(low, rightEdge);
      QVERIFY(low->hasFocus());
      QCOMPARE(low->selectedText(), low->text());
      TypeInto(low, rightEdge ? "4" : "1");
      QCOMPARE(low->text(), QString(rightEdge ? "4" : "1"));
      QCOMPARE(QApplication::focusWidget(), upper);
      QCOMPARE(upper->text(), QStringLiteral("3"));
    }
    for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete}) {
      clickAt(low, key == Qt::Key_Delete);
      low->setCursorPosition(key == Qt::Key_Delete ? 1 : 0);  // the caret where the key deletes nothing
      QTest::keyClick(low, key);
      QCOMPARE(low->text(), QString());
      QVERIFY(low->hasFocus());
      TypeInto(low, "4");
      QCOMPARE(low->text(), QStringLiteral("4"));
      QCOMPARE(upper->text(), QStringLiteral("3"));
    }
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Control, Qt::Key_Tab, Qt::Key_Shift}) {
      low->setFocus();
      QTest::keyRelease(low, key);
      QVERIFY(low->hasFocus());
    }
    // Fast typing: every key goes down before the one before it comes up.
    low->setFocus();
    for (const char c : std::string("9a-253")) QTest::keyPress(QApplication::focusWidget(), c);
    QCOMPARE(low->text(), QStringLiteral("2"));
    QCOMPARE(upper->text(), QStringLiteral("5"));
    QCOMPARE(next->text(), QStringLiteral("3"));
    QCOMPARE(w.ui.beeps, 3);
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(w.form->statusBar()->currentMessage(), QString());  // the accepted digit cleared the hint
    w.form->TATable.Post();
    QCOMPARE(QString::fromStdString(w.form->TATable.FieldAsText("CRA_PTERICA_LOW")), QStringLiteral("2"));
    QCOMPARE(QString::fromStdString(w.form->TATable.FieldAsText("CRA_PTERICA_UPPER")), QStringLiteral("5"));
  }

  void focusOrder() {
    CaseFolder folder;
    Window w(folder);
    TTAForm2& f = *w.form;
    std::vector<QWidget*> expected = {Controls(f).DBEdit4, Controls(f).HazardPriorLB, Controls(f).RacePriorLB,
                                      Controls(f).SexPriorLB, Controls(f).UseCranDataCB};
    for (const char* stem : {"CRA_PTERICA", "CRA_SAGITTAL", "CRA_LAMDOID", "CRA_INTERPL", "CRA_MAXILARE"})
      for (const char* end : {"_LOW", "_UPPER"}) expected.push_back(f.ScoreBox(std::string(stem) + end));
    expected.push_back(Controls(f).UsePubeDataCB);
    for (const char* side : {"_L", "_R"})
      for (const char* stem : {"PUB_RELIEF", "PUB_TEXTURE", "PUB_OSSICLE", "PUB_VENTRALM", "PUB_DORSALM"})
        for (const char* end : {"_LOW", "_UPPER"}) expected.push_back(f.ScoreBox(std::string(stem) + side + end));
    expected.push_back(Controls(f).UseAuriDataCB);
    for (const char* side : {"_L", "_R"})
      for (const auto& row : ScoreGroups()[2].rows)
        for (const char* end : {"_LOW", "_UPPER"}) expected.push_back(f.ScoreBox(std::string(row.stem) + side + end));
    // After the sheet the right-hand column, then the left one below the model choices.
    expected.insert(expected.end(), {Controls(f).DBMemo1, Controls(f).AgeEdit, Controls(f).FindBox,
                                     Controls(f).DBNavigator1, Controls(f).BitBtnNew});

    Controls(f).DBEdit4->setFocus();
    for (std::size_t i = 1; i < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QVERIFY2(QApplication::focusWidget() == expected[i], qPrintable(QString("step %1").arg(i)));
    }
    // An accepted digit in the last right-side pubic box moves on to the auricular check box.
    DbScoreEdit* last = f.ScoreBox("PUB_DORSALM_R_UPPER");
    last->setFocus();
    TypeInto(last, "5");
    QCOMPARE(QApplication::focusWidget(), Controls(f).UseAuriDataCB);
    // And from the last auricular box to the notes beside it.
    DbScoreEdit* lastAuricular = Controls(f).ScoreBoxes.back();
    QCOMPARE(lastAuricular, f.ScoreBox(std::string(ScoreGroups()[2].rows.back().stem) + "_R_UPPER"));
    lastAuricular->setFocus();
    TypeInto(lastAuricular, "1");
    QCOMPARE(QApplication::focusWidget(), Controls(f).DBMemo1);
  }

  // The analysis page's boxes offer only their items. A pick is a change of
  // the case like any other: the data entry page shows it, nothing is
  // analysed or stored, the results are out of date, and Reset or Revert
  // give the stored choice back.
  void pickingAChoiceIsAChangeOfTheCase() {
    CaseFolder folder;
    folder.Seed({{"case", "Female", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY(Controls(f).ResultsNote->isHidden());
    const std::string stored = StoredRow(folder.Path(), 1)[static_cast<std::size_t>(FindCaseField("HAZARDFUNC"))];
    QCOMPARE(stored, std::string("Forensic"));
    QSignalSpy analyses(Controls(f).BitBtnCalculate, &QPushButton::clicked);
    ChoiceComboBox* hazard = Controls(f).ComboBoxHazard;
    QVERIFY(!hazard->isEditable());
    const auto pick = [&] {
      hazard->setFocus();
      QTest::keyClick(hazard, Qt::Key_Down);  // past the last item: nothing changes
      QCOMPARE(hazard->currentText(), QStringLiteral("Forensic"));
      QVERIFY(!f.TATable.Modified());
      QTest::keyClick(hazard, Qt::Key_Up);
      QCOMPARE(hazard->currentText(), QStringLiteral("Archeological"));
      QCOMPARE(f.TATable.FieldAsText("HAZARDFUNC"), std::string("Archeological"));
      QCOMPARE(Controls(f).HazardPriorLB->SelectedText(), QStringLiteral("Archeological"));
      QVERIFY(f.TATable.Modified());
      QCOMPARE(Controls(f).ResultsNote->text(), QString::fromLatin1(OutdatedNote));
      QVERIFY(!Controls(f).ResultsNote->isHidden());
    };
    const auto storedAgain = [&] {
      QCOMPARE(hazard->currentText(), QStringLiteral("Forensic"));
      QCOMPARE(Controls(f).HazardPriorLB->SelectedText(), QStringLiteral("Forensic"));
      QVERIFY(!f.TATable.Modified());
      QVERIFY(Controls(f).ResultsNote->isHidden());
    };
    pick();
    Controls(f).ButtonReset->click();
    storedAgain();
    pick();
    Controls(f).RevertCaseAction->trigger();
    storedAgain();
    QCOMPARE(analyses.count(), 0);
    QCOMPARE(StoredRow(folder.Path(), 1)[static_cast<std::size_t>(FindCaseField("HAZARDFUNC"))], stored);
    // Analyze stores the pick with its results.
    pick();
    Controls(f).BitBtnCalculate->click();
    QVERIFY(Controls(f).ResultsNote->isHidden());
    QCOMPARE(StoredRow(folder.Path(), 1)[static_cast<std::size_t>(FindCaseField("HAZARDFUNC"))],
             std::string("Archeological"));
    QVERIFY(w.ui.messages.empty());
  }

  // A mortality model of the folder's own is offered after the built-in
  // ones on both pages, and a case that names it is analysed with it.
  void theFoldersOwnModelsAreOffered() {
    CaseFolder folder;
    SaveMortalityModel(folder.Path() + MortalityModelFileName, {"Cemetery", 0.01, 5e-05, 0.09}, "a test");
    folder.Seed({{"case", "Male", "White", "cemetery", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    QCOMPARE(Controls(f).HazardPriorLB->count(), 3);
    QCOMPARE(Controls(f).HazardPriorLB->SelectedText(), QStringLiteral("Cemetery"));
    QCOMPARE(Controls(f).ComboBoxHazard->count(), 3);
    QCOMPARE(Controls(f).ComboBoxHazard->currentText(), QStringLiteral("Cemetery"));
    Controls(f).BitBtnCalculate->click();
    QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join('\n')));
    const auto stored = StoredRow(folder.Path(), 1);
    QVERIFY(!stored[static_cast<std::size_t>(FindCaseField("RES_ALLCOR_MAX_LIKELIHOOD"))].empty());
    // The summary and the page name the model with its parameters, as they do the built-in ones.
    QCOMPARE(Controls(f).SummaryModelLabel->text(), QStringLiteral("Prior cemetery: A = 0.01, B = 5e-05, C = 0.09"));
    QVERIFY2(f.ReportFromCurrentRow().provenance.methodLine.startsWith(
                 "Mortality model: cemetery, the folder's own Gompertz-Makeham hazard A + B exp(C x) with A = 0.01, "
                 "B = 5e-05, C = 0.09;"),
             qPrintable(f.ReportFromCurrentRow().provenance.methodLine));
  }

  void resetShowsTheFirstModelForAnEmptyField() {
    CaseFolder folder;
    folder.Seed({{"case", "Female", "Black", "", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).ComboBoxSex->SetProgramText("Male");
    Controls(f).ButtonReset->click();
    QCOMPARE(Controls(f).ComboBoxSex->currentText(), QStringLiteral("Female"));
    QCOMPARE(Controls(f).ComboBoxRace->currentText(), QStringLiteral("Black"));
    QCOMPARE(Controls(f).ComboBoxHazard->currentText(), QStringLiteral("Archeological"));
    QVERIFY(f.TATable.FieldIsNull("HAZARDFUNC"));
  }

  void leavingAListCopiesItsChoiceToTheAnalysisPage() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    QCOMPARE(Controls(f).RacePriorLB->ItemIndex(), 0);
    Controls(f).RacePriorLB->setFocus();
    Controls(f).RacePriorLB->setCurrentRow(1);
    QCOMPARE(f.TATable.FieldAsText("RACE"), std::string("White"));  // not yet written
    Controls(f).SexPriorLB->setFocus();
    QCOMPARE(f.TATable.FieldAsText("RACE"), std::string("Black"));
    QCOMPARE(Controls(f).ComboBoxRace->currentText(), QStringLiteral("Black"));
    // Esc in a list puts it back to the field.
    Controls(f).SexPriorLB->setCurrentRow(0);
    QTest::keyClick(Controls(f).SexPriorLB, Qt::Key_Escape);
    QCOMPARE(Controls(f).SexPriorLB->SelectedText(), QStringLiteral("Male"));
  }

  void changingTheRowResynchronises() {
    CaseFolder folder;
    folder.Seed({Scored("first"), {"second", "Female", "Black", "Archeological", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).UsePubeDataCB->setChecked(false);
    QVERIFY(!f.UsePubicData);
    Controls(f).DBNavigator1->ButtonAt(Navigator::Next)->click();
    QCOMPARE(Controls(f).DBEdit4->text(), QStringLiteral("second"));
    QCOMPARE(Controls(f).ComboBoxSex->currentText(), QStringLiteral("Female"));
    QCOMPARE(Controls(f).ComboBoxHazard->currentText(), QStringLiteral("Archeological"));
    QCOMPARE(Controls(f).SexPriorLB->SelectedText(), QStringLiteral("Female"));
    QVERIFY(Controls(f).UsePubeDataCB->isChecked());
    QVERIFY(f.UsePubicData);
    QCOMPARE(Controls(f).DBGrid1->Model()->CurrentLine(), 1);

    // With the analysis page in front a change of row leaves the complexes
    // alone; the model boxes show the row's own choices.
    Controls(f).UseCranDataCB->setChecked(false);
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    f.DataSourceSkeleton.First();
    QCOMPARE(Controls(f).ComboBoxSex->currentText(), QStringLiteral("Male"));
    QCOMPARE(Controls(f).ComboBoxHazard->currentText(), QStringLiteral("Forensic"));
    Controls(f).DBNavigator1->ButtonAt(Navigator::Next)->click();
    QCOMPARE(Controls(f).ComboBoxSex->currentText(), QStringLiteral("Female"));
    QCOMPARE(Controls(f).ComboBoxRace->currentText(), QStringLiteral("Black"));
    QVERIFY(!Controls(f).UseCranDataCB->isChecked());
  }

  void editsArePostedWhenTheRowIsLeft() {
    CaseFolder folder;
    folder.Seed({Scored("first"), Scored("second")});
    Window w(folder);
    TTAForm2& f = *w.form;
    DbScoreEdit* box = f.ScoreBox("CRA_SAGITTAL_UPPER");
    box->setFocus();
    box->selectAll();
    QTest::keyPress(box, '5');  // still in the box
    Controls(f).DBNavigator1->ButtonAt(Navigator::Next)->click();
    QCOMPARE(StoredRow(folder.Path(), 1)[static_cast<std::size_t>(FindCaseField("CRA_SAGITTAL_UPPER"))],
             std::string("5"));
  }

  void newSkeleton() {
    CaseFolder folder;
    folder.Seed({Scored("first")});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).UseAuriDataCB->setChecked(false);
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    Controls(f).BitBtnNew->click();
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).DataEntrySheet);
    QCOMPARE(f.TATable.State(), CaseTable::RowState::Insert);
    QCOMPARE(QApplication::focusWidget(), Controls(f).DBEdit4);
    QCOMPARE(Controls(f).ComboBoxSex->currentText(), QString());
    QCOMPARE(Controls(f).ComboBoxHazard->currentText(), QStringLiteral("Archeological"));
    QVERIFY(Controls(f).UseAuriDataCB->isChecked());
    QCOMPARE(Controls(f).DBGrid1->Model()->rowCount(), 2);
    // Moving off the untouched new row does not store it.
    Controls(f).DBNavigator1->ButtonAt(Navigator::First)->click();
    QCOMPARE(f.TATable.RecordCount(), 1);
    QCOMPARE(StoredRowCount(folder.Path()), 1);
    QCOMPARE(Controls(f).DBGrid1->Model()->rowCount(), 1);
    // The navigator's insert starts a new row without moving the focus.
    Controls(f).DBMemo1->setFocus();
    Controls(f).DBNavigator1->ButtonAt(Navigator::Insert)->click();
    QCOMPARE(f.TATable.State(), CaseTable::RowState::Insert);
    QCOMPARE(QApplication::focusWidget(), Controls(f).DBMemo1);
  }
};

QTEST_MAIN(DataEntryTest)
#include "DataEntryTest.moc"
