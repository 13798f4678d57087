// The bar chart of estimates: one bar per estimate across its confidence
// interval, drawn from the stored results of the current row; the switch
// between the bar chart and the curves; the age range of the chart.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <stdexcept>

#include "gui/TAForm2.h"
#include "gui/charts/BarChart.h"
#include "gui/widgets/MathGrid.h"

namespace vorla::gui {

namespace {

QFont ArialBold(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setBold(true);
  return font;
}

// A stored limit read as text and converted to a number; an empty field
// cannot be converted.
double ReadLimit(const CaseRow& row, const std::string& field) {
  const std::string text = row.FieldIsNull(field) ? std::string() : row.FieldAsText(field);
  bool ok = false;
  const double value = QString::fromStdString(text).trimmed().toDouble(&ok);
  if (!ok) throw std::runtime_error("'" + text + "' is not a valid floating point value");
  return value;
}

struct BarKind {
  const char* prefix;
  QColor colour;
  const char* label;
};

const BarKind CorrectedBar{"RES_ALLCOR_", QColor(0, 0, 255), "Corrected"};
const BarKind UncorrectedBar{"RES_ALL_", QColor(0, 0, 0), "Uncorrected"};
const BarKind ComplexBars[] = {{"RES_CRA_", QColor(128, 0, 0), "Cranial Sutures"},
                               {"RES_PUB_", QColor(255, 0, 255), "Pubic Symphysis"},
                               {"RES_AUR_", QColor(0, 128, 128), "Auricular Area"}};

}  // namespace

void TTAForm2::BuildBarChart() {
  AgeBarChart = new TBarChart(BarGraphPanel);
  AgeBarChart->setObjectName(QStringLiteral("AgeBarChart"));
  AgeBarChart->setFont(ArialBold(15));
  AgeBarChart->setGeometry(3, 3, 711, 419);
  BarChartData& chart = AgeBarChart->Data();
  chart.Title = QStringLiteral("VORLA 2.0 Maximum Likelihood Age Estimation");
  chart.AxisCaption = QStringLiteral("Estimated Age");
  chart.XMin = 10;
  chart.XMax = 110;
  chart.XMinTicks = 5;
  chart.GridStep = 10;
  chart.MarginLeft = 110;
  chart.MarginRight = 20;
  chart.MarginTop = 25;
  chart.MarginBottom = 45;
  chart.AreaColor = QColor(225, 225, 225);
  chart.TitleFont = ArialBold(15);
  chart.XFont = ArialBold(15);
  chart.YFont = ArialBold(12);
}

int TTAForm2::BarScaleUpperEnd(double largestUpperLimit) { return 10 * (RoundHalfEven(largestUpperLimit / 10.0) + 1); }

void TTAForm2::ShowBarPlotButtClick() {
  MathGrid1->hide();
  double M = 50;
  if (!BarGraphPanel->isHidden()) {
    // Back to the curves: the plot keeps no data, so the row is analysed again.
    RedrawRun();
    MathGrid1->show();
    MathGrid1->repaint();
    BarGraphPanel->hide();
    ShowCurveControls(true);
    return;
  }
  ShowCurveControls(false);
  if (!UseCranialData && !UsePubicData && !UseAuricularData) return;

  NumResultsGridClick();
  AgeBarChart->ClearItems();
  const int n = int(UseCranialData) + int(UsePubicData) + int(UseAuricularData);
  SetNumResultsRowCount(n + 3);
  BarChartData& chart = AgeBarChart->Data();
  chart.YMax = 20 * n + 60;
  const int s = RoundHalfEven(chart.YMax / (n + 3));
  chart.YMinTicks = n + 2;
  double bottom = 15;
  double top = 25;

  const CaseRow& row = DataSourceSkeleton;
  const auto bar = [&](const BarKind& kind) {
    const std::string prefix = kind.prefix;
    // Both limits are read before anything is drawn.
    const double lower = ReadLimit(row, prefix + "LOW95P_CONF");
    const double upper = ReadLimit(row, prefix + "UPPER95P_CONF");
    AgeBarChart->SetColors(kind.colour, kind.colour);
    AgeBarChart->Rectangle(lower, top, upper, bottom);
    if (upper > M) M = upper;
    bottom += s;
    top += s;
  };
  bar(CorrectedBar);
  bar(UncorrectedBar);
  QString labels = QStringLiteral("|Corrected|Uncorrected|");
  const bool flags[] = {UseCranialData, UsePubicData, UseAuricularData};
  for (int i = 0; i < 3; ++i) {
    if (!flags[i]) continue;
    try {
      bar(ComplexBars[i]);
      labels += QString::fromLatin1(ComplexBars[i].label) + QLatin1Char('|');
    } catch (const std::exception&) {
      // A complex without stored limits (no scores in this row) is left out.
    }
  }
  const int upperEnd = BarScaleUpperEnd(M);
  chart.XMax = upperEnd;
  grphxmax->setText(QString::number(upperEnd));
  chart.YLabels = labels + QStringLiteral("||||");

  AgeBarChart->update();
  BarGraphPanel->show();
  NumSummPanel->raise();
  NumResultsGridClick();
}

void TTAForm2::rescaleButtClick() {
  // Both ends are checked before either is applied: a text that is no whole
  // number, or a lower end not below the upper end, leaves the range as it was.
  bool upperOk = false;
  bool lowerOk = false;
  const int upper = grphxmax->text().trimmed().toInt(&upperOk);
  const int lower = grphxmin->text().trimmed().toInt(&lowerOk);
  if (!upperOk || !lowerOk) {
    const QString bad = upperOk ? grphxmin->text() : grphxmax->text();
    ShowMessage(MessageKind::Error,
                ("'" + bad + "' is not a whole number. The age range stays as it was.").toStdString());
    return;
  }
  if (lower >= upper) {
    ShowMessage(MessageKind::Error, QStringLiteral("The lowest age (%1) must be below the highest age (%2). "
                                                   "The age range stays as it was.")
                                        .arg(lower)
                                        .arg(upper)
                                        .toStdString());
    return;
  }
  BarChartData& chart = AgeBarChart->Data();
  chart.XMax = upper;
  chart.XMin = lower;
  AgeBarChart->update();
}

}  // namespace vorla::gui
