#include "gui/widgets/MathGrid.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace vorla::gui {

namespace {

constexpr double Margin = 4.0;

QString TickText(double value, int decimals) {
  // A value that rounds to zero shows without a minus sign.
  if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0.0;
  return QString::number(value, 'f', decimals);
}

double TickValue(double minimum, double size, int part, int parts) {
  return minimum + size * part / parts;
}

void Bevel(QPainter& painter, const QRectF& rect, bool raised) {
  const QColor light(255, 255, 255);
  const QColor dark(128, 128, 128);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QRect r = rect.toRect();
  painter.setPen(QPen(raised ? light : dark, 1));
  painter.drawLine(r.topLeft(), r.topRight());
  painter.drawLine(r.topLeft(), r.bottomLeft());
  painter.setPen(QPen(raised ? dark : light, 1));
  painter.drawLine(r.bottomLeft(), r.bottomRight());
  painter.drawLine(r.topRight(), r.bottomRight());
  painter.restore();
}

}  // namespace

QRectF CurvePlotArea(const CurvePlotSettings& s, QSize size) {
  const QFontMetricsF metrics(s.Font);
  double labelWidth = 0.0;
  for (int i = 0; i <= s.PartsY; ++i)
    labelWidth =
        std::max(labelWidth, metrics.horizontalAdvance(TickText(TickValue(s.MinY, s.SizeY, i, s.PartsY), s.DecimalsY)));
  const double lastX = metrics.horizontalAdvance(TickText(s.MaxX(), s.DecimalsX));
  const double line = metrics.height();
  const double left = Margin + labelWidth + 6.0;
  const double top = Margin + line / 2.0;
  const double right = size.width() - Margin - std::max(lastX / 2.0, 2.0);
  // Under the area: the tick labels, then the rule and the title line.
  const double bottom = size.height() - Margin - line - 4.0 - line - 4.0;
  return QRectF(QPointF(std::round(left), std::round(top)), QPointF(std::round(right), std::round(bottom)));
}

void PaintCurvePlot(QPainter& painter, QSize size, const CurvePlotSettings& s, const std::vector<PlotStroke>& picture) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QRectF whole(0, 0, size.width(), size.height());
  painter.fillRect(whole, s.Color);
  const QRectF area = CurvePlotArea(s, size);
  if (area.width() <= 0 || area.height() <= 0) {
    painter.restore();
    return;
  }
  const QFontMetricsF metrics(s.Font);
  painter.setFont(s.Font);
  painter.setPen(s.TextColor);
  const double line = metrics.height();

  // Tick labels: the vertical ones from MaxY at the top, the horizontal ones under the area.
  for (int i = 0; i <= s.PartsY; ++i) {
    const double y = area.bottom() - area.height() * i / s.PartsY;
    const QString text = TickText(TickValue(s.MinY, s.SizeY, i, s.PartsY), s.DecimalsY);
    const QRectF box(Margin, y - line / 2.0, area.left() - Margin - 6.0, line);
    painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
  }
  for (int i = 0; i <= s.PartsX; ++i) {
    const double x = area.left() + area.width() * i / s.PartsX;
    const QString text = TickText(TickValue(s.MinX, s.SizeX, i, s.PartsX), s.DecimalsX);
    const double w = metrics.horizontalAdvance(text);
    painter.drawText(QRectF(x - w / 2.0 - 1.0, area.bottom() + 3.0, w + 2.0, line), Qt::AlignCenter, text);
  }
  // The title on the bottom line, from the left, with a thin rule above it.
  const double titleTop = size.height() - Margin - line;
  painter.setPen(QPen(QColor(128, 128, 128), 1));
  painter.drawLine(QPointF(Margin, titleTop - 3.0), QPointF(size.width() - Margin, titleTop - 3.0));
  painter.setPen(s.TextColor);
  painter.drawText(QRectF(Margin, titleTop, size.width() - 2 * Margin, line), Qt::AlignLeft | Qt::AlignVCenter,
                   s.Legend);

  if (s.Options & mgBorder) {
    Bevel(painter, whole.adjusted(0, 0, -1, -1), true);
    Bevel(painter, area.adjusted(-1, -1, 0, 0), false);
  }

  // The picture.
  painter.fillRect(area, s.GridColor);
  painter.setClipRect(area);
  const auto map = [&](const QPointF& p) {
    return QPointF(area.left() + (p.x() - s.MinX) / s.SizeX * area.width(),
                   area.bottom() - (p.y() - s.MinY) / s.SizeY * area.height());
  };
  if (s.Options & mgWeb) {
    painter.setPen(QPen(s.WebColor, 1, Qt::DotLine));
    for (int i = 1; i < s.PartsX; ++i) {
      const double x = area.left() + area.width() * i / s.PartsX;
      painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    for (int i = 1; i < s.PartsY; ++i) {
      const double y = area.bottom() - area.height() * i / s.PartsY;
      painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
  }
  for (const PlotStroke& stroke : picture) {
    if (stroke.Points.empty()) continue;
    QPen pen(stroke.Color, stroke.Width, stroke.Style);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    if (stroke.Points.size() == 1) {
      const QPointF& p = stroke.Points.front();
      if (p.x() >= s.MinX && p.x() <= s.MaxX() && p.y() >= s.MinY && p.y() <= s.MaxY()) painter.drawPoint(map(p));
      continue;
    }
    std::vector<QPointF> mapped;
    mapped.reserve(stroke.Points.size());
    for (const QPointF& p : stroke.Points) mapped.push_back(map(p));
    painter.drawPolyline(mapped.data(), static_cast<int>(mapped.size()));
  }
  painter.restore();
}

TMathGrid::TMathGrid(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  settings_.Font = font();
}

void TMathGrid::SetMinX(double value) {
  if (value == settings_.MinX) return;
  settings_.MinX = value;
  Erase();
}

void TMathGrid::SetSizeX(double value) {
  if (value == settings_.SizeX) return;
  if (!(value > 0)) throw std::runtime_error("Size must be greater than zero");
  settings_.SizeX = value;
  Erase();
}

void TMathGrid::SetMinY(double value) {
  if (value == settings_.MinY) return;
  settings_.MinY = value;
  Erase();
}

void TMathGrid::SetSizeY(double value) {
  if (value == settings_.SizeY) return;
  if (!(value > 0)) throw std::runtime_error("Size must be greater than zero");
  settings_.SizeY = value;
  Erase();
}

void TMathGrid::SetParts(int partsX, int partsY) {
  settings_.PartsX = std::clamp(partsX, 1, 25);
  settings_.PartsY = std::clamp(partsY, 1, 25);
  Erase();
}

void TMathGrid::SetDecimals(int decimalsX, int decimalsY) {
  settings_.DecimalsX = std::clamp(decimalsX, 0, 10);
  settings_.DecimalsY = std::clamp(decimalsY, 0, 10);
  Erase();
}

void TMathGrid::SetLegend(const QString& legend) {
  settings_.Legend = legend;
  update();
}

void TMathGrid::SetColors(const QColor& color, const QColor& gridColor, const QColor& webColor) {
  settings_.Color = color;
  settings_.GridColor = gridColor;
  settings_.WebColor = webColor;
  update();
}

void TMathGrid::SetOptions(unsigned options) {
  settings_.Options = options;
  Erase();
}

void TMathGrid::SetPlotFont(const QFont& font, const QColor& textColor) {
  settings_.Font = font;
  settings_.TextColor = textColor;
  Erase();
}

void TMathGrid::Erase() {
  picture_.clear();
  picture_size_ = size();
  if (settings_.Options & mgInstantRepaint)
    repaint();
  else
    update();
}

void TMathGrid::ClearPlot() {
  Erase();
}

void TMathGrid::Changed() {
  // Each dot and segment reaches the screen with the next paint; the updates
  // of one run are merged into that one paint, so the area is not measured
  // for every point.
  if (!(settings_.Options & mgMemoryDraw)) update();
}

QImage TMathGrid::RenderImage() const {
  QImage image(size(), QImage::Format_RGB32);
  QPainter painter(&image);
  PaintCurvePlot(painter, size(), settings_, Picture());
  return image;
}

const std::vector<PlotStroke>& TMathGrid::Picture() const {
  static const std::vector<PlotStroke> none;
  return size() == picture_size_ ? picture_ : none;
}

void TMathGrid::DropPictureOfOtherSize() {
  // A hidden control learns of a new size only when it is shown; the picture
  // belongs to the size it was drawn at all the same.
  if (size() == picture_size_) return;
  picture_.clear();
  picture_size_ = size();
}

void TMathGrid::paintEvent(QPaintEvent*) {
  DropPictureOfOtherSize();
  QPainter painter(this);
  PaintCurvePlot(painter, size(), settings_, picture_);
}

void TMathGrid::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Only a size other than the picture's erases it (a hidden control hears
  // of its size late, possibly after the picture was drawn at that size).
  DropPictureOfOtherSize();
  update();
}

TMathCurve::TMathCurve(TMathGrid* grid, const QColor& color, Qt::PenStyle style, int width)
    : Color(color), PenStyle(style), Width(width), grid_(grid) {}

void TMathCurve::AddPoint(double x, double y) {
  grid_->DropPictureOfOtherSize();
  std::vector<PlotStroke>& picture = grid_->picture_;
  const QPointF point(x, y);
  if (start_) {
    picture.push_back(PlotStroke{Color, PenStyle, Width, {point}});
    start_ = false;
    grid_->Changed();
  } else {
    // Later drawing lies on top: a curve whose line is no longer the last
    // thing drawn continues in a new stroke from its previous point.
    const bool open = stroke_ < picture.size() && stroke_ + 1 == picture.size() && picture[stroke_].Color == Color &&
                      picture[stroke_].Style == PenStyle && picture[stroke_].Width == Width &&
                      !picture[stroke_].Points.empty() && picture[stroke_].Points.back() == last_;
    if (open)
      picture[stroke_].Points.push_back(point);
    else {
      picture.push_back(PlotStroke{Color, PenStyle, Width, {last_, point}});
    }
    grid_->Changed();
  }
  stroke_ = picture.size() - 1;
  last_ = point;
}

}  // namespace vorla::gui
