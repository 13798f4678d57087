#include "paint/BarChart.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace vorla::gui {

namespace {

// Steps of the 1, 2, 5 series from 10^-3 to 10^9.
std::vector<double> SeriesSteps() {
  std::vector<double> steps;
  for (int e = -3; e <= 9; ++e)
    for (double m : {1.0, 2.0, 5.0}) steps.push_back(m * std::pow(10.0, e));
  return steps;
}

}  // namespace

QRectF BarChartArea(const BarChartData& d, QSize size) {
  return QRectF(QPointF(d.MarginLeft, d.MarginTop),
                QPointF(size.width() - d.MarginRight, size.height() - d.MarginBottom));
}

std::vector<double> ScaleTicks(double low, double high, double step) {
  std::vector<double> ticks;
  if (!(step > 0) || !(high > low)) return ticks;
  const double first = std::ceil(low / step - 1e-9);
  for (double k = first;; k += 1.0) {
    const double v = k * step;
    if (v > high + step * 1e-9) break;
    ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
    if (ticks.size() > 10000) break;
  }
  return ticks;
}

double ScaleStep(double low, double high, int minTicks) {
  // The largest step that still gives enough ticks; from the top down, so
  // that no small step lists its thousands of ticks.
  const std::vector<double> steps = SeriesSteps();
  for (auto it = steps.rbegin(); it != steps.rend(); ++it)
    if (static_cast<int>(ScaleTicks(low, high, *it).size()) >= minTicks) return *it;
  return steps.front();
}

double HorizontalLabelStep(const BarChartData& d, double areaWidth) {
  const QFontMetricsF metrics(d.XFont);
  const double range = d.XMax - d.XMin;
  if (!(range > 0) || !(areaWidth > 0)) return 10;
  const double widest = std::max(metrics.horizontalAdvance(QString::number(std::round(d.XMin))),
                                 metrics.horizontalAdvance(QString::number(std::round(d.XMax))));
  const std::vector<double> steps = SeriesSteps();
  auto it = std::find(steps.begin(), steps.end(), 10.0);
  // The smallest step from 10 on whose labels keep a label's width apart.
  for (; it != steps.end(); ++it)
    if (*it / range * areaWidth >= 2.0 * widest + 4.0) break;
  if (it == steps.end()) --it;
  // Fewer ticks than asked for: smaller steps, as long as the labels fit.
  while (it != steps.begin() && static_cast<int>(ScaleTicks(d.XMin, d.XMax, *it).size()) < d.XMinTicks &&
         *(it - 1) / range * areaWidth >= widest + 4.0)
    --it;
  return *it;
}

QStringList SplitScaleLabels(const QString& text) {
  return text.split(QLatin1Char('|'));
}

void PaintBarChart(QPainter& painter, QSize size, const BarChartData& d) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(QRect(QPoint(0, 0), size), d.Background);
  const QRectF area = BarChartArea(d, size);

  // The caption, centred at the top.
  painter.setFont(d.TitleFont);
  painter.setPen(Qt::black);
  painter.drawText(QRectF(0, 0, size.width(), d.MarginTop), Qt::AlignCenter, d.Title);
  if (area.width() <= 0 || area.height() <= 0) {
    painter.restore();
    return;
  }
  painter.fillRect(area, d.AreaColor);
  const bool xValid = d.XMax > d.XMin;
  const bool yValid = d.YMax > 0;
  const auto mapX = [&](double x) { return area.left() + (x - d.XMin) / (d.XMax - d.XMin) * area.width(); };
  const auto mapY = [&](double y) { return area.bottom() - y / d.YMax * area.height(); };

  // Dotted vertical grid lines.
  if (xValid) {
    painter.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
    for (double v : ScaleTicks(d.XMin, d.XMax, d.GridStep)) {
      const double x = std::round(mapX(v));
      if (x <= area.left() || x >= area.right()) continue;
      painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
  }

  // The bars, clipped to the area.
  if (xValid && yValid) {
    painter.save();
    painter.setClipRect(area);
    for (const ChartRect& item : d.Items) {
      const QRectF r =
          QRectF(QPointF(mapX(item.Left), mapY(item.Top)), QPointF(mapX(item.Right), mapY(item.Bottom))).normalized();
      const QRect pixels(QPoint(static_cast<int>(std::round(r.left())), static_cast<int>(std::round(r.top()))),
                         QPoint(static_cast<int>(std::round(r.right())), static_cast<int>(std::round(r.bottom()))));
      painter.setPen(QPen(item.Outline, 1));
      painter.setBrush(item.Fill);
      painter.drawRect(pixels.adjusted(0, 0, -1, -1));
      // An open end: a filled arrow head pointing beyond the bar, as long as the bar is high.
      const double head = r.height() / 2;
      if (item.OpenLeft)
        painter.drawPolygon(QPolygonF(
            {QPointF(r.left(), r.top()), QPointF(r.left() - head, r.center().y()), QPointF(r.left(), r.bottom())}));
      if (item.OpenRight)
        painter.drawPolygon(QPolygonF(
            {QPointF(r.right(), r.top()), QPointF(r.right() + head, r.center().y()), QPointF(r.right(), r.bottom())}));
      // The estimate: a tick across the bar, standing out above and below it.
      if (item.Mark) {
        const double x = std::round(mapX(*item.Mark));
        const double over = std::max(2.0, r.height() / 4);
        painter.setPen(QPen(d.MarkColor, 3));
        painter.drawLine(QPointF(x, r.top() - over), QPointF(x, r.bottom() + over));
        painter.setPen(QPen(d.Background, 1));
        painter.drawLine(QPointF(x, r.top() - over + 1), QPointF(x, r.bottom() + over - 1));
      }
    }
    painter.restore();
  }

  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(area.toRect().adjusted(0, 0, -1, -1));

  // Vertical scale: text labels on the ticks from the bottom.
  if (yValid) {
    painter.setFont(d.YFont);
    const QFontMetricsF metrics(d.YFont);
    const QStringList labels = SplitScaleLabels(d.YLabels);
    const std::vector<double> ticks = ScaleTicks(0, d.YMax, ScaleStep(0, d.YMax, d.YMinTicks));
    for (std::size_t i = 0; i < ticks.size(); ++i) {
      const double y = std::round(mapY(ticks[i]));
      painter.drawLine(QPointF(area.left() - 4, y), QPointF(area.left(), y));
      if (i < static_cast<std::size_t>(labels.size()) && !labels[static_cast<int>(i)].isEmpty())
        painter.drawText(QRectF(0, y - metrics.height() / 2, area.left() - 7, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, labels[static_cast<int>(i)]);
    }
  }

  // Horizontal scale: numbers under the ticks, the caption centred below them.
  painter.setFont(d.XFont);
  const QFontMetricsF metrics(d.XFont);
  if (xValid) {
    const double step = HorizontalLabelStep(d, area.width());
    for (double v : ScaleTicks(d.XMin, d.XMax, step)) {
      const double x = std::round(mapX(v));
      painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
      const QString text = QString::number(v, 'g', 12);
      const double w = metrics.horizontalAdvance(text);
      painter.drawText(QRectF(x - w / 2 - 2, area.bottom() + 4, w + 4, metrics.height()), Qt::AlignCenter, text);
    }
  }
  painter.drawText(QRectF(area.left(), area.bottom() + 4 + metrics.height(), area.width(), metrics.height() + 2),
                   Qt::AlignCenter, d.AxisCaption);
  painter.restore();
}

}  // namespace vorla::gui
