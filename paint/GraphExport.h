#pragma once
// The graphs as pictures for other programs: the file names of a saved
// graph, the bar chart as a metafile and as a bitmap, and writing a file.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace vorla::gui {

struct BarChartData;

enum class GraphFileType { Metafile, Bitmap };

// The name a graph is written under: the chosen path's directory, its file
// name cut before the first ".", and ".wmf" or ".bmp" by the type (a
// metafile chosen as ".emf" keeps that extension).
QString GraphFileName(const QString& chosen, GraphFileType type);
// The type a chosen name asks for by its extension, in any case of letters:
// ".wmf" and ".emf" a metafile, ".bmp" a bitmap; otherwise the type of the
// file filter chosen in the dialog.
GraphFileType GraphFileTypeFor(const QString& chosen, GraphFileType filterType);
// A case number as the stem of a file name: characters that no file name may
// hold, control characters and dots (the graph's name is cut at the first
// dot) become "_"; outer blanks go. Empty when nothing is left.
QString SafeFileStem(const QString& caseNumber);

// The whole chart at this size (pixels at this resolution) as an enhanced metafile.
QByteArray BarChartMetafile(const BarChartData& chart, QSize size, int dpi);
// The whole chart as on the screen, at its size in pixels.
QImage BarChartBitmap(const BarChartData& chart, QSize size);
// The whole chart as a scalable vector graphic of this size.
QByteArray BarChartSvg(const BarChartData& chart, QSize size);
// The bitmap in the BMP file format.
QByteArray BmpBytes(const QImage& image);

// Writes the bytes as the whole file (SaveFileBytes): throws
// std::runtime_error naming the file when it cannot be created or written,
// and an earlier file stays as it was.
void WriteGraphFile(const QString& path, const QByteArray& bytes);

}  // namespace vorla::gui
