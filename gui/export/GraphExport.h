#pragma once
// The graphs as pictures for other programs: the file names of a saved
// graph, the bar chart as a metafile and as a bitmap, and writing a file.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace vorla::gui {

class TBarChart;

enum class GraphFileType { Metafile, Bitmap };

// The name a graph is written under: the chosen path's directory, its file
// name cut before the first ".", and ".wmf" or ".bmp" by the type.
QString GraphFileName(const QString& chosen, GraphFileType type);

// The whole chart at its on-screen size and colours as an enhanced metafile.
QByteArray BarChartMetafile(const TBarChart& chart);
// The whole chart as on the screen, at its size in pixels.
QImage BarChartBitmap(const TBarChart& chart);
// The bitmap in the BMP file format.
QByteArray BmpBytes(const QImage& image);

// Writes the bytes to a new or emptied file; throws std::runtime_error with
// the file layer's message when the file cannot be created or written.
void WriteGraphFile(const QString& path, const QByteArray& bytes);

}  // namespace vorla::gui
