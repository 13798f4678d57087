// "Print Report": the current case on one page, in a print preview.
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include "gui/TAForm2.h"
#include "gui/charts/BarChart.h"
#include "gui/export/GraphExport.h"
#include "gui/report/Report.h"

namespace vorla::gui {

namespace {

QString TextOf(const CaseTable& table, const std::string& field) {
  return table.FieldIsNull(field) ? QString() : QString::fromStdString(table.DisplayText(field));
}

}  // namespace

ReportContent TTAForm2::ReportFromCurrentRow() const {
  ReportContent content;
  for (const std::string& field : ReportScoreFields()) content.fields[field] = TextOf(TATable, field);
  for (const char* field : {"SKELETON_NAME", "TA_Notes"}) content.fields[field] = TextOf(TATable, field);
  content.modelLine = QStringLiteral("Hazard Model: ") + TextOf(TATable, "HAZARDFUNC") + QLatin1Char(' ') +
                      TextOf(TATable, "RACE") + QLatin1Char(' ') + TextOf(TATable, "SEX");
  content.caption = windowTitle();
  content.printedAt = QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  for (int r = 0; r < NumResultsRowCount() && r < 6; ++r)
    for (int c = 0; c < 7; ++c) {
      if (r == 0 && c == 0) continue;
      ReportCell& cell = content.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      cell.enabled = true;
      cell.text = ResultCell(c, r);
    }
  content.chart = AgeBarChart->Data();
  content.chartSize = AgeBarChart->size();
  return content;
}

void TTAForm2::PrintPreviewButtClick() {
  const std::string name = TATable.FieldIsNull("SKELETON_NAME") ? std::string() : TATable.FieldAsText("SKELETON_NAME");
  const QString picture = QString::fromStdString(ProgramDirectory) + QStringLiteral("graphtmpout.wmf");
  TATable.SetNameFilter(name);
  try {
    // The picture of the chart goes through a file beside the program, as the
    // report's picture; the page draws the same chart.
    WriteGraphFile(picture, BarChartMetafile(*AgeBarChart));
    ReportContent content = ReportFromCurrentRow();
    ui_.PrintPreview(this, [this, &content](QPrinter* printer) {
      // Filled just before the page is produced.
      const ReportContent current = ReportFromCurrentRow();
      content.modelLine = current.modelLine;
      content.caption = current.caption;
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
