// The window as a whole: the notice and its keys, F8, the scroll ranges, the
// resize and paint arithmetic, the hidden report page, and what closing and
// a wrong parameter file keep of the current row.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

#include "GuiTestSupport.h"
#include "gui/ButtonBar.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbMemo.h"
#include "params/CaseRun.h"
#include "params/ParameterErrors.h"
#include "store/CaseTable.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

class StartupTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void noticeStandsInFrontUntilAccepted() {
    CaseFolder folder;
    Window w(folder, false);
    TTAForm2& f = *w.form;
    QVERIFY(!Controls(f).DisclaimerPanel->isHidden());
    QVERIFY(Controls(f).PageControl1->isHidden());
    QVERIFY(Controls(f).Panel11->isHidden());
    QCOMPARE(Controls(f).DisclaimerPanel->pos(), QPoint(184, 64));
    QCOMPARE(QApplication::focusWidget(), Controls(f).OKBtn);
    QVERIFY(Controls(f).DisclaimerText->toPlainText().contains("VORLA"));
    QVERIFY(Controls(f).DisclaimerText->toPlainText().contains("2002"));
    QVERIFY(Controls(f).DisclaimerText->toPlainText().contains("merchantability"));
    // The start-up has run behind the notice: the table is open on a row being edited.
    QVERIFY(f.TATable.IsOpen());
    QVERIFY(f.TATable.State() != CaseTable::RowState::Browse);

    QTest::keyClick(Controls(f).OKBtn, Qt::Key_Return);
    QVERIFY(Controls(f).DisclaimerPanel->isHidden());
    QVERIFY(!Controls(f).PageControl1->isHidden());
    QVERIFY(!Controls(f).Panel11->isHidden());
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).DataEntrySheet);

    // Once the notice is gone, Enter and Esc no longer reach its buttons.
    QTest::keyClick(Controls(f).DBEdit4, Qt::Key_Escape);
    QTest::keyClick(Controls(f).DBEdit4, Qt::Key_Return);
    QVERIFY(f.isVisible());
    QVERIFY(Controls(f).DisclaimerPanel->isHidden());
  }

  void escapeOnTheNoticeEndsTheProgram() {
    CaseFolder folder;
    Window w(folder, false);
    QTest::keyClick(Controls(*w.form).OKBtn, Qt::Key_Escape);
    QVERIFY(!w.form->isVisible());
    QVERIFY(!w.form->TATable.IsOpen());
  }

  void scoreFormOpensWhileTheNoticeStays() {
    CaseFolder folder;
    Window w(folder, false);
    Controls(*w.form).ShowDataFrmButt->click();
    const std::string expected = folder.Path() + "Transition Analysis Score Form.pdf not found.";
    QCOMPARE(w.ui.Texts(), QStringList{QString::fromStdString(expected)});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Plain);
    QVERIFY(!Controls(*w.form).DisclaimerPanel->isHidden());

    QFile form(QString::fromStdString(folder.Path()) + "Transition Analysis Score Form.pdf");
    QVERIFY(form.open(QIODevice::WriteOnly));
    form.close();
    Controls(*w.form).ShowDataFrmButt->click();
    QCOMPARE(w.ui.openedDocuments.size(), std::size_t{1});
    QVERIFY(w.ui.openedDocuments[0].endsWith("Transition Analysis Score Form.pdf"));
    QVERIFY(!Controls(*w.form).DisclaimerPanel->isHidden());
  }

  // F8 anywhere is a click on Analyze, the notice still showing or not, and
  // the key still reaches the focused control.
  void f8RunsTheAnalyzeActionFromAnywhere() {
    CaseFolder folder;
    folder.Seed({{"no choices", "", "", "", {}}});
    Window w(folder, false);
    QSignalSpy clicks(Controls(*w.form).BitBtnCalculate, &QPushButton::clicked);
    QTest::keyClick(Controls(*w.form).OKBtn, Qt::Key_F8);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(w.ui.Texts(), QStringList{QString::fromLatin1(NoAncestryMessage)});

    Controls(*w.form).OKBtn->click();
    DbScoreEdit* box = w.form->ScoreBox("CRA_PTERICA_LOW");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_F8);
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(w.ui.messages.size(), std::size_t{2});
  }

  void scrollRangesFollowTheOuterSize() {
    QCOMPARE(TTAForm2::VerticalScrollRangeFor(728), 729);
    QCOMPARE(TTAForm2::VerticalScrollRangeFor(729), 0);
    QCOMPARE(TTAForm2::HorizontalScrollRangeFor(987), 988);
    QCOMPARE(TTAForm2::HorizontalScrollRangeFor(988), 0);

    CaseFolder folder;
    RecordingInteraction ui;
    TTAForm2 small(folder.Path(), ui);
    small.resize(900, 700);
    small.show();
    QCOMPARE(small.VertScrollRange, 729);
    QCOMPARE(small.HorzScrollRange, 988);
    // The pages keep the room they need and scroll inside the smaller window.
    const QSize room = Controls(small).ClientArea->minimumSize();
    QCOMPARE(room.expandedTo(TTAForm2::NaturalPageSize()), room);
    QVERIFY(Controls(small).ClientScroll->verticalScrollBar()->maximum() > 0);
    QVERIFY(Controls(small).ClientScroll->horizontalScrollBar()->maximum() > 0);
    small.close();

    // The first size is 1009 x 754 with the menu and status bars added.
    Window w(folder);
    QCOMPARE(w.form->OuterSize(), w.form->DefaultOuterSize());
    QCOMPARE(w.form->OuterSize().width(), 1009);
    QVERIFY(w.form->OuterSize().height() > 754);
    QCOMPARE(Controls(*w.form).ClientScroll->verticalScrollBar()->maximum(), 0);
    QCOMPARE(w.form->VertScrollRange, 0);
    QCOMPARE(w.form->HorzScrollRange, 0);
  }

  // At the size the pages need, every control of both pages lies wholly
  // inside them: the window that gives them that room cuts nothing off.
  void thePagesHoldTheirControlsAtTheirNaturalSize() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    f.resize(700, 500);
    // The room kept: the size the pages were drawn for, or more where their
    // texts need it in the face at hand.
    const QSize room = Controls(f).ClientArea->minimumSize();
    QCOMPARE(room.expandedTo(TTAForm2::NaturalPageSize()), room);
    QCOMPARE(Controls(f).ClientArea->size(), room);
    const QRect page(QPoint(0, 0), room);
    for (QWidget* sheet : {Controls(f).DataEntrySheet, Controls(f).TabSheet3}) {
      Controls(f).PageControl1->setCurrentWidget(sheet);
      QApplication::processEvents();
      for (QWidget* control : sheet->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(sheet) || control->isWindow()) continue;
        const QRect placed(control->mapTo(Controls(f).ClientArea, QPoint(0, 0)), control->size());
        QVERIFY2(page.contains(placed),
                 qPrintable(control->objectName() + QStringLiteral(" ") + QString::number(placed.bottom())));
      }
    }
  }

  void buttonBarFollowsTheWidth() {
    CaseFolder folder;
    Window w(folder);
    TTAForm2& f = *w.form;
    QCOMPARE(f.OuterSize().width(), 1009);
    QCOMPARE(Controls(f).ExitButt->x(), 909);
    QCOMPARE(Controls(f).BitBtnCalculate->x(), 480);
    f.resize(1200 - (f.OuterSize().width() - f.width()), 800);
    QCOMPARE(f.OuterSize().width(), 1200);
    QCOMPARE(Controls(f).ExitButt->x(), 1100);
    QCOMPARE(Controls(f).BitBtnCalculate->x(), 571);  // 571.43
    QCOMPARE(RoundHalfEven(2.5), 2);
    QCOMPARE(RoundHalfEven(3.5), 4);
    // The panel under the graph stays centred under the plot's place.
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    QCOMPARE(Controls(f).NumSummPanel->x(),
             RoundHalfEven((Controls(f).AgeNumPanel->x() - Controls(f).NumSummPanel->width()) / 2.0));
    QCOMPARE(Controls(f).MathGrid1->height(), Controls(f).NumSummPanel->y() - 10);
    QCOMPARE(Controls(f).MathGrid1->width(), Controls(f).AgeNumPanel->x() - 10);
    QCOMPARE(Controls(f).AgeNumPanel->x() + Controls(f).AgeNumPanel->width(), Controls(f).TabSheet3->width());
  }

  void reportPageIsHidden() {
    CaseFolder folder;
    Window w(folder);
    QCOMPARE(Controls(*w.form).PageControl1->count(), 3);
    QVERIFY(!Controls(*w.form).PageControl1->isTabVisible(2));
    QCOMPARE(Controls(*w.form).PageControl1->tabText(2), QStringLiteral("Report"));
  }

  // Scores typed into a row are kept when the window closes, also when the
  // focus never left the box.
  void closingKeepsWhatWasTyped() {
    CaseFolder folder;
    folder.Seed({{"first", "Male", "White", "Forensic", ComplexScores(0, "2", "3")}});
    {
      Window w(folder);
      Controls(*w.form).BitBtnNew->click();
      TypeInto(Controls(*w.form).DBEdit4, "second");
      DbScoreEdit* box = w.form->ScoreBox("AUR_TOPOSUP_L_LOW");
      box->setFocus();
      QTest::keyPress(box, '2');  // pending in the box: no key release, no leaving
      QCOMPARE(box->text(), QStringLiteral("2"));
      w.form->close();
      QVERIFY(w.ui.messages.empty());
    }
    QCOMPARE(StoredRowCount(folder.Path()), 2);
    CaseTable table;
    table.Open(folder.Path());
    table.Last();
    QCOMPARE(QString::fromStdString(table.FieldAsText("SKELETON_NAME")), QStringLiteral("second"));
    QCOMPARE(table.FieldAsInteger("AUR_TOPOSUP_L_LOW"), 2);
  }

  void closingDropsAnUntouchedNewRow() {
    CaseFolder folder;
    folder.Seed({{"first", "Male", "White", "Forensic", {}}});
    {
      Window w(folder);
      Controls(*w.form).BitBtnNew->click();
      w.form->close();
    }
    QCOMPARE(StoredRowCount(folder.Path()), 1);
  }

  // An empty table: the window opens on an empty form for the first case; a
  // new row and the navigator's insert do not call each other without end.
  void emptyTableStartsWithAFormForTheFirstCase() {
    CaseFolder folder;
    {
      Window w(folder);
      QCOMPARE(w.form->TATable.State(), CaseTable::RowState::Insert);
      QCOMPARE(Controls(*w.form).DBEdit4->text(), QString());
      Controls(*w.form).BitBtnNew->click();
      w.form->NavigatorClick(4);
      QCOMPARE(w.form->TATable.State(), CaseTable::RowState::Insert);
      QCOMPARE(w.form->TATable.RecordCount(), 0);
      QVERIFY(w.ui.messages.empty());
      w.form->close();
    }
    QCOMPARE(StoredRowCount(folder.Path()), 0);
    {
      Window w(folder);
      Controls(*w.form).DBEdit4->setFocus();
      TypeInto(Controls(*w.form).DBEdit4, "the first");
      Controls(*w.form).DBMemo1->setFocus();  // leaving the box writes the name
      QVERIFY(w.form->TATable.Modified());
      w.form->close();
    }
    QCOMPARE(StoredRowCount(folder.Path()), 1);
    QCOMPARE(StoredRow(folder.Path(), 1)[1], std::string("the first"));
  }

  // A parameter file of another version: an information box, the pending
  // edits kept, the program ends with code 1.
  void wrongParameterVersionEndsTheProgramKeepingEdits() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", ComplexScores(0, "2", "3")}});
    folder.WriteParameterFile("0.10 an older set\n4\n1.0\n");
    Window w(folder);
    Controls(*w.form).DBMemo1->setFocus();
    QTest::keyClicks(Controls(*w.form).DBMemo1, "note");
    QTest::keyClick(Controls(*w.form).DBMemo1, Qt::Key_F8);
    QVERIFY2(w.ui.messages.size() == 1, qPrintable(w.ui.Texts().join(" | ")));
    QCOMPARE(w.ui.Texts(), QStringList{QString::fromStdString(VersionMismatchMessage())});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Information);
    QCOMPARE(w.ui.exitCodes, std::vector<int>{1});
    QVERIFY(!w.form->isVisible());
    QCOMPARE(StoredRow(folder.Path(), 1)[static_cast<std::size_t>(FindCaseField("TA_Notes"))], std::string("note"));
  }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
