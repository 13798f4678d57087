#include "paint/EmfWriter.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vorla::gui {

namespace {

constexpr quint32 NullBrush = 0x80000005;  // stock objects
constexpr quint32 NullPen = 0x80000008;
constexpr quint32 DeviceDefaultFont = 0x8000000E;
constexpr quint32 Transparent = 1;
constexpr quint32 TextAlignBaseline = 24;

// One record being built: the type and size first, the size set when done.
class Record {
 public:
  explicit Record(quint32 type) { U32(type).U32(0); }
  Record& U32(quint32 v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
    return *this;
  }
  Record& I32(qint32 v) { return U32(static_cast<quint32>(v)); }
  Record& U16(quint16 v) {
    bytes_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
  }
  Record& I16(qint16 v) { return U16(static_cast<quint16>(v)); }
  Record& F32(float v) {
    quint32 bits = 0;
    static_assert(sizeof bits == sizeof v);
    std::memcpy(&bits, &v, sizeof bits);
    return U32(bits);
  }
  Record& Rect(qint32 l, qint32 t, qint32 r, qint32 b) { return I32(l).I32(t).I32(r).I32(b); }
  Record& Pad() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
    return *this;
  }
  std::size_t Size() const { return bytes_.size(); }
  void SetU32(std::size_t at, quint32 v) {
    for (int i = 0; i < 4; ++i)
      bytes_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
  }
  std::vector<std::uint8_t> Finish() {
    Pad();
    SetU32(4, static_cast<quint32>(bytes_.size()));
    return std::move(bytes_);
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

quint32 ColorRef(const QColor& c) {
  return static_cast<quint32>(c.red()) | (static_cast<quint32>(c.green()) << 8) |
         (static_cast<quint32>(c.blue()) << 16);
}

qint16 Clamp16(double v) {
  return static_cast<qint16>(std::clamp(std::lround(v), -32768L, 32767L));
}
qint32 Round32(double v) {
  return static_cast<qint32>(std::lround(v));
}

}  // namespace

class EmfPaintEngine final : public QPaintEngine {
 public:
  EmfPaintEngine(QSize size, int dpi) : QPaintEngine(QPaintEngine::AllFeatures), size_(size), dpi_(dpi) {}

  bool begin(QPaintDevice*) override {
    records_.clear();
    recordCount_ = 0;
    penHandle_ = brushHandle_ = fontHandle_ = 0;
    nextHandle_ = 1;
    freeHandles_.clear();
    textColorSet_ = false;
    Add(Record(emr::SetBkMode).U32(Transparent));
    Add(Record(emr::SetTextAlign).U32(TextAlignBaseline));
    penDirty_ = brushDirty_ = true;
    return true;
  }

  bool end() override {
    // Deselect and delete what is still selected.
    if (penHandle_ != 0) {
      Add(Record(emr::SelectObject).U32(NullPen));
      Delete(penHandle_);
    }
    if (brushHandle_ != 0) {
      Add(Record(emr::SelectObject).U32(NullBrush));
      Delete(brushHandle_);
    }
    if (fontHandle_ != 0) {
      Add(Record(emr::SelectObject).U32(DeviceDefaultFont));
      Delete(fontHandle_);
    }
    penHandle_ = brushHandle_ = fontHandle_ = 0;
    return true;
  }

  void updateState(const QPaintEngineState& changed) override {
    const DirtyFlags flags = changed.state();
    if (flags & DirtyPen) {
      pen_ = changed.pen();
      penDirty_ = true;
    }
    if (flags & DirtyBrush) {
      brush_ = changed.brush();
      brushDirty_ = true;
    }
    if (flags & DirtyTransform) transform_ = changed.transform();
    if (flags & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled)) {
      clipping_ = painter()->hasClipping();
      if (clipping_) clip_ = painter()->transform().mapRect(painter()->clipBoundingRect());
    }
  }

  void drawRects(const QRect* rects, int count) override {
    for (int i = 0; i < count; ++i) DrawRect(QRectF(rects[i]));
  }
  void drawRects(const QRectF* rects, int count) override {
    for (int i = 0; i < count; ++i) DrawRect(rects[i]);
  }

  void drawLines(const QLine* lines, int count) override {
    for (int i = 0; i < count; ++i) DrawLine(QLineF(lines[i]));
  }
  void drawLines(const QLineF* lines, int count) override {
    for (int i = 0; i < count; ++i) DrawLine(lines[i]);
  }

  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    QPolygonF polygon;
    for (int i = 0; i < count; ++i) polygon << transform_.map(points[i]);
    if (clipping_ && mode != PolylineMode) polygon = polygon.intersected(QPolygonF(clip_));
    if (polygon.isEmpty()) return;
    if (mode == PolylineMode) {
      SelectPen();
      Poly(emr::Polyline16, polygon);
    } else {
      SelectPen();
      SelectBrush();
      Poly(emr::Polygon16, polygon);
    }
  }
  void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
    std::vector<QPointF> copy(points, points + count);
    drawPolygon(copy.data(), count, mode);
  }

  void drawPath(const QPainterPath& path) override {
    const QList<QPolygonF> polygons = path.toSubpathPolygons(QTransform());
    for (const QPolygonF& p : polygons) drawPolygon(p.constData(), static_cast<int>(p.size()), OddEvenMode);
  }

  void drawTextItem(const QPointF& point, const QTextItem& item) override {
    const QString text = item.text();
    if (text.isEmpty()) return;
    const QPointF at = transform_.map(point);
    if (clipping_ && !clip_.adjusted(-1, -1, 1, 1).contains(at)) return;
    SelectFont(item.font());
    if (textColor_ != pen_.color().rgb() || !textColorSet_) {
      Add(Record(emr::SetTextColor).U32(ColorRef(pen_.color())));
      textColor_ = pen_.color().rgb();
      textColorSet_ = true;
    }
    // Character advances, rounded so that their sum follows the true width.
    const QFontMetricsF metrics(item.font());
    std::vector<qint32> dx;
    double sum = 0;
    qint32 placed = 0;
    for (QChar ch : text) {
      sum += metrics.horizontalAdvance(ch);
      const qint32 next = Round32(sum);
      dx.push_back(next - placed);
      placed = next;
    }
    const qint32 x = Round32(at.x());
    const qint32 y = Round32(at.y());
    const qint32 ascent = Round32(metrics.ascent());
    const qint32 descent = Round32(metrics.descent());
    const auto chars = static_cast<quint32>(text.size());
    const quint32 stringOffset = 76;
    const quint32 stringBytes = (chars * 2 + 3) / 4 * 4;
    Record r(emr::ExtTextOutW);
    r.Rect(x, y - ascent, x + placed, y + descent);  // bounds
    r.U32(1).F32(0).F32(0);                          // compatible graphics mode, no scaling
    r.I32(x).I32(y).U32(chars).U32(stringOffset).U32(0);
    r.Rect(0, 0, -1, -1);  // no clipping or opaquing rectangle
    r.U32(stringOffset + stringBytes);
    for (QChar ch : text) r.U16(ch.unicode());
    r.Pad();
    for (qint32 d : dx) r.I32(d);
    Add(std::move(r));
  }

  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {
    // Pictures are not part of a chart; a pixmap leaves no record.
  }

  Type type() const override { return QPaintEngine::User; }

  QByteArray Bytes() const {
    std::vector<std::uint8_t> body;
    for (const std::vector<std::uint8_t>& r : records_) body.insert(body.end(), r.begin(), r.end());
    Record eof(emr::Eof);
    eof.U32(0).U32(16).U32(20);
    const std::vector<std::uint8_t> eofBytes = eof.Finish();

    const int w = std::max(size_.width(), 1);
    const int h = std::max(size_.height(), 1);
    Record header(emr::Header);
    header.Rect(0, 0, w - 1, h - 1);  // bounds, inclusive, in pixels
    header.Rect(0, 0, Round32((w - 1) * 2540.0 / dpi_), Round32((h - 1) * 2540.0 / dpi_));  // frame, 0.01 mm
    header.U32(0x464D4520);                                                                 // " EMF"
    header.U32(0x10000);
    const std::size_t bytesAt = header.Size();
    header.U32(0).U32(0);  // bytes and records, set below
    header.U16(static_cast<quint16>(nextHandle_)).U16(0);
    header.U32(0).U32(0).U32(0);  // no description, no palette
    // The reference device: 20 by 15 inches at the screen's pixels per inch.
    header.I32(20 * dpi_).I32(15 * dpi_).I32(508).I32(381);
    header.U32(0).U32(0).U32(0);  // no pixel format, no OpenGL
    header.I32(508000).I32(381000);
    std::vector<std::uint8_t> headerBytes = header.Finish();
    const std::size_t total = headerBytes.size() + body.size() + eofBytes.size();
    const std::size_t count = 2 + static_cast<std::size_t>(recordCount_);
    for (int i = 0; i < 4; ++i) {
      headerBytes[bytesAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((total >> (8 * i)) & 0xFF);
      headerBytes[bytesAt + 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((count >> (8 * i)) & 0xFF);
    }
    QByteArray out;
    out.reserve(static_cast<qsizetype>(total));
    for (const std::vector<std::uint8_t>* part :
         std::initializer_list<const std::vector<std::uint8_t>*>{&headerBytes, &body, &eofBytes})
      out.append(reinterpret_cast<const char*>(part->data()), static_cast<qsizetype>(part->size()));
    return out;
  }

 private:
  void Add(Record record) {
    records_.push_back(record.Finish());
    ++recordCount_;
  }

  quint32 NewHandle() {
    if (!freeHandles_.empty()) {
      const quint32 h = freeHandles_.back();
      freeHandles_.pop_back();
      return h;
    }
    return nextHandle_++;
  }
  void Delete(quint32 handle) {
    Add(Record(emr::DeleteObject).U32(handle));
    freeHandles_.push_back(handle);
  }

  void SelectPen() {
    if (!penDirty_) return;
    penDirty_ = false;
    const quint32 old = penHandle_;
    if (pen_.style() == Qt::NoPen) {
      Add(Record(emr::SelectObject).U32(NullPen));
      penHandle_ = 0;
    } else {
      penHandle_ = NewHandle();
      const quint32 style = pen_.style() == Qt::SolidLine ? 0 : (pen_.style() == Qt::DotLine ? 2 : 1);
      const qint32 width = pen_.width() <= 1 ? 1 : pen_.width();
      Add(Record(emr::CreatePen).U32(penHandle_).U32(style).I32(width).I32(0).U32(ColorRef(pen_.color())));
      Add(Record(emr::SelectObject).U32(penHandle_));
    }
    if (old != 0) Delete(old);
  }

  void SelectBrush() {
    if (!brushDirty_) return;
    brushDirty_ = false;
    const quint32 old = brushHandle_;
    if (brush_.style() == Qt::NoBrush) {
      Add(Record(emr::SelectObject).U32(NullBrush));
      brushHandle_ = 0;
    } else {
      brushHandle_ = NewHandle();
      Add(Record(emr::CreateBrushIndirect).U32(brushHandle_).U32(0).U32(ColorRef(brush_.color())).U32(0));
      Add(Record(emr::SelectObject).U32(brushHandle_));
    }
    if (old != 0) Delete(old);
  }

  void SelectFont(const QFont& font) {
    if (fontHandle_ != 0 && font == font_) return;
    const quint32 old = fontHandle_;
    font_ = font;
    fontHandle_ = NewHandle();
    const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * dpi_ / 72.0;
    Record r(emr::ExtCreateFontIndirectW);
    r.U32(fontHandle_);
    r.I32(-Round32(pixels)).I32(0).I32(0).I32(0);  // height (character height), width, escapement, orientation
    r.I32(font.bold() ? 700 : 400);
    r.U32(static_cast<quint32>(font.italic() ? 1 : 0) | (static_cast<quint32>(font.underline() ? 1 : 0) << 8) |
          (static_cast<quint32>(font.strikeOut() ? 1 : 0) << 16) |
          (1u << 24));  // italic, underline, strike, DEFAULT_CHARSET
    r.U32(0);           // precisions, quality, pitch and family
    const QString face = font.family().left(31);
    for (int i = 0; i < 32; ++i) r.U16(i < face.size() ? face[i].unicode() : 0);
    Add(std::move(r));
    Add(Record(emr::SelectObject).U32(fontHandle_));
    if (old != 0) Delete(old);
  }

  void DrawRect(const QRectF& logical) {
    QRectF r = transform_.mapRect(logical);
    // The pixels a rectangle covers: from the corner to the far corner, inclusive.
    r.setRight(r.right() + 1);
    r.setBottom(r.bottom() + 1);
    if (clipping_) r = r.intersected(clip_);
    if (r.isEmpty()) return;
    SelectPen();
    SelectBrush();
    Add(Record(emr::Rectangle).Rect(Round32(r.left()), Round32(r.top()), Round32(r.right()), Round32(r.bottom())));
  }

  void DrawLine(const QLineF& logical) {
    QLineF line = transform_.map(logical);
    if (clipping_ && !ClipLine(line)) return;
    SelectPen();
    Poly(emr::Polyline16, QPolygonF{{line.p1(), line.p2()}});
  }

  // Cuts a line to the clip rectangle; false when nothing is left.
  bool ClipLine(QLineF& line) const {
    double t0 = 0, t1 = 1;
    const double dx = line.dx(), dy = line.dy();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {line.x1() - clip_.left(), clip_.right() - line.x1(), line.y1() - clip_.top(),
                         clip_.bottom() - line.y1()};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return false;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0)
        t0 = std::max(t0, t);
      else
        t1 = std::min(t1, t);
      if (t0 > t1) return false;
    }
    const QPointF a = line.pointAt(t0), b = line.pointAt(t1);
    line = QLineF(a, b);
    return true;
  }

  void Poly(quint32 type, const QPolygonF& points) {
    const QRect bounds = points.boundingRect().toAlignedRect();
    Record r(type);
    r.Rect(bounds.left(), bounds.top(), bounds.right(), bounds.bottom());
    r.U32(static_cast<quint32>(points.size()));
    for (const QPointF& p : points) r.I16(Clamp16(p.x())).I16(Clamp16(p.y()));
    Add(std::move(r));
  }

  QSize size_;
  int dpi_;
  std::vector<std::vector<std::uint8_t>> records_;
  int recordCount_ = 0;
  quint32 nextHandle_ = 1;
  std::vector<quint32> freeHandles_;
  quint32 penHandle_ = 0, brushHandle_ = 0, fontHandle_ = 0;
  bool penDirty_ = true, brushDirty_ = true;
  QPen pen_;
  QBrush brush_;
  QFont font_;
  QRgb textColor_ = 0;
  bool textColorSet_ = false;
  QTransform transform_;
  bool clipping_ = false;
  QRectF clip_;
};

EmfDevice::EmfDevice(QSize size, int dpi)
    : size_(size), dpi_(dpi > 0 ? dpi : 96), engine_(std::make_unique<EmfPaintEngine>(size, dpi_)) {}

EmfDevice::~EmfDevice() = default;

QPaintEngine* EmfDevice::paintEngine() const {
  return engine_.get();
}

QByteArray EmfDevice::Bytes() const {
  return engine_->Bytes();
}

int EmfDevice::metric(PaintDeviceMetric m) const {
  switch (m) {
    case PdmWidth:
      return size_.width();
    case PdmHeight:
      return size_.height();
    case PdmWidthMM:
      return static_cast<int>(std::lround(size_.width() * 25.4 / dpi_));
    case PdmHeightMM:
      return static_cast<int>(std::lround(size_.height() * 25.4 / dpi_));
    case PdmNumColors:
      return 0x7fffffff;
    case PdmDepth:
      return 24;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
      return dpi_;
    case PdmDevicePixelRatio:
      return 1;
    case PdmDevicePixelRatioScaled:
      return static_cast<int>(devicePixelRatioFScale());
    default:
      return QPaintDevice::metric(m);
  }
}

}  // namespace vorla::gui
