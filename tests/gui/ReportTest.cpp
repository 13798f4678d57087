// The printed report: the page the window prints and the page the headless
// tool writes are one page; the PDF holds the case and the row names on US
// Letter; the blank score form.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/widgets/BarChartWidget.h"
#include "paint/CaseReport.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

const char* const RowNames[] = {
    "Coronal Pterica",   "Zygomaticomaxillary",      "Superior Demiface Topography",    "Posterior Exostoses",
    "Symphyseal Relief", "Dorsal Symphyseal Margin", "Middle/Apical Surface Morphology"};

}  // namespace

class ReportTest : public QObject {
  Q_OBJECT

 private slots:
  // After Analyze in the window, the report it prints and the report written
  // from the stored row alone agree in every part but the time.
  void windowAndStoredReportsAgree_data() {
    QTest::addColumn<int>("complexes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("low");
    QTest::addColumn<bool>("edge");   // a complex with its maximum at the grid's end: no test, p shown as "1"
    QTest::addColumn<bool>("large");  // the window larger than its default size, its chart with it
    QTest::newRow("all three") << 3 << 6 << "2" << false << false;
    QTest::newRow("cranial and pubic") << 2 << 5 << "2" << false << false;
    QTest::newRow("cranial only") << 1 << 4 << "2" << false << false;
    QTest::newRow("youngest stages") << 3 << 6 << "1" << true << false;
    QTest::newRow("large window") << 3 << 6 << "2" << false << true;
  }
  void windowAndStoredReportsAgree() {
    QFETCH(int, complexes);
    QFETCH(int, rows);
    QFETCH(QString, low);
    QFETCH(bool, edge);
    QFETCH(bool, large);
    CaseFolder folder;
    std::vector<std::pair<std::string, std::string>> scores;
    for (int i = 0; i < complexes; ++i) {
      // The auricular traits have three stages at least, the others four.
      const auto more =
          edge ? ComplexScores(i, "1", "1") : ComplexScores(i, i == 1 ? "3" : low.toStdString(), i == 2 ? "3" : "4");
      scores.insert(scores.end(), more.begin(), more.end());
    }
    folder.Seed({{"K-17/3 \"north\"", "Female", "Black", "Archeological", scores}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join("; ")));
    QCOMPARE(Controls(f).AgeBarChart->size(), EstimatesChartSize);
    if (large) {
      f.resize(1900, 1150);
      QTest::qWait(1);
      QVERIFY(Controls(f).AgeBarChart->width() > EstimatesChartSize.width());
    }

    const ReportContent window = f.ReportFromCurrentRow();
    const ReportContent stored = StoredCaseReport(f.TATable, 95);
    QVERIFY(window.fields == stored.fields);
    QCOMPARE(stored.fields.at("SKELETON_NAME"), QStringLiteral("K-17/3 \"north\""));
    QCOMPARE(stored.modelLine, QStringLiteral("Hazard Model: Archeological Black Female"));
    QCOMPARE(window.modelLine, stored.modelLine);
    QCOMPARE(window.caption, stored.caption);
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < 7; ++c) {
        const ReportCell& a = window.cells[r][c];
        const ReportCell& b = stored.cells[r][c];
        QCOMPARE(b.enabled, r < rows && !(r == 0 && c == 0));
        QCOMPARE(a.enabled, b.enabled);
        QCOMPARE(a.text, b.text);
      }
    QCOMPARE(stored.cells[1][0].text, QStringLiteral("Corrected"));
    bool shownAsOne = false;
    for (int r = 3; r < rows; ++r) shownAsOne |= stored.cells[r][6].text == QStringLiteral("1");
    QCOMPARE(shownAsOne, edge);
    QCOMPARE(window.chartSize, stored.chartSize);
    QCOMPARE(window.chart.Items.size(), stored.chart.Items.size());
    QCOMPARE(static_cast<int>(stored.chart.Items.size()), 2 + complexes);
    for (std::size_t i = 0; i < stored.chart.Items.size(); ++i) {
      QCOMPARE(window.chart.Items[i].Left, stored.chart.Items[i].Left);
      QCOMPARE(window.chart.Items[i].Right, stored.chart.Items[i].Right);
      QCOMPARE(window.chart.Items[i].Top, stored.chart.Items[i].Top);
      QCOMPARE(window.chart.Items[i].Fill, stored.chart.Items[i].Fill);
    }
    QCOMPARE(window.chart.YLabels, stored.chart.YLabels);
    QCOMPARE(window.chart.XMax, stored.chart.XMax);
    QCOMPARE(window.chart.YMax, stored.chart.YMax);
    QCOMPARE(window.chart.AxisCaption, stored.chart.AxisCaption);
  }

  // A row without results has no stored report.
  void storedReportNeedsResults() {
    CaseFolder folder;
    folder.Seed({{"unscored", "Male", "White", "Forensic", {}}});
    CaseTable table;
    table.Open(folder.Path());
    QVERIFY(table.LocateName("unscored"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, StoredCaseReport(table, 95));
  }

  // The page as a PDF: US Letter, with the case number, the row names, the
  // model and the estimates as text.
  void reportPdf() {
    CaseFolder folder;
    folder.Seed({{"PDF-CASE-9", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    const QString pdf = QString::fromStdString(folder.Path()) + "report.pdf";
    WriteReportPdf(pdf, f.ReportFromCurrentRow());
    QCOMPARE(PdfPageSize(pdf), QStringLiteral("612 x 792 pts (letter)"));
    const QString text = PdfText(pdf);
    QVERIFY2(text.contains("PDF-CASE-9"), qPrintable(text));
    for (const char* name : RowNames) QVERIFY2(text.contains(QString::fromLatin1(name)), name);
    QVERIFY(text.contains("Hazard Model: Forensic White Male"));
    QVERIFY(text.contains(f.ResultCell(2, 1)));  // the corrected point estimate
    QVERIFY(text.contains(QString::fromLatin1(WindowCaption)));
    // The italic head " p" is still text, drawn with the bold face: the
    // page embeds a regular and a bold face and nothing more.
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("Chi-sq +p\\b"))));
    const QStringList fonts = PdfFontNames(pdf);
    QCOMPARE(fonts.size(), 2);
    QVERIFY2(!fonts.join(' ').contains("Italic", Qt::CaseInsensitive), qPrintable(fonts.join(' ')));
  }

  // The italic head leans by the italic angle: the top of an "l" stands to
  // the right of its foot, where the upright head beside it stands straight.
  void italicHeadLeans() {
    ReportContent content;
    for (int column : {5, 6}) {
      content.cells[0][column].enabled = true;
      content.cells[0][column].text = QStringLiteral("l");
    }
    const double perMm = 40;
    const QPointF origin(120 * perMm, 112 * perMm);  // the image shows the heads' strip only
    QImage page(QSize(int(30 * perMm), int(6 * perMm)), QImage::Format_RGB32);
    page.setDotsPerMeterX(int(perMm * 1000));
    page.setDotsPerMeterY(int(perMm * 1000));
    page.fill(Qt::white);
    {
      QPainter painter(&page);
      painter.translate(-origin);
      PaintReport(painter, perMm, content);
    }
    // The mean x of the ink in the first and last inked rows of a column's box.
    const auto lean = [&](double boxLeft) {
      const int left = int(boxLeft * perMm - origin.x()), right = int((boxLeft + 12.7) * perMm - origin.x());
      int first = -1, last = -1;
      std::vector<double> meanX(static_cast<std::size_t>(page.height()), 0);
      for (int y = 0; y < page.height(); ++y) {
        double sum = 0;
        int count = 0;
        for (int x = left; x < right; ++x)
          if (QColor(page.pixel(x, y)).value() < 128) sum += x, ++count;
        if (count == 0) continue;
        meanX[static_cast<std::size_t>(y)] = sum / count;
        if (first < 0) first = y;
        last = y;
      }
      if (first < 0) return std::pair<double, double>(0, 0);
      return std::pair<double, double>(meanX[static_cast<std::size_t>(first)] - meanX[static_cast<std::size_t>(last)],
                                       last - first);
    };
    const auto [uprightShift, uprightHeight] = lean(122.1);
    const auto [italicShift, italicHeight] = lean(134.4);
    QVERIFY(uprightHeight > 50 && italicHeight > 50);
    QVERIFY2(std::abs(uprightShift) < 0.05 * uprightHeight, qPrintable(QString::number(uprightShift)));
    QVERIFY2(italicShift > 0.15 * italicHeight && italicShift < 0.3 * italicHeight,
             qPrintable(QString::number(italicShift) + " over " + QString::number(italicHeight)));
  }

  void unwritablePdf() {
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, WriteReportPdf("/nonexistent-folder/x.pdf", BlankScoreForm()));
  }

  // Long row labels stay left of the score boxes, at their full size here.
  void rowLabelsClearTheBoxes() {
    ReportContent content;
    for (const std::string& field : ReportScoreFields()) content.fields[field] = QStringLiteral("8");
    const double perMm = 8;
    QImage page(QSize(int(190.5 * perMm), int(254 * perMm)), QImage::Format_RGB32);
    page.setDotsPerMeterX(int(perMm * 1000));  // the fonts' points on the page's own scale
    page.setDotsPerMeterY(int(perMm * 1000));
    page.fill(Qt::white);
    {
      QPainter painter(&page);
      PaintReport(painter, perMm, content);
    }
    // The strip between the longest auricular label and the first box is
    // blank: the label ends before it.
    const int top = int(46.6 * perMm), bottom = int(50.0 * perMm);
    for (int x = int(148.6 * perMm); x < int(149.4 * perMm); ++x)
      for (int y = top; y < bottom; ++y) QCOMPARE(QColor(page.pixel(x, y)), QColor(Qt::white));
  }

  // The blank form: no field filled, boxes framed where the report has none.
  void blankForm() {
    const ReportContent form = BlankScoreForm();
    QVERIFY(form.fields.empty());
    QCOMPARE(form.modelLine, QStringLiteral("Hazard Model: "));
    QVERIFY(form.chartSize.isEmpty());
    for (int r = 1; r < 6; ++r) QVERIFY(form.cells[r][6].enabled && form.cells[r][6].text.isEmpty());
    QCOMPARE(form.cells[3][0].text, QStringLiteral("Cranial Sutures"));

    const auto leftEdgeOfFirstBox = [](const ReportContent& content) {
      const double perMm = 4;
      QImage page(QSize(int(190.5 * perMm), int(254 * perMm)), QImage::Format_RGB32);
      page.setDotsPerMeterX(int(perMm * 1000));
      page.setDotsPerMeterY(int(perMm * 1000));
      page.fill(Qt::white);
      QPainter painter(&page);
      PaintReport(painter, perMm, content);
      painter.end();
      return QColor(page.pixel(int(50.0 * perMm), int(27.5 * perMm)));
    };
    QVERIFY(leftEdgeOfFirstBox(form).value() < 128);
    ReportContent report = form;
    report.blankForm = false;
    QCOMPARE(leftEdgeOfFirstBox(report), QColor(Qt::white));
  }

  // The build puts the blank form beside the programs, where the window's
  // button looks for it.
  void shippedForm() {
    const QString form = QFileInfo(QStringLiteral(VORLA_CLI)).absolutePath() + "/Transition Analysis Score Form.pdf";
    QVERIFY2(QFileInfo::exists(form), qPrintable(form));
    QCOMPARE(PdfPageSize(form), QStringLiteral("612 x 792 pts (letter)"));
    const QString text = PdfText(form);
    for (const char* name : RowNames) QVERIFY2(text.contains(QString::fromLatin1(name)), name);
    QVERIFY(text.contains("Skeleton:"));
  }
};

QTEST_MAIN(ReportTest)
#include "ReportTest.moc"
