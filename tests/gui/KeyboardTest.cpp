// Working the window with the keyboard: the pages Ctrl+Tab reaches, the
// mnemonics and shortcuts, the focus every control shows, and one case
// recorded, analysed and printed without the mouse.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

#include "GuiTestSupport.h"
#include "gui/widgets/CaseGrid.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbListBox.h"
#include "gui/widgets/DbMemo.h"
#include "gui/widgets/FocusRing.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

// A key as the person presses it: to the control that has the focus.
void Press(TTAForm2& form, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = QApplication::focusWidget();
  QTest::keyClick(target ? target : &form, static_cast<Qt::Key>(key), modifiers);
}

SeedRow ScoredCase(const std::string& name) {
  return {name, "Male", "White", "Forensic", AllScores("2", "3")};
}

// The window's picture around a control (three pixels beyond its edges).
QImage Surroundings(TTAForm2& form, QWidget* control) {
  const QRect area(control->mapTo(&form, QPoint(0, 0)) - QPoint(3, 3), control->size() + QSize(6, 6));
  return form.grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

int DifferingPixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return a.width() * a.height();
  int count = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
  return count;
}

// The focusable controls the person sees now.
std::vector<QWidget*> FocusableControls(TTAForm2& form) {
  std::vector<QWidget*> controls;
  for (QWidget* w : form.findChildren<QWidget*>())
    if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() &&
        w->window() == &form)
      controls.push_back(w);
  return controls;
}

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  // Ctrl+Tab, Ctrl+Shift+Tab and the tab bar's arrows go between the two
  // pages and never to the hidden report page, from whatever control.
  void pageKeysSkipTheReportPage_data() {
    QTest::addColumn<QString>("start");
    QTest::newRow("case number") << "DBEdit4";
    QTest::newRow("choice list") << "HazardPriorLB";
    QTest::newRow("notes") << "DBMemo1";
    QTest::newRow("score box") << "CRA_PTERICA_LOW";
  }
  void pageKeysSkipTheReportPage() {
    QFETCH(QString, start);
    CaseFolder folder;
    folder.Seed({ScoredCase("one")});
    Window w(folder);
    TTAForm2& f = *w.form;
    auto* control = f.findChild<QWidget*>(start);
    QVERIFY(control);
    control->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), control);
    QSet<QWidget*> pages;
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)}) {
      for (int i = 0; i < 5; ++i) {
        Press(f, modifiers & Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
        QVERIFY2(Controls(f).PageControl1->currentWidget() != Controls(f).TabSheet1,
                 "the hidden report page is on view");
        pages.insert(Controls(f).PageControl1->currentWidget());
      }
    }
    QCOMPARE(pages.size(), 2);

    QTabBar* bar = Controls(f).PageControl1->tabBar();
    bar->setFocus(Qt::OtherFocusReason);
    for (int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Left, Qt::Key_Left}) {
      QTest::keyClick(bar, static_cast<Qt::Key>(key));
      QVERIFY(Controls(f).PageControl1->currentWidget() != Controls(f).TabSheet1);
    }
  }

  // Alt+A analyses from any control; the auricular group answers Alt+U.
  void altAAnalyses() {
    CaseFolder folder;
    folder.Seed({ScoredCase("one")});
    Window w(folder);
    TTAForm2& f = *w.form;
    QCOMPARE(Controls(f).ScoreGroupBoxes[2]->title(), QStringLiteral("A&uricular Area "));
    QCOMPARE(Controls(f).UseAuriDataCB->text(), QStringLiteral("Analyze Auricular Data"));
    QCOMPARE(Controls(f).BitBtnCalculate->text(), QStringLiteral("&Analyze"));

    f.ScoreBox("AUR_TOPOSUP_L_LOW")->setFocus(Qt::OtherFocusReason);
    Press(f, Qt::Key_A, Qt::AltModifier);
    // The button shows itself pressed for a moment, then acts.
    QTRY_VERIFY(f.LastRunAnalysed());
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).TabSheet3);
    QVERIFY(!f.TATable.FieldIsNull("RES_ALL_MAX_LIKELIHOOD"));

    Controls(f).PageControl1->setCurrentWidget(Controls(f).DataEntrySheet);
    Controls(f).DBEdit4->setFocus(Qt::OtherFocusReason);
    Press(f, Qt::Key_U, Qt::AltModifier);
    QVERIFY(Controls(f).ScoreGroupBoxes[2]->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).DataEntrySheet);
  }

  // On each page, no two controls in view answer the same Alt key.
  void mnemonicsAreUnique() {
    CaseFolder folder;
    folder.Seed({ScoredCase("one")});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    for (QWidget* page : {Controls(f).DataEntrySheet, Controls(f).TabSheet3}) {
      Controls(f).PageControl1->setCurrentWidget(page);
      QMap<QKeySequence, QString> owners;
      const auto claim = [&](const QString& text, QWidget* widget) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (key.isEmpty() || !widget->isVisible()) return;
        QVERIFY2(!owners.contains(key), qPrintable(text + " and " + owners.value(key) + " share " + key.toString()));
        owners.insert(key, text);
      };
      for (QAbstractButton* b : f.findChildren<QAbstractButton*>()) claim(b->text(), b);
      for (QGroupBox* g : f.findChildren<QGroupBox*>()) claim(g->title(), g);
      for (QLabel* l : f.findChildren<QLabel*>())
        if (l->buddy()) claim(l->text(), l);
      for (int i = 0; i < Controls(f).PageControl1->count(); ++i)
        if (Controls(f).PageControl1->isTabVisible(i))
          claim(Controls(f).PageControl1->tabText(i), Controls(f).PageControl1);
      if (QTest::currentTestFailed()) return;
      QVERIFY(owners.contains(QKeySequence(Qt::ALT | Qt::Key_A)));
    }
  }

  // Every control that takes the focus looks different while it has it, on
  // both pages, however the focus came to it.
  void everyControlShowsFocus() {
    CaseFolder folder;
    folder.Seed({ScoredCase("one"), ScoredCase("two")});
    Window w(folder, false);
    TTAForm2& f = *w.form;
    auto* ring = f.findChild<FocusRing*>();
    QVERIFY(ring);
    // The notice, then each page.
    for (QWidget* page : {static_cast<QWidget*>(nullptr), Controls(f).DataEntrySheet, Controls(f).TabSheet3}) {
      if (page == Controls(f).DataEntrySheet) {
        Controls(f).OKBtn->click();
        Controls(f).BitBtnCalculate->click();
      }
      if (page) Controls(f).PageControl1->setCurrentWidget(page);
      const std::vector<QWidget*> controls = FocusableControls(f);
      QVERIFY(controls.size() > (page == Controls(f).DataEntrySheet ? 70u : page ? 10u : 3u));
      for (QWidget* control : controls) {
        const QString name = control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                                             : control->objectName();
        control->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        if (QApplication::focusWidget() != control) continue;  // one that passes the focus on
        const QWidget* ringed = ring->Target();
        // Around the control and nowhere else.
        QVERIFY(ring->isVisible());
        QCOMPARE(ring->mapTo(&f, QPoint(FocusRing::Width, FocusRing::Width)), control->mapTo(&f, QPoint(0, 0)));
        QCOMPARE(ring->size(), control->size() + QSize(2 * FocusRing::Width, 2 * FocusRing::Width));
        const QImage focused = Surroundings(f, control);
        control->clearFocus();
        QApplication::processEvents();
        const QImage plain = Surroundings(f, control);
        const int changed = DifferingPixels(focused, plain);
        QVERIFY2(changed >= control->width() + control->height(),
                 qPrintable(name + QStringLiteral(" shows no focus (") + QString::number(changed) + " pixels)"));
        QCOMPARE(ringed, control);
        QVERIFY(!ring->isVisible());
      }
    }
    QVERIFY(!Controls(f).ClientScroll->focusPolicy());
  }

  // Ctrl+N starts a new skeleton and Ctrl+P prints the report, from either
  // page; neither acts before the terms are accepted.
  void newSkeletonAndPrintKeys() {
    CaseFolder folder;
    folder.Seed({ScoredCase("one")});
    Window w(folder, false);
    TTAForm2& f = *w.form;
    Press(f, Qt::Key_N, Qt::ControlModifier);
    Press(f, Qt::Key_P, Qt::ControlModifier);
    QVERIFY(f.TATable.State() != CaseTable::RowState::Insert);
    QCOMPARE(w.ui.previews, 0);
    QVERIFY(!Controls(f).DisclaimerPanel->isHidden());

    Controls(f).OKBtn->click();
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).TabSheet3);
    Press(f, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(w.ui.previews, 1);
    QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("SKELETON_NAME")), QStringLiteral("one"));

    Press(f, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(f.TATable.State(), CaseTable::RowState::Insert);
    QCOMPARE(Controls(f).PageControl1->currentWidget(), Controls(f).DataEntrySheet);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Controls(f).DBEdit4));
    QVERIFY(Controls(f).BitBtnNew->toolTip().contains("Ctrl+N"));
    QVERIFY(Controls(f).PrintPreviewButt->toolTip().contains("Ctrl+P"));
  }

  // Del deletes a case from the case list only, Ctrl+C copies the results
  // where no box has text to copy, F1 shows About; a box keeps its own keys.
  void menuKeysLeaveBoxesTheirKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("focus");  // score box, notes, case list, results grid
    QTest::addColumn<bool>("deleteAsked");
    QTest::addColumn<bool>("copied");
    QTest::addColumn<bool>("about");
    QTest::addColumn<QString>("scoreAfter");
    const int none = Qt::NoModifier, ctrl = Qt::ControlModifier;
    QTest::newRow("Del in a score box") << int(Qt::Key_Delete) << none << "score" << false << false << false << "";
    QTest::newRow("Del in the notes") << int(Qt::Key_Delete) << none << "notes" << false << false << false << "2";
    QTest::newRow("Del in the case list") << int(Qt::Key_Delete) << none << "list" << true << false << false << "2";
    QTest::newRow("Ctrl+C in a score box") << int(Qt::Key_C) << ctrl << "score" << false << false << false << "2";
    QTest::newRow("Ctrl+C in the results") << int(Qt::Key_C) << ctrl << "grid" << false << true << false << "2";
    QTest::newRow("F1 in a score box") << int(Qt::Key_F1) << none << "score" << false << false << true << "2";
  }
  void menuKeysLeaveBoxesTheirKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, focus);
    QFETCH(bool, deleteAsked);
    QFETCH(bool, copied);
    QFETCH(bool, about);
    QFETCH(QString, scoreAfter);
    CaseFolder folder;
    folder.Seed({ScoredCase("one")});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    w.ui.Clear();
    w.ui.answerYes = false;
    DbScoreEdit* score = f.ScoreBox("CRA_PTERICA_LOW");
    const bool results = focus == "grid";
    Controls(f).PageControl1->setCurrentWidget(results ? Controls(f).TabSheet3 : Controls(f).DataEntrySheet);
    QWidget* target = focus == "score"   ? static_cast<QWidget*>(score)
                      : focus == "notes" ? static_cast<QWidget*>(Controls(f).DBMemo1)
                      : focus == "list"  ? static_cast<QWidget*>(Controls(f).DBGrid1)
                                         : static_cast<QWidget*>(Controls(f).NumResultsGrid);
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);
    Press(f, key, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(w.ui.questions.size(), std::size_t(deleteAsked ? 1 : 0));
    QCOMPARE(StoredRowCount(folder.Path()), 1);
    QCOMPARE(!w.ui.clipboardText.isEmpty(), copied);
    if (copied) QVERIFY(w.ui.clipboardText.contains("Corrected"));
    QCOMPARE(w.ui.messages.size(), std::size_t(about ? 1 : 0));
    if (about) QVERIFY(w.ui.messages[0].text.contains("SHA-256"));
    QCOMPARE(score->text(), scoreAfter);
  }

  // A case from the notice to the printed page without the mouse.
  void wholeCaseByKeyboard() {
    CaseFolder folder;
    folder.Seed({ScoredCase("one")});
    Window w(folder, false);
    TTAForm2& f = *w.form;
    auto* ring = f.findChild<FocusRing*>();
    QVERIFY(ring);
    Press(f, Qt::Key_Return);
    QVERIFY(Controls(f).DisclaimerPanel->isHidden());
    Press(f, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Controls(f).DBEdit4));
    TypeInto(QApplication::focusWidget(), QStringLiteral("KB 7"));
    // The three choices: the first item of each list.
    for (DbListBox* list : {Controls(f).HazardPriorLB, Controls(f).RacePriorLB, Controls(f).SexPriorLB}) {
      Press(f, Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(list));
      QCOMPARE(ring->Target(), static_cast<QWidget*>(list));
      QVERIFY(ring->isVisible());
      Press(f, Qt::Key_Down);
    }
    Press(f, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Controls(f).UseCranDataCB));
    Press(f, Qt::Key_Tab);
    // The cranial scores: a stage moves on to the next box by itself.
    for (int i = 0; i < 10; ++i) {
      auto* box = qobject_cast<DbScoreEdit*>(QApplication::focusWidget());
      QVERIFY(box);
      QVERIFY(box->FieldName().rfind("CRA_", 0) == 0);
      TypeInto(box, i % 2 == 0 ? QStringLiteral("2") : QStringLiteral("3"));
    }
    Press(f, Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(f.LastRunAnalysed());
    QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join('\n')));
    Press(f, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(w.ui.previews, 1);
    QCOMPARE(w.ui.proposedPdf, QString::fromStdString(folder.Path()) + "KB 7.pdf");

    // What was typed is stored, with its results.
    QVERIFY(f.TATable.LocateName("KB 7"));
    QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("CRA_PTERICA_LOW")), QStringLiteral("2"));
    QCOMPARE(QString::fromStdString(f.TATable.FieldAsText("HAZARDFUNC")), Controls(f).HazardPriorLB->item(0)->text());
    QVERIFY(!f.TATable.FieldIsNull("RES_CRA_MAX_LIKELIHOOD"));
    QVERIFY(f.TATable.FieldIsNull("RES_PUB_MAX_LIKELIHOOD"));
  }
};

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
