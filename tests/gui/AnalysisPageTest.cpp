// The analysis page after a run: the results grid and its rules, the p-value
// highlighting, the grid's text copy, the bar chart's bars, labels and scale,
// Rescale, the zoom, the likelihood curves and their marker lines as pixels,
// and the switching between the two views.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <map>
#include <optional>

#include "GuiTestSupport.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/DbLabel.h"
#include "params/CaseRun.h"
#include "store/Schema.h"

using namespace vorla;
using namespace vorla::gui;
using namespace vorla::gui::test;

namespace {

using FieldValues = std::vector<std::pair<std::string, std::optional<double>>>;

// Writes result fields into the current row as a run would have stored them.
// Results stored by hand, as if analysed at 95 %.
void Store(TTAForm2& f, const FieldValues& values) {
  f.DataSourceSkeleton.Edit();
  f.DataSourceSkeleton.SetFieldInteger("RES_CI_LEVEL", 95);
  for (const auto& [field, value] : values) {
    if (value)
      f.DataSourceSkeleton.SetFieldFloat(field, *value);
    else
      f.DataSourceSkeleton.SetFieldNull(field);
  }
  f.DataSourceSkeleton.Post();
  f.ShowAsCurrent(f.Selection());
}

FieldValues Estimate(const std::string& prefix, std::optional<double> low, std::optional<double> est,
                     std::optional<double> up) {
  return {{prefix + "LOW95P_CONF", low}, {prefix + "MAX_LIKELIHOOD", est}, {prefix + "UPPER95P_CONF", up}};
}

FieldValues Test(const std::string& prefix, std::optional<double> df, std::optional<double> chi2,
                 std::optional<double> p) {
  return {{prefix + "DEGFREE", df}, {prefix + "CHI2", chi2}, {prefix + "CHI2_P", p}};
}

FieldValues operator+(FieldValues a, const FieldValues& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The complexes of a run, whose stored results the page shows as current.
void SetFlags(TTAForm2& f, bool cranial, bool pubic, bool auricular) {
  f.UseCranialData = cranial;
  f.UsePubicData = pubic;
  f.UseAuricularData = auricular;
  f.ShowAsCurrent(f.Selection());
}

QStringList Column(const TTAForm2& f, int column) {
  QStringList texts;
  for (int r = 0; r < f.NumResultsRowCount(); ++r) texts << f.ResultCell(column, r);
  return texts;
}

QString OneDecimal(const std::string& stored) {
  return QString::number(std::stod(stored), 'f', 1);
}

std::string StoredField(const std::vector<std::string>& row, const std::string& name) {
  return row[static_cast<std::size_t>(FindCaseField(name))];
}

// How many pixels of a row of the image, between two columns, have this colour.
int CountInRow(const QImage& image, int y, int x0, int x1, const QColor& colour) {
  int count = 0;
  for (int x = x0; x <= x1; ++x)
    if (image.pixelColor(x, y) == colour) ++count;
  return count;
}

// A profile with a bell of this height at this age.
AgeProfile Bell(double centre, double height, double spread) {
  AgeProfile profile{};
  for (int i = 0; i < AgeGridSize; ++i) {
    const double age = GridAge(i);
    profile[static_cast<std::size_t>(i)] = {age, height * std::exp(-0.5 * std::pow((age - centre) / spread, 2))};
  }
  return profile;
}

void AddComplex(TTransisionsAnalyseDataSet& record, const std::string& name, double centre) {
  auto complex = std::make_unique<TraitComplex>();
  complex->Complexname = name;
  complex->Profile = Bell(centre, 1.0, 4.0);
  complex->Next = std::move(record.Complexes);
  record.Complexes = std::move(complex);
}

const QColor White(255, 255, 255), Grey(128, 128, 128), Blue(0, 0, 255), Black(0, 0, 0), Red(255, 0, 0),
    Fuchsia(255, 0, 255), Teal(0, 128, 128), Maroon(128, 0, 0), Yellow(255, 255, 0);

}  // namespace

class AnalysisPageTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  // --- Results grid -------------------------------------------------------------

  void gridAfterRuns_data() {
    QTest::addColumn<QString>("scored");  // the complexes scored: c, p, a
    QTest::addColumn<QStringList>("names");
    QTest::newRow("one") << "p" << QStringList{"Corrected", "Uncorrected", "Pubic Symphysis"};
    QTest::newRow("two") << "ca" << QStringList{"Corrected", "Uncorrected", "Cranial Sutures", "Auricular Area"};
    QTest::newRow("three") << "cpa"
                           << QStringList{"Corrected", "Uncorrected", "Cranial Sutures", "Pubic Symphysis",
                                          "Auricular Area"};
  }

  // After a real run the grid shows the stored values, row by row.
  void gridAfterRuns() {
    QFETCH(QString, scored);
    QFETCH(QStringList, names);
    std::vector<std::pair<std::string, std::string>> scores;
    for (int i = 0; i < 3; ++i)
      if (scored.contains(QLatin1Char("cpa"[i]))) {
        const auto part = ComplexScores(i, "2", "3");
        scores.insert(scores.end(), part.begin(), part.end());
      }
    CaseFolder folder;
    folder.Seed({{"grid case", "Female", "White", "Forensic", scores}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY2(w.ui.messages.empty(), qPrintable(w.ui.Texts().join("; ")));

    QCOMPARE(f.NumResultsRowCount(), int(names.size()) + 1);
    for (int r = 0; r < 6; ++r) QCOMPARE(Controls(f).NumResultsGrid->isRowHidden(r), r >= f.NumResultsRowCount());
    QCOMPARE(Column(f, 0), QStringList{"grid case"} + names);
    QCOMPARE((QStringList{f.ResultCell(1, 0), f.ResultCell(2, 0), f.ResultCell(3, 0), f.ResultCell(4, 0),
                          f.ResultCell(5, 0), f.ResultCell(6, 0)}),
             (QStringList{" L_95% ", "Point_Est", " U_95% ", "DF", "Chi-sq", " p"}));
    for (int c = 4; c <= 6; ++c) QCOMPARE(f.ResultCell(c, 1), QStringLiteral(" -"));

    const auto row = StoredRow(folder.Path(), 1);
    const std::string prefixes[] = {"RES_ALLCOR_", "RES_ALL_", "RES_CRA_", "RES_PUB_", "RES_AUR_"};
    int r = 1;
    for (int k = 0; k < 5; ++k) {
      if (k >= 2 && !scored.contains(QLatin1Char("cpa"[k - 2]))) continue;
      const std::string& prefix = prefixes[k];
      QCOMPARE(f.ResultCell(1, r), OneDecimal(StoredField(row, prefix + "LOW95P_CONF")));
      QCOMPARE(f.ResultCell(2, r), OneDecimal(StoredField(row, prefix + "MAX_LIKELIHOOD")));
      QCOMPARE(f.ResultCell(3, r), OneDecimal(StoredField(row, prefix + "UPPER95P_CONF")));
      if (k >= 2) {
        // After the run a complex's p is never empty in the row.
        QVERIFY(!StoredField(row, prefix + "CHI2_P").empty());
        const QString p = f.ResultCell(6, r);
        QVERIFY(p == QStringLiteral("1") ||
                p == QString::number(std::stod(StoredField(row, prefix + "CHI2_P")), 'f', 2));
      }
      ++r;
    }
    // One complex has no combined test.
    if (scored.size() == 1) {
      QVERIFY(StoredField(row, "RES_ALL_CHI2_P").empty());
      QCOMPARE(f.ResultCell(6, 2), QStringLiteral(" -"));
      QVERIFY(Controls(f).pvaluncorr->text().isEmpty());
    }
  }

  // The rules of the fill on chosen stored values: " -" and " - ", the "1"
  // rule with its write-back, the -1 rule, and a complex without results.
  void gridRulesOnStoredValues() {
    CaseFolder folder;
    folder.Seed({{"rules", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Store(f, Estimate("RES_ALLCOR_", 15.04, 17.86, 22.3) + Estimate("RES_ALL_", 15, 18, 23.44) +
                 Test("RES_ALL_", 2, 3.4, -1) + Estimate("RES_CRA_", 20, 30, 40) +
                 Test("RES_CRA_", 0, std::nullopt, std::nullopt) + Estimate("RES_PUB_", 25.25, 30, 110) +
                 Test("RES_PUB_", 3, 3.0, 0.02) + Estimate("RES_AUR_", std::nullopt, std::nullopt, std::nullopt) +
                 Test("RES_AUR_", std::nullopt, std::nullopt, std::nullopt));
    SetFlags(f, true, true, true);
    f.FormatpVal(Controls(f).pvaluncorr);
    QVERIFY(Controls(f).pvaluncorr->isHidden());
    f.FillResultsGrid();  // an empty complex is no failure

    const QStringList rows[] = {
        {"rules", " L_95% ", "Point_Est", " U_95% ", "DF", "Chi-sq", " p"},
        {"Corrected", "15.0", "17.9", "22.3", " -", " -", " -"},
        {"Uncorrected", "\u2264 15.0", "18.0", "23.4", "2", "3.4", " -"},
        {"Cranial Sutures", "20.0", "30.0", "40.0", "0", " - ", "1"},
        {"Pubic Symphysis", "25.3", "30.0", "\u2265 110.0", "3", "3", "0.02"},
        {"Auricular Area", "", "", "", "", "", ""},
    };
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < 7; ++c) QCOMPARE(f.ResultCell(c, r), rows[r][c]);

    // Showing the results only reads them: the corrections belong to the
    // analysis, which has not run here.
    const auto stored = StoredRow(folder.Path(), 1);
    QCOMPARE(std::stod(StoredField(stored, "RES_ALL_CHI2_P")), -1.0);
    QVERIFY(StoredField(stored, "RES_CRA_CHI2_P").empty());
    QVERIFY(StoredField(stored, "RES_AUR_CHI2_P").empty());
    QVERIFY(Controls(f).pvaluncorr->isHidden());
    // The summary shows the stored field as it is, in black.
    f.FormatpVal(Controls(f).pvalcran);
    QCOMPARE(Controls(f).pvalcran->text(), QString());
    QCOMPARE(Controls(f).pvalcran->palette().color(QPalette::WindowText), Black);

    // A second fill reads the row the same way.
    f.FillResultsGrid();
    QCOMPARE(f.ResultCell(6, 3), QStringLiteral("1"));
    // Only the selected complexes get rows; the others stay empty.
    SetFlags(f, false, false, true);
    f.FillResultsGrid();
    QCOMPARE(f.ResultCell(0, 3), QStringLiteral("Auricular Area"));
    for (int r = 3; r <= 5; ++r)
      for (int c = 1; c <= 6; ++c) QCOMPARE(f.ResultCell(c, r), QString());
  }

  // --- p highlighting ---------------------------------------------------------

  void summaryHighlighting_data() {
    QTest::addColumn<double>("p");
    QTest::addColumn<bool>("red");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.02") << 0.02 << true << " 0.02 ";
    QTest::newRow("0.03") << 0.03 << false << " 0.03 ";
    QTest::newRow("0") << 0.0 << true << " 0.00 ";
    QTest::newRow("0.0201") << 0.0201 << false << " 0.02 ";
  }

  void summaryHighlighting() {
    QFETCH(double, p);
    QFETCH(bool, red);
    QFETCH(QString, text);
    CaseFolder folder;
    folder.Seed({{"p", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Store(f, Test("RES_PUB_", 2, 5, p));
    f.FormatpVal(Controls(f).pvalpube);
    QVERIFY(!Controls(f).pvalpube->isHidden());
    QCOMPARE(Controls(f).pvalpube->text(), text);
    QCOMPARE(Controls(f).pvalpube->palette().color(QPalette::WindowText), red ? Red : Black);
    QCOMPARE(Controls(f).pvalpube->palette().color(QPalette::Window), red ? Yellow : QColor(225, 225, 225));
  }

  void gridHighlighting_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("marked");
    QTest::newRow("0.02") << 6 << "0.02" << true;
    QTest::newRow("0.024") << 6 << "0.024" << true;
    QTest::newRow("0.025") << 6 << "0.025" << false;
    QTest::newRow("0.03") << 6 << "0.03" << false;
    QTest::newRow("0.00") << 6 << "0.00" << true;
    QTest::newRow("blank hyphen") << 6 << " -" << false;
    QTest::newRow("one") << 6 << "1" << false;
    QTest::newRow("no number") << 6 << "n/a" << false;
    QTest::newRow("other column") << 5 << "0.01" << false;
  }

  // The painted cell: red on yellow only for p below 0.025 in the p column.
  void gridHighlighting() {
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, marked);
    CaseFolder folder;
    folder.Seed({{"p", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).NumResultsGrid->item(3, column)->setText(text);
    QImage image(60, 24, QImage::Format_RGB32);
    image.fill(Qt::green);
    QPainter painter(&image);
    f.NumResultsGridDrawCell(painter, column, 3, image.rect(), false);
    painter.end();
    QCOMPARE(image.pixelColor(1, 1) == Yellow, marked);
    int reds = 0;
    for (int y = 0; y < image.height(); ++y) reds += CountInRow(image, y, 0, image.width() - 1, Red);
    QCOMPARE(reds > 0, marked);
  }

  // Columns 1 to 6 are centred, column 0 stays at the left.
  void gridCellsAreCentred() {
    CaseFolder folder;
    folder.Seed({{"p", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).NumResultsGrid->item(1, 0)->setText("ab");
    Controls(f).NumResultsGrid->item(1, 2)->setText("ab");
    const auto inkSpan = [&](int column) {
      QImage image(100, 24, QImage::Format_RGB32);
      QPainter painter(&image);
      f.NumResultsGridDrawCell(painter, column, 1, image.rect(), false);
      painter.end();
      const QColor background = image.pixelColor(99, 23);
      int left = 100, right = -1;
      for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 100; ++x)
          if (image.pixelColor(x, y) != background) {
            left = std::min(left, x);
            right = std::max(right, x);
          }
      return std::pair{left, right};
    };
    const auto [l0, r0] = inkSpan(0);
    QVERIFY(l0 >= 2 && l0 <= 4);
    QVERIFY(r0 < 50);
    const auto [l2, r2] = inkSpan(2);
    QVERIFY2(std::abs((l2 + r2) / 2 - 50) <= 2, qPrintable(QString("%1..%2").arg(l2).arg(r2)));
  }

  // --- Copy Text ----------------------------------------------------------------

  // Copy Text gives the grid as it is shown, open limits marked, in rows
  // of tab-separated cells.
  void copyTextGivesTheGridAsText() {
    CaseFolder folder;
    folder.Seed({{"Case 7", "Male", "White", "Forensic", AllScores("1", "2")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(f.NumResultsRowCount(), 6);
    Controls(f).CopyResTextButt->click();
    QVERIFY(w.ui.messages.empty());
    QString expected;
    for (int r = 0; r < 6; ++r) {
      for (int c = 0; c <= 6; ++c) expected += f.ResultCell(c, r) + QLatin1Char('\t');
      expected += QStringLiteral("\r\n");
    }
    QCOMPARE(w.ui.clipboardText, expected);
    QVERIFY2(
        expected.startsWith(QStringLiteral("Case 7\t L_95% \tPoint_Est\t U_95% \tDF\tChi-sq\t p\t\r\nCorrected\t")),
        qPrintable(expected));
    QVERIFY2(expected.contains(QStringLiteral("\t\u2264 15.0\t")), qPrintable(expected));
  }

  // --- Bar chart --------------------------------------------------------------

  void barChart_data() {
    QTest::addColumn<bool>("cranialScored");
    QTest::addColumn<int>("flags");  // 3: all, 1: pubic only
    QTest::addColumn<QString>("labels");
    QTest::addColumn<QList<QColor>>("colours");
    QTest::addColumn<double>("yMax");
    QTest::addColumn<int>("xMax");
    QTest::newRow("all three") << true << 3
                               << "|Corrected|Uncorrected|Cranial Sutures|Pubic Symphysis|Auricular Area|||||"
                               << QList<QColor>{Blue, Black, Maroon, Fuchsia, Teal} << 120.0 << 90;
    QTest::newRow("cranial left out") << false << 3 << "|Corrected|Uncorrected|Pubic Symphysis|Auricular Area|||||"
                                      << QList<QColor>{Blue, Black, Fuchsia, Teal} << 120.0 << 70;
    QTest::newRow("pubic only") << false << 1 << "|Corrected|Uncorrected|Pubic Symphysis|||||"
                                << QList<QColor>{Blue, Black, Fuchsia} << 80.0 << 70;
  }

  void barChart() {
    QFETCH(bool, cranialScored);
    QFETCH(int, flags);
    QFETCH(QString, labels);
    QFETCH(QList<QColor>, colours);
    QFETCH(double, yMax);
    QFETCH(int, xMax);
    CaseFolder folder;
    folder.Seed({{"bars", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    // The cranial upper limit 76.3 sets the scale to 90; without it 65 gives 70.
    Store(f, Estimate("RES_ALLCOR_", 30, 40, 50) + Estimate("RES_ALL_", 31, 41, 51) +
                 Estimate("RES_CRA_", cranialScored ? std::optional<double>(40) : std::nullopt, std::nullopt,
                          cranialScored ? std::optional<double>(76.3) : std::nullopt) +
                 Estimate("RES_PUB_", 20, 30, 65) + Estimate("RES_AUR_", 25, 35, 45));
    SetFlags(f, flags == 3, true, flags == 3);
    Controls(f).ShowBarPlotButt->click();
    QVERIFY(w.ui.messages.empty());
    QVERIFY(!Controls(f).BarGraphPanel->isHidden());
    QVERIFY(Controls(f).MathGrid1->isHidden());

    const BarChartData& chart = Controls(f).AgeBarChart->Data();
    QCOMPARE(chart.YLabels, labels);
    QCOMPARE(chart.YMax, yMax);
    QCOMPARE(chart.XMax, double(xMax));
    QCOMPARE(Controls(f).grphxmax->text(), QString::number(xMax));
    QCOMPARE(int(chart.Items.size()), int(colours.size()));
    for (int k = 0; k < int(colours.size()); ++k) {
      const ChartRect& item = chart.Items[static_cast<std::size_t>(k)];
      QCOMPARE(item.Fill, colours[k]);
      QCOMPARE(item.Outline, colours[k]);
      QCOMPARE(std::max(item.Top, item.Bottom), 25.0 + 20 * k);
      QCOMPARE(std::min(item.Top, item.Bottom), 15.0 + 20 * k);
    }
    // The ticks of the vertical scale fall every 20, on the centres of the bars,
    // and carry the labels from the bottom.
    const std::vector<double> ticks = ScaleTicks(0, chart.YMax, ScaleStep(0, chart.YMax, chart.YMinTicks));
    QCOMPARE(ticks.size(), std::size_t(yMax / 20) + 1);
    for (std::size_t i = 0; i < ticks.size(); ++i) QCOMPARE(ticks[i], 20.0 * double(i));
    const QStringList split = SplitScaleLabels(chart.YLabels);
    QCOMPARE(split.value(0), QString());
    QCOMPARE(split.value(1), QStringLiteral("Corrected"));

    // The rendered chart: each bar has its colour between its lower limit and
    // its estimate, and the estimate's tick across it.
    const QImage image = Controls(f).AgeBarChart->RenderImage();
    const QRectF area = BarChartArea(chart, image.size());
    const auto pixelX = [&](double x) {
      return int(area.left() + (x - chart.XMin) / (chart.XMax - chart.XMin) * area.width());
    };
    const std::map<QRgb, std::optional<double>> estimates = {
        {Blue.rgb(), 40}, {Black.rgb(), 41}, {Maroon.rgb(), std::nullopt}, {Fuchsia.rgb(), 30}, {Teal.rgb(), 35}};
    for (int k = 0; k < int(colours.size()); ++k) {
      const ChartRect& item = chart.Items[static_cast<std::size_t>(k)];
      const int y = int(area.bottom() - 20.0 * (k + 1) / chart.YMax * area.height());
      QCOMPARE(image.pixelColor(pixelX((item.Left + item.Mark.value_or(item.Right)) / 2), y), colours[k]);
      QCOMPARE(item.Mark, estimates.at(colours[k].rgb()));
      if (item.Mark) QVERIFY(CountInRow(image, y, pixelX(*item.Mark) - 1, pixelX(*item.Mark) + 1, colours[k]) < 3);
    }
  }

  // Limits at the ends of the age range are open: the summary marks them,
  // and their bars end in an arrow beyond the limit.
  void openLimitsAreMarked() {
    CaseFolder folder;
    folder.Seed({{"open", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Store(f,
          Estimate("RES_ALLCOR_", 20, 30, 40) + Estimate("RES_ALL_", 15, 18, 40) + Estimate("RES_PUB_", 60, 90, 110));
    SetFlags(f, false, true, false);
    Controls(f).ShowBarPlotButt->click();
    const auto summary = [&](const char* field) {
      for (DbLabel* label : Controls(f).AgeSummPanel->findChildren<DbLabel*>())
        if (label->FieldName() == field) return label->text();
      return QString();
    };
    QCOMPARE(summary("RES_ALL_LOW95P_CONF"), QStringLiteral("\u2264 15"));
    QCOMPARE(summary("RES_ALL_MAX_LIKELIHOOD"), QStringLiteral("18"));
    const BarChartData& chart = Controls(f).AgeBarChart->Data();
    QCOMPARE(chart.Items.size(), std::size_t{3});
    const bool openings[][2] = {{false, false}, {true, false}, {false, true}};
    for (std::size_t k = 0; k < 3; ++k) {
      QCOMPARE(chart.Items[k].OpenLeft, openings[k][0]);
      QCOMPARE(chart.Items[k].OpenRight, openings[k][1]);
    }
    // Just beyond the ends: the arrow of an open end has the bar's colour.
    const QImage image = Controls(f).AgeBarChart->RenderImage();
    const QRectF area = BarChartArea(chart, image.size());
    const auto at = [&](double x, std::size_t k) {
      const double y = (chart.Items[k].Top + chart.Items[k].Bottom) / 2;
      return image.pixelColor(int(area.left() + (x - chart.XMin) / (chart.XMax - chart.XMin) * area.width()),
                              int(area.bottom() - y / chart.YMax * area.height()));
    };
    QCOMPARE(at(13.5, 1), Black);
    QCOMPARE(at(111.5, 2), Fuchsia);
    QVERIFY(at(41.5, 0) != Blue);
  }

  // Under a dark theme the summary, the grid and the note keep dark text on
  // a light ground, as the chart and the printed page do.
  void readableUnderADarkTheme() {
    const QPalette before = QApplication::palette();
    QPalette dark;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
      dark.setColor(role, QColor(40, 40, 40));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) dark.setColor(role, Qt::white);
    QApplication::setPalette(dark);
    {
      CaseFolder folder;
      folder.Seed({{"dark", "Male", "White", "Forensic", AllScores("2", "3")}});
      Window w(folder);
      TTAForm2& f = *w.form;
      Controls(f).BitBtnCalculate->click();
      // The contrast ratio of two colours by their relative luminance: white on
      // the light grey is 1.3, the pubic heading's fuchsia on it (as in a light
      // theme) 2.4.
      const auto contrast = [](const QColor& a, const QColor& b) {
        const auto luminance = [](const QColor& c) {
          const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
          return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
        };
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
      };
      for (QLabel* label : Controls(f).AgeSummPanel->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(Controls(f).AgeSummPanel) || label->text().trimmed().isEmpty()) continue;
        const QWidget* ground = label->autoFillBackground() ? label : Controls(f).AgeSummPanel;
        QVERIFY2(contrast(label->palette().color(QPalette::WindowText), ground->palette().color(QPalette::Window)) >= 2,
                 qPrintable(label->text()));
      }
      // A value cell as painted: its text against its ground.
      QTableWidget* grid = Controls(f).NumResultsGrid;
      const QImage cells = grid->viewport()->grab().toImage();
      const QRect cell = grid->visualRect(grid->model()->index(1, 2));
      QColor darkest = Qt::white, lightest = Qt::black;
      for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x) {
          const QColor c = cells.pixelColor(x, y);
          if (c.lightness() < darkest.lightness()) darkest = c;
          if (c.lightness() > lightest.lightness()) lightest = c;
        }
      QVERIFY(contrast(darkest, lightest) >= 2);
      const QPalette note = Controls(f).ResultsNote->palette();
      QVERIFY(contrast(note.color(QPalette::WindowText), note.color(QPalette::Window)) >= 2);
    }
    QApplication::setPalette(before);
  }

  // An empty corrected limit cannot be read: the error is reported, neither view is on.
  void emptyCorrectedLimitsEndTheClick() {
    CaseFolder folder;
    folder.Seed({{"bars", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    SetFlags(f, false, true, false);
    Controls(f).ShowBarPlotButt->click();
    QCOMPARE(w.ui.messages.size(), std::size_t{1});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
    QVERIFY(Controls(f).BarGraphPanel->isHidden());
    QVERIFY(Controls(f).MathGrid1->isHidden());
  }

  void horizontalEnd_data() {
    QTest::addColumn<double>("largest");
    QTest::addColumn<int>("end");
    QTest::newRow("50") << 50.0 << 60;
    QTest::newRow("76.3") << 76.3 << 90;
    QTest::newRow("65") << 65.0 << 70;
    QTest::newRow("75") << 75.0 << 90;
    QTest::newRow("110") << 110.0 << 120;
    QTest::newRow("64.9") << 64.9 << 70;
  }

  void horizontalEnd() {
    QFETCH(double, largest);
    QFETCH(int, end);
    QCOMPARE(BarScaleUpperEnd(largest), end);
  }

  // Upper limits all at or below 50 leave the scale at 60.
  void smallLimitsKeepSixty() {
    CaseFolder folder;
    folder.Seed({{"young", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Store(f, Estimate("RES_ALLCOR_", 15, 18, 22) + Estimate("RES_ALL_", 15, 18, 23) + Estimate("RES_PUB_", 15, 19, 30));
    SetFlags(f, false, true, false);
    f.ShowBarPlotButtClick();
    QCOMPARE(Controls(f).AgeBarChart->Data().XMax, 60.0);
    QCOMPARE(Controls(f).grphxmax->text(), QStringLiteral("60"));
  }

  void rescale() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY(!Controls(f).rescaleButt->isHidden());
    const double computedEnd = Controls(f).AgeBarChart->Data().XMax;

    Controls(f).grphxmin->setText("20");
    Controls(f).grphxmax->setText("80");
    Controls(f).rescaleButt->click();
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(Controls(f).AgeBarChart->Data().XMin, 20.0);
    QCOMPARE(Controls(f).AgeBarChart->Data().XMax, 80.0);

    // Not whole numbers, or a lower end not below the upper end: the range stays, with a reason.
    const std::pair<const char*, const char*> refused[] = {{"20", "8x"}, {"1.5", "80"}, {"80", "20"}, {"50", "50"}};
    for (const auto& [low, high] : refused) {
      w.ui.Clear();
      Controls(f).grphxmin->setText(low);
      Controls(f).grphxmax->setText(high);
      Controls(f).rescaleButt->click();
      QCOMPARE(w.ui.messages.size(), std::size_t{1});
      QCOMPARE(w.ui.messages[0].kind, MessageKind::Error);
      QVERIFY(w.ui.messages[0].text.contains("stays as it was"));
      QCOMPARE(Controls(f).AgeBarChart->Data().XMin, 20.0);
      QCOMPARE(Controls(f).AgeBarChart->Data().XMax, 80.0);
    }

    // Analyze resets both ends, and the boxes show the scale drawn.
    w.ui.Clear();
    Controls(f).BitBtnCalculate->click();
    QCOMPARE(Controls(f).grphxmin->text(), QStringLiteral("10"));
    QCOMPARE(Controls(f).grphxmax->text(), QString::number(int(computedEnd)));
    QCOMPARE(Controls(f).AgeBarChart->Data().XMin, 10.0);
    QCOMPARE(Controls(f).AgeBarChart->Data().XMax, computedEnd);
  }

  // --- Curves -------------------------------------------------------------------

  void markerLines_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<double>("factor");
    QTest::newRow("90") << 0 << 0.258;
    QTest::newRow("95") << 1 << 0.146489723;
    QTest::newRow("99") << 2 << 0.036;
  }

  // The three dotted lines lie, in their colours, on the rows of f, f x ML
  // and f x Hazard_ML, from age 15 to 110; the curves come in their colours.
  void markerLines() {
    QFETCH(int, level);
    QFETCH(double, factor);
    CaseFolder folder;
    folder.Seed({{"curves", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).ProbabilityButtons->button(level)->setChecked(true);
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    Controls(f).MathGrid1->show();

    TTransisionsAnalyseDataSet record;
    record.Likelihood = Bell(40, 0.8, 6);
    record.HazardLikelihood = Bell(42, 0.5, 6);
    record.ML = 0.8;
    record.Hazard_ML = 0.5;
    AddComplex(record, "AURICULAR", 30);
    AddComplex(record, "pubis", 35);  // not the exact name: not drawn
    AddComplex(record, "PUBIS", 25);
    AddComplex(record, "SUTURES", 35);
    f.PlotLikelihoodCurves(&record);
    QVERIFY(w.ui.messages.empty());

    const std::vector<PlotStroke>& picture = Controls(f).MathGrid1->Picture();
    const QList<QColor> order{White, Grey, Blue, Red, Fuchsia, Teal, Black, Blue};
    QCOMPARE(int(picture.size()), int(order.size()));
    for (int i = 0; i < int(order.size()); ++i) {
      QCOMPARE(picture[static_cast<std::size_t>(i)].Color, order[i]);
      QCOMPARE(picture[static_cast<std::size_t>(i)].Style, i < 3 ? Qt::DotLine : Qt::SolidLine);
      QCOMPARE(picture[static_cast<std::size_t>(i)].Width, i < 3 ? 1 : 2);
      QCOMPARE(picture[static_cast<std::size_t>(i)].Points.size(), std::size_t(i < 3 ? 2 : AgeGridSize));
    }
    const double heights[] = {factor, factor * 0.8, factor * 0.5};
    for (int i = 0; i < 3; ++i) {
      const auto& points = picture[static_cast<std::size_t>(i)].Points;
      QCOMPARE(points.front(), QPointF(15, heights[i]));
      QCOMPARE(points.back(), QPointF(110, heights[i]));
    }

    // As pixels: each marker on its row, right of the curves, in its colour.
    const QImage image = Controls(f).MathGrid1->RenderImage();
    const QRectF area = Controls(f).MathGrid1->PlotArea();
    const CurvePlotSettings& s = Controls(f).MathGrid1->Settings();
    const auto column = [&](double age) { return int(area.left() + (age - s.MinX) / s.SizeX * area.width()); };
    const QColor markerColours[] = {White, Grey, Blue};
    for (int i = 0; i < 3; ++i) {
      const int y = int(std::floor(area.bottom() - heights[i] / s.SizeY * area.height() + 0.5));
      const int x0 = column(70), x1 = column(105);
      const int onRow =
          std::max({CountInRow(image, y, x0, x1, markerColours[i]), CountInRow(image, y - 1, x0, x1, markerColours[i]),
                    CountInRow(image, y + 1, x0, x1, markerColours[i])});
      QVERIFY2(onRow >= (x1 - x0) / 3, qPrintable(QString("marker %1: %2 pixels").arg(i).arg(onRow)));
      QCOMPARE(CountInRow(image, y - 4, x0, x1, markerColours[i]), 0);
      QCOMPARE(CountInRow(image, y + 4, x0, x1, markerColours[i]), 0);
      // Nothing left of age 15.
      QCOMPARE(CountInRow(image, y, column(10) + 2, column(14.5), markerColours[i]), 0);
    }
    // The peak of the pubic curve: fuchsia near the top of the area at age 25.
    bool fuchsiaAtPeak = false;
    for (int dy = -1; dy <= 3; ++dy)
      fuchsiaAtPeak = fuchsiaAtPeak || image.pixelColor(column(25), int(area.top()) + dy) == Fuchsia;
    QVERIFY(fuchsiaAtPeak);

    // A case with the pubic symphysis only: no curve remains of the others.
    TTransisionsAnalyseDataSet second;
    second.Likelihood = Bell(30, 0.6, 6);
    second.HazardLikelihood = Bell(31, 0.4, 6);
    second.ML = 0.6;
    second.Hazard_ML = 0.4;
    AddComplex(second, "PUBIS", 30);
    f.PlotLikelihoodCurves(&second);
    QCOMPARE(Controls(f).MathGrid1->Picture().size(), std::size_t{6});
    for (const PlotStroke& stroke : Controls(f).MathGrid1->Picture())
      QVERIFY(stroke.Color != Red && stroke.Color != Teal);
  }

  void noCaseToPlot() {
    CaseFolder folder;
    folder.Seed({{"curves", "Male", "White", "Forensic", {}}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).PageControl1->setCurrentWidget(Controls(f).TabSheet3);
    f.PlotLikelihoodCurves(nullptr);
    QCOMPARE(w.ui.Texts(), QStringList{NoDataMessage});
    QCOMPARE(w.ui.messages[0].kind, MessageKind::Confirmation);
    QCOMPARE(Controls(f).PageControl1->currentIndex(), 0);
    QVERIFY(Controls(f).MathGrid1->Picture().empty());
  }

  // The plot's own rules: sizes above zero only, a new axis or size erases
  // the picture, a repaint does not, a dot only inside the ranges.
  void plotWidget() {
    TMathGrid grid;
    grid.resize(400, 300);
    grid.SetMinX(10);
    grid.SetSizeX(100);
    TMathCurve curve(&grid, Qt::red, Qt::SolidLine, 2);
    curve.StartLine();
    curve.AddPoint(20, 0.5);
    curve.AddPoint(30, 0.7);
    QCOMPARE(grid.Picture().size(), std::size_t{1});
    grid.repaint();
    QCOMPARE(grid.Picture().size(), std::size_t{1});
    for (double bad : {0.0, -0.5}) {
      try {
        grid.SetSizeY(bad);
        QFAIL("a size of zero or less was taken");
      } catch (const std::runtime_error& error) {
        QCOMPARE(QString(error.what()), QStringLiteral("Size must be greater than zero"));
      }
    }
    QCOMPARE(grid.Settings().SizeY, 1.0);
    QCOMPARE(grid.Picture().size(), std::size_t{1});
    grid.SetSizeY(1.0);  // the same value: nothing happens
    QCOMPARE(grid.Picture().size(), std::size_t{1});
    grid.SetSizeY(0.5);
    QVERIFY(grid.Picture().empty());
    QCOMPARE(grid.Settings().MaxY(), 0.5);
    curve.StartLine();
    curve.AddPoint(50, 0.25);
    grid.resize(500, 300);
    QVERIFY(grid.Picture().empty());

    // A segment above the top is cut at the edge; a single dot outside is not drawn.
    curve.StartLine();
    curve.AddPoint(60, 0.25);
    curve.AddPoint(60, 2.0);
    TMathCurve dot(&grid, Qt::blue, Qt::SolidLine, 1);
    dot.StartLine();
    dot.AddPoint(200, 0.1);
    const QImage image = grid.RenderImage();
    const QRectF area = grid.PlotArea();
    const int x = int(area.left() + 50.0 / 100 * area.width());
    bool redAtTop = false;
    for (int dx = -1; dx <= 1; ++dx) redAtTop = redAtTop || image.pixelColor(x + dx, int(area.top()) + 1) == Red;
    QVERIFY(redAtTop);
    for (int dx = -1; dx <= 1; ++dx) QVERIFY(image.pixelColor(x + dx, int(area.top()) - 3) != Red);
    int blue = 0;
    for (int y = 0; y < image.height(); ++y) blue += CountInRow(image, y, 0, image.width() - 1, Blue);
    QCOMPARE(blue, 0);
  }

  void zoomSteps_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("step");
    QTest::newRow("500") << 500 << 100;
    QTest::newRow("300") << 300 << 100;
    QTest::newRow("250") << 250 << 50;
    QTest::newRow("150") << 150 << 50;
    QTest::newRow("100") << 100 << 10;
    QTest::newRow("40") << 40 << 5;
    QTest::newRow("12") << 12 << 2;
    QTest::newRow("5") << 5 << 1;
  }

  void zoomSteps() {
    QFETCH(int, value);
    QFETCH(int, step);
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    Controls(f).ShowBarPlotButt->click();  // to the curves
    QVERIFY(!Controls(f).MathGrid1->isHidden());
    Controls(f).SpinEditZoom->setValue(value);
    QVERIFY(w.ui.messages.empty());
    QCOMPARE(Controls(f).SpinEditZoom->singleStep(), step);
    QCOMPARE(Controls(f).MathGrid1->Settings().SizeY, value / 1000.0);
    // The run drew the curves again on the new scale.
    QCOMPARE(Controls(f).MathGrid1->Picture().size(), std::size_t{8});
  }

  // Every keystroke that changes the text redraws on its own scale.
  void typedZoomRedrawsOnEveryKeystroke() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    Controls(f).ShowBarPlotButt->click();
    Controls(f).SpinEditZoom->setFocus();
    Controls(f).SpinEditZoom->selectAll();
    const std::pair<char, double> keys[] = {{'2', 0.002}, {'5', 0.025}, {'0', 0.25}};
    for (const auto& [key, size] : keys) {
      QTest::keyClick(Controls(f).SpinEditZoom, key);
      QCOMPARE(Controls(f).MathGrid1->Settings().SizeY, size);
      QCOMPARE(Controls(f).MathGrid1->Picture().size(), std::size_t{8});
    }
    QCOMPARE(Controls(f).SpinEditZoom->singleStep(), 50);
    QVERIFY(w.ui.messages.empty());
  }

  // With the bar chart on view the zoom box changes nothing.
  void zoomWhileBarChartIsShown() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    Controls(f).SpinEditZoom->setValue(500);
    QCOMPARE(Controls(f).MathGrid1->Settings().SizeY, 1.0);
    QCOMPARE(Controls(f).SpinEditZoom->singleStep(), 100);
  }

  // --- The two views ------------------------------------------------------------

  void viewSwitching() {
    CaseFolder folder;
    folder.Seed({{"case", "Male", "White", "Forensic", AllScores("2", "3")}});
    Window w(folder);
    TTAForm2& f = *w.form;
    Controls(f).BitBtnCalculate->click();
    QVERIFY(w.ui.messages.empty());
    const auto barState = [&] {
      QVERIFY(!Controls(f).BarGraphPanel->isHidden());
      QVERIFY(Controls(f).MathGrid1->isHidden());
      QVERIFY(!Controls(f).rescaleButt->isHidden() && !Controls(f).grphxmin->isHidden() &&
              !Controls(f).grphxmax->isHidden());
      QVERIFY(Controls(f).SpinEditZoom->isHidden() && Controls(f).zoomlbl->isHidden());
      for (QLabel* label : Controls(f).CurveLegend) QVERIFY(label->isHidden());
      QCOMPARE(int(Controls(f).AgeBarChart->Data().Items.size()), 5);
    };
    const auto curveState = [&] {
      QVERIFY(Controls(f).BarGraphPanel->isHidden());
      QVERIFY(!Controls(f).MathGrid1->isHidden());
      QVERIFY(Controls(f).rescaleButt->isHidden() && Controls(f).grphxmin->isHidden() &&
              Controls(f).grphxmax->isHidden());
      QVERIFY(!Controls(f).SpinEditZoom->isHidden() && !Controls(f).zoomlbl->isHidden());
      for (QLabel* label : Controls(f).CurveLegend) {
        QVERIFY(!label->isHidden());
        QCOMPARE(label->y(), Controls(f).MathGrid1->height() - 20);
      }
      // Five curves and three marker lines.
      QCOMPARE(Controls(f).MathGrid1->Picture().size(), std::size_t{8});
    };
    barState();
    Controls(f).ShowBarPlotButt->click();
    curveState();
    Controls(f).ShowBarPlotButt->click();
    barState();
    Controls(f).ShowBarPlotButt->click();
    curveState();

    // A new size lays the curves out anew and draws them again.
    f.resize(f.width() + 60, f.height() + 40);
    QCoreApplication::processEvents();
    QCOMPARE(Controls(f).MathGrid1->height(), Controls(f).NumSummPanel->y() - 10);
    QCOMPARE(Controls(f).MathGrid1->width(), Controls(f).AgeNumPanel->x() - 10);
    curveState();
    Controls(f).ShowBarPlotButt->click();
    barState();
    f.resize(f.width() - 30, f.height() - 20);
    QCoreApplication::processEvents();
    QCOMPARE(Controls(f).AgeBarChart->height(), Controls(f).NumSummPanel->y() - 10);
    barState();
    QVERIFY(w.ui.messages.empty());
  }
};

QTEST_MAIN(AnalysisPageTest)
#include "AnalysisPageTest.moc"
