// The files a case's graph and report go to: the folder and name the save
// dialog proposes, the PDF file that printing to a file proposes, the
// preview's size, and the curve legend in the copied picture. (The file type
// a chosen name gives is GraphExportTest's.)
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "gui/widgets/BarChartWidget.h"
#include "paint/CaseReport.h"
#include "paint/GraphExport.h"

using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

QString Dir(const CaseFolder& folder) {
  return QString::fromStdString(folder.Path());
}

// Runs check on the modal dialog of this type once it is open, then closes it.
template <typename Dialog>
void WhenOpen(const std::function<void(Dialog*)>& check) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, check] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    check(dialog);
    dialog->reject();
  });
  timer->start();
}

}  // namespace

class GraphFilesTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void safeFileStems_data() {
    QTest::addColumn<QString>("caseNumber");
    QTest::addColumn<QString>("stem");
    QTest::newRow("plain") << "DEMO-01"
                           << "DEMO-01";
    QTest::newRow("blanks kept inside") << "  B 12  "
                                        << "B 12";
    QTest::newRow("separators and dots") << "A/B\\C:1.2"
                                         << "A_B_C_1_2";
    QTest::newRow("wildcards and quotes") << "x*?\"<>|"
                                          << "x______";
    QTest::newRow("control character") << QString("a") + QChar(9) + "b"
                                       << "a_b";
    QTest::newRow("empty") << "   "
                           << "";
  }
  void safeFileStems() {
    QFETCH(QString, caseNumber);
    QFETCH(QString, stem);
    QCOMPARE(SafeFileStem(caseNumber), stem);
  }

  // The dialog proposes the case number in the folder of the last graph
  // saved (the case folder at first); cancelling keeps the folder.
  void saveDialogProposesCaseAndFolder() {
    CaseFolder folder;
    folder.Seed({{"K/12.3", "Male", "White", "Forensic", AllScores("2", "3")},
                 {"", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    QVERIFY(f.TATable.LocateName("K/12.3"));
    Controls(f).BitBtnCalculate->click();
    w.ui.saveAnswer.clear();
    Controls(f).SaveGraphButt->click();
    QCOMPARE(w.ui.saveDialogs.back().directory, Dir(folder) + "K_12_3");

    QVERIFY(QDir(Dir(folder)).mkdir("graphs"));
    w.ui.saveAnswer = Dir(folder) + "graphs/K_12_3";
    Controls(f).SaveGraphButt->click();
    QVERIFY(QFileInfo::exists(Dir(folder) + "graphs/K_12_3.wmf"));
    w.ui.saveAnswer.clear();
    Controls(f).SaveGraphButt->click();
    QCOMPARE(w.ui.saveDialogs.back().directory, Dir(folder) + "graphs/K_12_3");
    // A folder that could not take the file is not the folder last used.
    w.ui.saveAnswer = Dir(folder) + "missing/K";
    Controls(f).SaveGraphButt->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    w.ui.saveAnswer.clear();
    Controls(f).SaveGraphButt->click();
    QCOMPARE(w.ui.saveDialogs.back().directory, Dir(folder) + "graphs/K_12_3");

    // A case without a number: the folder alone.
    Controls(f).PageControl1->setCurrentWidget(Controls(f).DataEntrySheet);
    f.DataSourceSkeleton.Last();
    QVERIFY(f.TATable.FieldAsText("SKELETON_NAME").empty());
    Controls(f).BitBtnCalculate->click();
    Controls(f).SaveGraphButt->click();
    QCOMPARE(w.ui.saveDialogs.back().directory, Dir(folder) + "graphs/");
    QCOMPARE(w.ui.saveDialogs.size(), std::size_t{6});
  }

  // Printing to a file proposes the case number as a PDF in the case folder.
  void reportProposesTheCasePdf() {
    CaseFolder folder;
    folder.Seed({{"DEMO 04", "Male", "White", "Forensic", AllScores("2", "3")},
                 {"a:b", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    QVERIFY(f.TATable.LocateName("DEMO 04"));
    Controls(f).BitBtnCalculate->click();
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(w.ui.previews, 1);
    QCOMPARE(w.ui.proposedPdf, Dir(folder) + "DEMO 04.pdf");
    QVERIFY(QFileInfo(w.ui.proposedPdf).isAbsolute());
    QVERIFY(f.TATable.LocateName("a:b"));
    Controls(f).PrintPreviewButt->click();
    QCOMPARE(w.ui.proposedPdf, Dir(folder) + "a_b.pdf");
  }

  // The printer keeps the proposed file whatever kind it is, and a real
  // printer stays a real printer.
  void printerProposesTheFile() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("DEMO 04.pdf");
    QPrinter printer(QPrinter::HighResolution);
    const QPrinter::OutputFormat format = printer.outputFormat();
    ProposePdfFile(printer, pdf);
    QCOMPARE(printer.outputFileName(), pdf);
    QCOMPARE(printer.outputFormat(), format);
    QCOMPARE(printer.docName(), QStringLiteral("DEMO 04"));
  }

  // The desktop's preview: the page large enough to read, and printing to a
  // file proposes the case's PDF (in the export dialog without a printer,
  // in the print dialog with one).
  void desktopPreviewIsReadableAndProposesTheFile() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("DEMO 04.pdf");
    QWidget owner;
    DesktopInteraction desktop(&owner);
    double zoom = 0;
    QSize dialogSize;
    QString proposed;
    WhenOpen<QPrintPreviewDialog>([&](QPrintPreviewDialog* dialog) {
      auto* preview = dialog->findChild<QPrintPreviewWidget*>();
      QVERIFY(preview);
      QApplication::processEvents();
      zoom = preview->zoomFactor();
      dialogSize = dialog->size();
      QAction* print = nullptr;
      for (QAction* action : dialog->findChildren<QAction*>())
        if (action->text().remove('&') == QStringLiteral("Print")) print = action;
      QVERIFY(print);
      auto* watch = new QTimer;
      watch->setInterval(20);
      QObject::connect(watch, &QTimer::timeout, watch, [watch, &proposed] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* files = qobject_cast<QFileDialog*>(modal)) {
          proposed = files->selectedFiles().value(0);
          files->reject();
        } else if (auto* printDialog = qobject_cast<QPrintDialog*>(modal)) {
          if (auto* name = printDialog->findChild<QLineEdit*>(QStringLiteral("filename"))) proposed = name->text();
          printDialog->reject();
        } else {
          return;
        }
        watch->stop();
        watch->deleteLater();
      });
      watch->start();
      print->trigger();
    });
    int paints = 0;
    desktop.PrintPreview(&owner, pdf, [&](QPrinter* printer) {
      QPainter painter(printer);
      painter.drawText(100, 100, QStringLiteral("page"));
      ++paints;
    });
    QVERIFY(paints >= 1);
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(dialogSize.width() <= room.width() && dialogSize.height() <= room.height());
    // At least three quarters of the page's real size, or the whole width
    // of the screen for the page where that is less.
    const double wanted =
        qMin(0.75, 0.8 * room.width() / (8.5 * QGuiApplication::primaryScreen()->logicalDotsPerInchX()));
    QVERIFY2(zoom >= wanted, qPrintable(QString::number(zoom)));
    QCOMPARE(proposed, pdf);
    QVERIFY(!QFileInfo::exists(pdf));
  }

  // A copied picture of the curves holds their legend as the page shows it.
  void copiedCurvesCarryTheLegend() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    Controls(f).ShowBarPlotButt->click();
    QVERIFY(!Controls(f).MathGrid1->isHidden());
    Controls(f).ButtonCopyGraph->click();
    QVERIFY(w.ui.clipboardData && w.ui.clipboardData->hasImage());
    const QImage picture = qvariant_cast<QImage>(w.ui.clipboardData->imageData()).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(picture.size(), Controls(f).MathGrid1->size());
    const QImage plot = Controls(f).MathGrid1->RenderImage().convertToFormat(QImage::Format_RGB32);
    for (QLabel* label : Controls(f).CurveLegend) {
      QVERIFY(label->isVisible());
      const QRect place(Controls(f).MathGrid1->mapFrom(&f, label->mapTo(&f, QPoint(0, 0))), label->size());
      QVERIFY2(picture.rect().contains(place), qPrintable(label->text()));
      const QImage shown = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
      QCOMPARE(picture.copy(place), shown);
      QVERIFY2(plot.copy(place) != shown, qPrintable(label->text()));
    }
  }
};

QTEST_MAIN(GraphFilesTest)
#include "GraphFilesTest.moc"
