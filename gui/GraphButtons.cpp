// "Copy Graph" and "Save Graph": the graph that is shown onto the clipboard
// or into a file (the bar chart as a metafile or bitmap, the curves as a
// bitmap); the names proposed for the files of a case.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <memory>

#include "gui/TAForm2.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/MathGrid.h"
#include "paint/GraphExport.h"

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

QImage TTAForm2::CurvesPicture() const {
  QImage picture = MathGrid1->RenderImage();
  // The curve legend lies over the plot on the page; the picture takes it
  // along so that the colours can be told apart where it is pasted.
  QPainter painter(&picture);
  const QPoint plot = MathGrid1->mapTo(this, QPoint(0, 0));
  for (QLabel* label : CurveLegend)
    if (!label->isHidden()) label->render(&painter, label->mapTo(this, QPoint(0, 0)) - plot);
  return picture;
}

void TTAForm2::ButtonCopyGraphClick() {
  if (!ShownResultsAreCurrent(QStringLiteral("The graph was not copied."))) return;
  auto mime = std::make_unique<QMimeData>();
  if (!BarGraphPanel->isHidden()) {
    mime->setData(QStringLiteral("image/x-emf"), AgeBarChart->Metafile());
    // Programs that cannot read a metafile take the picture as an image.
    mime->setImageData(AgeBarChart->RenderImage());
  } else {
    const WaitCursor wait;
    mime->setImageData(CurvesPicture());
  }
  ui_.SetClipboardData(mime.release());
}

QString TTAForm2::CaseFileStem() const {
  if (!TATable.IsOpen() || TATable.FieldIsNull("SKELETON_NAME")) return {};
  return SafeFileStem(QString::fromStdString(TATable.FieldAsText("SKELETON_NAME")));
}

QString TTAForm2::ReportPdfPath() const {
  const QString stem = CaseFileStem();
  return QDir(QString::fromStdString(ProgramDirectory))
      .absoluteFilePath((stem.isEmpty() ? QStringLiteral("report") : stem) + QStringLiteral(".pdf"));
}

void TTAForm2::SaveGraphButtClick() {
  if (!ShownResultsAreCurrent(QStringLiteral("The graph was not saved."))) return;
  // The graph that is shown is saved: the bar chart as a metafile or a
  // bitmap, the curves (which have no metafile) as a bitmap.
  const bool curves = BarGraphPanel->isHidden();
  const QString metafileFilter = QStringLiteral("WMF files (*.wmf)");
  const QString bitmapFilter = QStringLiteral("BMP files (*.bmp)");
  QString chosenFilter = curves ? bitmapFilter : metafileFilter;
  // The folder of the last graph saved, and the case number as the name.
  const QString folder = last_graph_folder_.isEmpty() ? QString::fromStdString(ProgramDirectory) : last_graph_folder_;
  const QString chosen = ui_.SaveFileName(
      this, curves ? QStringLiteral("Save likelihood curves") : QStringLiteral("Save horizontal bar graph"),
      folder + CaseFileStem(), curves ? bitmapFilter : metafileFilter + QStringLiteral(";;") + bitmapFilter,
      &chosenFilter);
  if (chosen.isEmpty()) return;
  // A typed extension says what is wanted, whatever file type is selected.
  const GraphFileType type =
      curves ? GraphFileType::Bitmap
             : GraphFileTypeFor(chosen, chosenFilter == bitmapFilter ? GraphFileType::Bitmap : GraphFileType::Metafile);
  const QString path = GraphFileName(chosen, type);
  // The dialog asked about the name chosen; a different file about to be
  // replaced is asked about here, so that no picture is lost unasked.
  if (QFileInfo(path).absoluteFilePath() != QFileInfo(chosen).absoluteFilePath() && QFileInfo::exists(path) &&
      !ui_.AskYesNo(QFileInfo(path).fileName() + QStringLiteral(" already exists.\nDo you want to replace it?")))
    return;
  const QByteArray bytes = curves                            ? BmpBytes(CurvesPicture())
                           : type == GraphFileType::Metafile ? AgeBarChart->Metafile()
                                                             : BmpBytes(AgeBarChart->RenderImage());
  WriteGraphFile(path, bytes);
  last_graph_folder_ = QFileInfo(path).absolutePath() + QLatin1Char('/');
}

}  // namespace vorla::gui
