#pragma once
// The bar chart on screen: a widget that holds the chart's data and paints it
// with the one paint function.
#include <QImage>
#include <QWidget>

#include "paint/BarChart.h"

namespace vorla::gui {

// The chart on screen: holds its data and paints through PaintBarChart.
class TBarChart final : public QWidget {
  Q_OBJECT
 public:
  explicit TBarChart(QWidget* parent = nullptr);

  BarChartData& Data() { return data_; }
  const BarChartData& Data() const { return data_; }

  void ClearItems() { data_.Items.clear(); }
  // The colours of the items drawn next.
  void SetColors(const QColor& outline, const QColor& fill) {
    outline_ = outline;
    fill_ = fill;
  }
  void Rectangle(double x1, double y1, double x2, double y2) {
    data_.Items.push_back({x1, y1, x2, y2, outline_, fill_});
  }
  // The whole chart as on the screen, at its size in pixels.
  QImage RenderImage() const;
  // The whole chart at its on-screen size and colours as an enhanced metafile.
  QByteArray Metafile() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  BarChartData data_;
  QColor outline_ = Qt::black;
  QColor fill_ = Qt::black;
};

}  // namespace vorla::gui
