// What the summary claims and which complexes take part: the standard error
// that is not estimated, and a complex taken in again by typing its scores.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbLabel.h"
#include "params/CaseRun.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

class SummaryAndChoicesTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  // The row keeps its 1 in the two SE fields; the summary shows no number
  // for them and says why.
  void standardErrorIsNotShownAsANumber() {
    CaseFolder folder;
    folder.Seed({{"one", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY(f.LastRunAnalysed());
    for (const char* field : {"RES_ALL_STD_ERROR", "RES_ALLCOR_STD_ERROR"}) {
      QCOMPARE(f.TATable.FieldAsFloat(field), 1.0);
      auto* value = Controls(f).AgeSummPanel->findChild<QLabel*>(QString::fromLatin1(field));
      QVERIFY2(value, field);
      QVERIFY(value->isVisible());
      QCOMPARE(value->text(), QString(QChar(0x2013)));
      QCOMPARE(value->toolTip(), QStringLiteral("no standard error is estimated"));
    }
    // No label of the summary shows either field, and both "SE" captions
    // carry the same explanation.
    for (DbLabel* label : Controls(f).AgeSummPanel->findChildren<DbLabel*>())
      QVERIFY2(label->FieldName().find("STD_ERROR") == std::string::npos, label->FieldName().c_str());
    int captions = 0;
    for (QLabel* label : Controls(f).AgeSummPanel->findChildren<QLabel*>())
      if (label->text() == QStringLiteral("SE")) {
        ++captions;
        QCOMPARE(label->toolTip(), QStringLiteral("no standard error is estimated"));
      }
    QCOMPARE(captions, 2);
    // Another row, analysed or not, changes nothing of it.
    Controls(f).PageControl1->setCurrentWidget(Controls(f).DataEntrySheet);
    f.DataSourceSkeleton.Append();
    QCOMPARE(Controls(f).AgeSummPanel->findChild<QLabel*>("RES_ALL_STD_ERROR")->text(), QString(QChar(0x2013)));
  }

  // After Analyze has left out the complexes without scores, a score typed
  // into one of them takes it in again; the others stay out.
  void typingAScoreTakesTheComplexInAgain() {
    CaseFolder folder;
    folder.Seed({{"bare", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(w.ui.Texts(), QStringList{QString::fromLatin1(NoDataTypesMessage)});
    for (int i = 0; i < 3; ++i) QVERIFY(!f.ComplexCheckBox(i)->isChecked());

    Controls(f).PageControl1->setCurrentWidget(Controls(f).DataEntrySheet);
    for (const char* field : {"AUR_TOPOSUP_L_LOW", "AUR_TOPOSUP_L_UPPER", "AUR_MORSUP_R_LOW"}) {
      DbScoreEdit* box = f.ScoreBox(field);
      box->setFocus(Qt::OtherFocusReason);
      TypeInto(box, QStringLiteral("2"));
    }
    QVERIFY(Controls(f).UseAuriDataCB->isChecked());
    QVERIFY(!Controls(f).UseCranDataCB->isChecked());
    QVERIFY(!Controls(f).UsePubeDataCB->isChecked());

    w.ui.Clear();
    Controls(f).BitBtnCalculate->click();
    QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join('\n')));
    QVERIFY(f.LastRunAnalysed());
    QVERIFY(!f.TATable.FieldIsNull("RES_AUR_MAX_LIKELIHOOD"));
    QVERIFY(f.TATable.FieldIsNull("RES_CRA_MAX_LIKELIHOOD"));
  }

  // Only a score typed by the person counts: emptying a box, a refused
  // character or a score put there by the program leave the box unticked.
  void onlyATypedScoreTicks() {
    CaseFolder folder;
    folder.Seed({{"bare", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).UsePubeDataCB->setChecked(false);
    DbScoreEdit* box = f.ScoreBox("PUB_RELIEF_L_LOW");
    box->setFocus(Qt::OtherFocusReason);
    TypeInto(box, QStringLiteral("x"));
    QTest::keyClick(box, Qt::Key_Backspace);
    box->setText(QStringLiteral("3"));
    QVERIFY(!Controls(f).UsePubeDataCB->isChecked());
    box->clear();
    TypeInto(box, QStringLiteral("4"));
    QVERIFY(Controls(f).UsePubeDataCB->isChecked());
    QVERIFY(f.UsePubicData);
  }
};

QTEST_MAIN(SummaryAndChoicesTest)
#include "SummaryAndChoicesTest.moc"
