// "Copy Graph" and "Save Graph": the graph that is shown onto the clipboard,
// the bar chart into a metafile or bitmap file.
#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>

#include "gui/TAForm2.h"
#include "gui/charts/BarChartWidget.h"
#include "gui/export/GraphExport.h"
#include "gui/widgets/MathGrid.h"

namespace vorla::gui {

namespace {

// The hourglass for as long as it lives, whatever way the scope is left.
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

void TTAForm2::ButtonCopyGraphClick() {
  auto mime = std::make_unique<QMimeData>();
  if (!BarGraphPanel->isHidden()) {
    mime->setData(QStringLiteral("image/x-emf"), AgeBarChart->Metafile());
    // Programs that cannot read a metafile take the picture as an image.
    mime->setImageData(AgeBarChart->RenderImage());
  } else {
    const WaitCursor wait;
    mime->setImageData(MathGrid1->RenderImage());
  }
  ui_.SetClipboardData(mime.release());
}

void TTAForm2::SaveGraphButtClick() {
  const QString metafileFilter = QStringLiteral("WMF files (*.wmf)");
  const QString bitmapFilter = QStringLiteral("BMP files (*.bmp)");
  QString chosenFilter = metafileFilter;
  const QString chosen = ui_.SaveFileName(this, QStringLiteral("Save horizontal bar graph"),
                                          QString::fromStdString(ProgramDirectory),
                                          metafileFilter + QStringLiteral(";;") + bitmapFilter, &chosenFilter);
  if (chosen.isEmpty()) return;
  const GraphFileType type = chosenFilter == bitmapFilter ? GraphFileType::Bitmap : GraphFileType::Metafile;
  const QString path = GraphFileName(chosen, type);
  // The dialog asked about the name chosen; a different file about to be
  // replaced is asked about here, so that no picture is lost unasked.
  if (QFileInfo(path).absoluteFilePath() != QFileInfo(chosen).absoluteFilePath() && QFileInfo::exists(path) &&
      !ui_.AskYesNo(QFileInfo(path).fileName() + QStringLiteral(" already exists.\nDo you want to replace it?")))
    return;
  const QByteArray bytes =
      type == GraphFileType::Metafile ? AgeBarChart->Metafile() : BmpBytes(AgeBarChart->RenderImage());
  WriteGraphFile(path, bytes);
}

}  // namespace vorla::gui
