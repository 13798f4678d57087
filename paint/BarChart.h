#pragma once
// The bar chart of estimates: filled rectangles in scale units over a
// horizontal numeric scale and a vertical scale labelled by texts, painted
// by one function onto any painter at any size.
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class QPainter;

namespace vorla::gui {

struct ChartRect {
  ChartRect() = default;
  ChartRect(double left, double top, double right, double bottom, QColor outline, QColor fill)
      : Left(left), Top(top), Right(right), Bottom(bottom), Outline(outline), Fill(fill) {}

  double Left = 0, Top = 0, Right = 0, Bottom = 0;  // scale units, corners in any order
  QColor Outline;
  QColor Fill;
  // A tick across the bar at this point of the horizontal scale (the estimate).
  std::optional<double> Mark;
  // An arrow beyond the left or right end: the interval is open there.
  bool OpenLeft = false, OpenRight = false;
};

struct BarChartData {
  QString Title;
  QString AxisCaption;  // under the horizontal scale
  double XMin = 10, XMax = 110;
  double YMax = 100;  // the vertical scale runs from 0
  int YMinTicks = 5;  // the least number of ticks of the vertical scale
  int XMinTicks = 5;
  double GridStep = 10;  // dotted vertical lines every so many units of the horizontal scale
  QString YLabels;       // "|"-separated, one per tick from the bottom
  std::vector<ChartRect> Items;
  int MarginLeft = 110, MarginRight = 20, MarginTop = 25, MarginBottom = 45;
  QColor Background = QColor(255, 255, 255);
  QColor AreaColor = QColor(225, 225, 225);
  QColor MarkColor = QColor(0, 0, 0);  // the estimate's tick
  QFont TitleFont, XFont, YFont;
};

// The plotting area of a chart of this size.
QRectF BarChartArea(const BarChartData& data, QSize size);
// The tick step of a scale: the largest step of the 1, 2, 5 series that
// still gives at least minTicks ticks over the range.
double ScaleStep(double low, double high, int minTicks);
// The tick values of a scale with this step: the multiples of the step within the range.
std::vector<double> ScaleTicks(double low, double high, double step);
// The step of the horizontal scale's labels at this plotting width: the
// smallest step of the series from 10 on whose labels do not crowd, or a
// smaller one when that gives fewer than minTicks ticks.
double HorizontalLabelStep(const BarChartData& data, double areaWidth);
// The "|"-separated labels, one per tick from the bottom.
QStringList SplitScaleLabels(const QString& text);

void PaintBarChart(QPainter& painter, QSize size, const BarChartData& data);

}  // namespace vorla::gui
