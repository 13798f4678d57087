// The window on a real desktop: run on a virtual screen under a window
// manager, which gives it a title bar and a frame. Opened as the program
// opens it, the window with its frame lies within the screen, the status bar
// is on the screen, the notice's buttons are in view, and on a screen of
// 1366 x 768 or more neither page scrolls.
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include "GuiTestSupport.h"

using namespace vorla::gui;
using namespace vorla::gui::test;

class ScreenFitTest : public QObject {
  Q_OBJECT
 private slots:
  void theWindowFitsTheScreenWithItsFrame() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    RecordingInteraction ui;
    TTAForm2 f(folder.Path(), ui);
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    f.PlaceOnScreen(available);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f, 15000));
    // The window manager frames the window a moment after it is shown.
    QVERIFY2(QTest::qWaitFor([&] { return f.frameGeometry().height() > f.height() + 4; }, 15000),
             "no window manager framed the window");
    // The window answers the frame by fitting itself in; a desktop under load
    // may take a while to report where it went.
    static_cast<void>(QTest::qWaitFor([&] { return available.contains(f.frameGeometry()); }, 3000));
    const QRect outer = f.frameGeometry();
    QVERIFY2(available.contains(outer), qPrintable(QStringLiteral("%1x%2+%3+%4 on %5x%6")
                                                       .arg(outer.width())
                                                       .arg(outer.height())
                                                       .arg(outer.x())
                                                       .arg(outer.y())
                                                       .arg(available.width())
                                                       .arg(available.height())));
    const QRect status(f.statusBar()->mapToGlobal(QPoint(0, 0)), f.statusBar()->size());
    QVERIFY(available.contains(status));
    // The notice's buttons are whole and in view.
    for (QPushButton* button : {Controls(f).OKBtn, Controls(f).CancelBtn}) {
      const QRect shown(button->mapTo(Controls(f).ClientScroll->viewport(), QPoint(0, 0)), button->size());
      QVERIFY2(Controls(f).ClientScroll->viewport()->rect().contains(shown), qPrintable(button->text()));
    }
    Controls(f).OKBtn->click();
    for (QWidget* page : {Controls(f).DataEntrySheet, Controls(f).TabSheet3}) {
      Controls(f).PageControl1->setCurrentWidget(page);
      QTest::qWait(50);
      const QRect analyze(Controls(f).BitBtnCalculate->mapToGlobal(QPoint(0, 0)), Controls(f).BitBtnCalculate->size());
      QVERIFY(available.contains(analyze));
      if (available.width() >= 1366 && available.height() >= 768) {
        // A loaded desktop may take a moment to settle the layout.
        QTRY_COMPARE(Controls(f).ClientScroll->verticalScrollBar()->maximum(), 0);
        QTRY_COMPARE(Controls(f).ClientScroll->horizontalScrollBar()->maximum(), 0);
      }
    }
    f.close();
  }
};

QTEST_MAIN(ScreenFitTest)
#include "ScreenFitTest.moc"
