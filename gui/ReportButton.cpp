// "Print Report": the current case on one page, in a print preview.
#include <QFile>
#include <QPainter>
#include <QPrinter>

#include "gui/TAForm2.h"
#include "gui/charts/BarChartWidget.h"
#include "gui/export/GraphExport.h"
#include "gui/report/CaseReport.h"

namespace vorla::gui {

ReportContent TTAForm2::ReportFromCurrentRow() const {
  ReportContent content;
  FillCaseFields(TATable, content);
  QuickRep1BeforePrint(content);
  content.printedAt = ReportTimestamp();
  CopyEstimateCells(content, NumResultsRowCount(), [this](int column, int row) { return ResultCell(column, row); });
  content.chart = AgeBarChart->Data();
  content.chartSize = AgeBarChart->size();
  return content;
}

void TTAForm2::QuickRep1BeforePrint(ReportContent& content) const {
  // Filled from the current row just before the page is produced.
  content.modelLine = ModelLine(TATable);
  content.caption = windowTitle();
}

void TTAForm2::PrintPreviewButtClick() {
  const std::string name = TATable.FieldIsNull("SKELETON_NAME") ? std::string() : TATable.FieldAsText("SKELETON_NAME");
  const QString picture = QString::fromStdString(ProgramDirectory) + QStringLiteral("graphtmpout.wmf");
  TATable.SetNameFilter(name);
  try {
    // The picture of the chart goes through a file beside the program, as the
    // report's picture; the page draws the same chart.
    WriteGraphFile(picture, AgeBarChart->Metafile());
    ReportContent content = ReportFromCurrentRow();
    ui_.PrintPreview(this, ReportPdfPath(), [this, &content](QPrinter* printer) {
      QuickRep1BeforePrint(content);
      QPainter painter(printer);
      PaintReport(painter, printer->resolution() / 25.4, content);
    });
  } catch (...) {
    // The table shows all rows again and no picture is left behind.
    QFile::remove(picture);
    TATable.ClearFilter();
    TATable.LocateName(name);
    throw;
  }
  QFile::remove(picture);
  TATable.ClearFilter();
  TATable.LocateName(name);
}

}  // namespace vorla::gui
