#include "paint/GraphExport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSvgGenerator>
#include <stdexcept>

#include "paint/BarChart.h"
#include "paint/EmfWriter.h"
#include "paint/SavedFile.h"

namespace vorla::gui {

QString GraphFileName(const QString& chosen, GraphFileType type) {
  const QFileInfo info(chosen);
  const QString name = info.fileName();
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  const QString stem = dot < 0 ? name : name.left(dot);
  QString extension = type == GraphFileType::Metafile ? QStringLiteral(".wmf") : QStringLiteral(".bmp");
  if (type == GraphFileType::Metafile && info.suffix().compare(QStringLiteral("emf"), Qt::CaseInsensitive) == 0)
    extension = QStringLiteral(".emf");
  return QDir(info.path()).filePath(stem + extension);
}

GraphFileType GraphFileTypeFor(const QString& chosen, GraphFileType filterType) {
  const QString suffix = QFileInfo(chosen).suffix().toLower();
  if (suffix == QStringLiteral("wmf") || suffix == QStringLiteral("emf")) return GraphFileType::Metafile;
  if (suffix == QStringLiteral("bmp")) return GraphFileType::Bitmap;
  return filterType;
}

QString SafeFileStem(const QString& caseNumber) {
  QString stem = caseNumber.trimmed();
  static const QString refused = QStringLiteral("\\/:*?\"<>|.");
  for (QChar& c : stem)
    if (c.unicode() < 32 || c.unicode() == 127 || refused.contains(c)) c = QLatin1Char('_');
  return stem;
}

QByteArray BarChartMetafile(const BarChartData& chart, QSize size, int dpi) {
  EmfDevice device(size, dpi > 0 ? dpi : 96);
  {
    QPainter painter(&device);
    PaintBarChart(painter, size, chart);
  }
  return device.Bytes();
}

QImage BarChartBitmap(const BarChartData& chart, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  PaintBarChart(painter, size, chart);
  return image;
}

QByteArray BarChartSvg(const BarChartData& chart, QSize size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(size);
  generator.setViewBox(QRect(QPoint(0, 0), size));
  generator.setTitle(chart.Title);
  {
    QPainter painter(&generator);
    PaintBarChart(painter, size, chart);
  }
  return bytes;
}

QByteArray BmpBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "BMP")) throw std::runtime_error("The bitmap could not be encoded");
  return bytes;
}

void WriteGraphFile(const QString& path, const QByteArray& bytes) {
  SaveFileBytes(path, bytes);
}

}  // namespace vorla::gui
