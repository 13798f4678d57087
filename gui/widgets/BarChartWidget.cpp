#include "gui/widgets/BarChartWidget.h"

#include <QPainter>

#include "paint/GraphExport.h"

namespace vorla::gui {

TBarChart::TBarChart(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage TBarChart::RenderImage() const {
  return BarChartBitmap(data_, size());
}

QByteArray TBarChart::Metafile() const {
  return BarChartMetafile(data_, size(), logicalDpiX());
}

void TBarChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintBarChart(painter, size(), data_);
}

}  // namespace vorla::gui
