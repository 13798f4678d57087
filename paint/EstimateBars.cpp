#include "paint/EstimateBars.h"

#include <cmath>
#include <stdexcept>

#include "params/CaseRun.h"
#include "params/OpenLimits.h"

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

int RoundHalfEven(double value) {
  return static_cast<int>(std::nearbyint(value));
}

BarChartData EstimatesChartLook() {
  BarChartData chart;
  chart.Title = QStringLiteral("VORLA 2.0 Maximum Likelihood Age Estimation");
  chart.AxisCaption = QStringLiteral("Estimated Age");
  chart.XMin = EstimatesScaleStart;
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
  return chart;
}

int BarScaleUpperEnd(double largestUpperLimit) {
  return 10 * (RoundHalfEven(largestUpperLimit / 10.0) + 1);
}

QString EstimatesAxisCaption(int level) {
  if (level <= 0) return QStringLiteral("Estimated Age with CI (level not recorded)");
  return QStringLiteral("Estimated Age with ") + QString::number(level) + QStringLiteral("% CI");
}

void DrawEstimateBars(const CaseRow& row, const ComplexSelection& selection, BarChartData& chart) {
  chart.Items.clear();
  const int n = int(selection.UseCranialData) + int(selection.UsePubicData) + int(selection.UseAuricularData);
  chart.YMax = 20 * n + 60;
  const int s = RoundHalfEven(chart.YMax / (n + 3));
  chart.YMinTicks = n + 2;
  double bottom = 15;
  double top = 25;
  double M = 50;

  const auto bar = [&](const BarKind& kind) {
    const std::string prefix = kind.prefix;
    // Both limits are read before anything is drawn.
    const double lower = ReadLimit(row, prefix + "LOW95P_CONF");
    const double upper = ReadLimit(row, prefix + "UPPER95P_CONF");
    ChartRect item(lower, top, upper, bottom, kind.colour, kind.colour);
    if (!row.FieldIsNull(prefix + "MAX_LIKELIHOOD")) item.Mark = row.FieldAsFloat(prefix + "MAX_LIKELIHOOD");
    item.OpenLeft = OpenEndOf(prefix + "LOW95P_CONF", lower) == OpenEnd::Low;
    item.OpenRight = OpenEndOf(prefix + "UPPER95P_CONF", upper) == OpenEnd::High;
    chart.Items.push_back(item);
    if (upper > M) M = upper;
    bottom += s;
    top += s;
  };
  bar(CorrectedBar);
  bar(UncorrectedBar);
  QString labels = QStringLiteral("|Corrected|Uncorrected|");
  for (int i = 0; i < 3; ++i) {
    if (!SelectionFlag(selection, i)) continue;
    try {
      bar(ComplexBars[i]);
      labels += QString::fromLatin1(ComplexBars[i].label) + QLatin1Char('|');
    } catch (const std::exception&) {
      // A complex without stored limits (no scores in this row) is left out.
    }
  }
  // The age scale starts anew with every drawing: a range set by hand for
  // the bars shown before does not carry over.
  chart.XMin = EstimatesScaleStart;
  chart.XMax = BarScaleUpperEnd(M);
  chart.YLabels = labels + QStringLiteral("||||");
}

}  // namespace vorla::gui
