#pragma once
// The curve plot: a plotting area in world coordinates with tick labels, a
// title line and a picture of its own, and the curves drawn into it.
//
// The picture holds what the curves have drawn since it was last erased, in
// world coordinates, so that it survives repaints and paints at any size on
// any device through PaintCurvePlot. Changing an axis or the control's size
// lays the control out anew and erases the picture; the owner then draws its
// curves again.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

class QPainter;

namespace vorla::gui {

enum MathGridOption : unsigned {
  mgBorder = 1,          // a bevelled frame around the control and the plotting area
  mgWeb = 2,             // dotted lines in WebColor at the divisions
  mgMemoryDraw = 4,      // segments go into the picture only, shown at the next repaint
  mgInstantRepaint = 8,  // erasing repaints at once instead of scheduling a repaint
};

// What the plot shows apart from its picture.
struct CurvePlotSettings {
  double MinX = 0.0, SizeX = 1.0;
  double MinY = 0.0, SizeY = 1.0;
  int PartsX = 10, PartsY = 10;      // 1 to 25
  int DecimalsX = 0, DecimalsY = 0;  // 0 to 10
  QString Legend;
  QColor Color = QColor(192, 192, 192);
  QColor GridColor = QColor(233, 233, 233);
  QColor WebColor = QColor(0, 0, 255);
  QColor TextColor = QColor(0, 0, 0);
  unsigned Options = mgBorder;
  QFont Font;

  double MaxX() const { return MinX + SizeX; }
  double MaxY() const { return MinY + SizeY; }
};

// One line of the picture: the pen and its points in world coordinates. A
// stroke of a single point is a dot.
struct PlotStroke {
  QColor Color;
  Qt::PenStyle Style = Qt::SolidLine;
  int Width = 1;
  std::vector<QPointF> Points;
};

// The plotting area of a plot of this size: what remains inside the margin
// after room for the tick labels and the title line.
QRectF CurvePlotArea(const CurvePlotSettings& settings, QSize size);

// Paints the whole plot (frame, tick labels, title, picture) at this size.
void PaintCurvePlot(QPainter& painter, QSize size, const CurvePlotSettings& settings,
                    const std::vector<PlotStroke>& picture);

class TMathCurve;

class TMathGrid final : public QWidget {
  Q_OBJECT
 public:
  explicit TMathGrid(QWidget* parent = nullptr);

  const CurvePlotSettings& Settings() const { return settings_; }
  // Axis settings; a new value lays the plot out anew and erases the picture.
  // A size of 0 or less is refused with "Size must be greater than zero".
  void SetMinX(double value);
  void SetSizeX(double value);
  void SetMinY(double value);
  void SetSizeY(double value);
  void SetParts(int partsX, int partsY);
  void SetDecimals(int decimalsX, int decimalsY);
  void SetLegend(const QString& legend);
  void SetColors(const QColor& color, const QColor& gridColor, const QColor& webColor);
  void SetOptions(unsigned options);
  void SetPlotFont(const QFont& font, const QColor& textColor);

  // Erases every curve; repaints at once with mgInstantRepaint, otherwise later.
  void ClearPlot();
  // The picture; empty when the control has another size than it was drawn at.
  const std::vector<PlotStroke>& Picture() const;
  QRectF PlotArea() const { return CurvePlotArea(settings_, size()); }
  // The whole control in a colour bitmap of its size.
  QImage RenderImage() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class TMathCurve;
  void Erase();
  void DropPictureOfOtherSize();
  void Changed();

  CurvePlotSettings settings_;
  std::vector<PlotStroke> picture_;
  QSize picture_size_;  // the size the picture was drawn at
};

// A curve of one plot with its pen; remembers whether its next point starts a line.
class TMathCurve {
 public:
  explicit TMathCurve(TMathGrid* grid, const QColor& color = Qt::black, Qt::PenStyle style = Qt::SolidLine,
                      int width = 1);

  TMathGrid* Grid() const { return grid_; }
  QColor Color;
  Qt::PenStyle PenStyle;
  int Width;

  void StartLine() { start_ = true; }
  // The first point after StartLine is a dot when it lies inside the axis
  // ranges; each later point is joined to the previous one by a segment,
  // clipped to the plotting area.
  void AddPoint(double x, double y);

 private:
  TMathGrid* grid_;
  bool start_ = true;
  QPointF last_;
  std::size_t stroke_ = 0;  // index of this curve's open stroke in the picture
};

}  // namespace vorla::gui
