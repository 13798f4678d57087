#pragma once
// An enhanced metafile (EMF) as a paint device: whatever a QPainter draws on
// it becomes a stream of EMF records (pens, brushes, rectangles, polylines,
// polygons and text in fonts), little-endian, ready for a file or the
// clipboard. Logical units are the device's pixels; the reference device has
// the same pixels per inch, so one inch of the drawing is one inch of the
// metafile's frame.
#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <memory>

namespace vorla::gui {

class EmfPaintEngine;

class EmfDevice final : public QPaintDevice {
 public:
  // size: the picture in pixels; dpi: the pixels per inch of the screen it copies.
  explicit EmfDevice(QSize size, int dpi = 96);
  ~EmfDevice() override;
  EmfDevice(const EmfDevice&) = delete;
  EmfDevice& operator=(const EmfDevice&) = delete;

  QPaintEngine* paintEngine() const override;
  // The complete metafile; call after the painter has ended.
  QByteArray Bytes() const;

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  QSize size_;
  int dpi_;
  std::unique_ptr<EmfPaintEngine> engine_;
};

// EMF record types written here.
namespace emr {
inline constexpr quint32 Header = 1;
inline constexpr quint32 Eof = 14;
inline constexpr quint32 SetBkMode = 18;
inline constexpr quint32 SetTextAlign = 22;
inline constexpr quint32 SetTextColor = 24;
inline constexpr quint32 SelectObject = 37;
inline constexpr quint32 CreatePen = 38;
inline constexpr quint32 CreateBrushIndirect = 39;
inline constexpr quint32 DeleteObject = 40;
inline constexpr quint32 Rectangle = 43;
inline constexpr quint32 ExtCreateFontIndirectW = 82;
inline constexpr quint32 ExtTextOutW = 84;
inline constexpr quint32 Polygon16 = 86;
inline constexpr quint32 Polyline16 = 87;
}  // namespace emr

}  // namespace vorla::gui
