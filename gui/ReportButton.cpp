// "Print Report": the current case on one page, in a print preview.
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>

#include "gui/TAForm2.h"
#include "gui/WindowSettings.h"
#include "gui/widgets/BarChartWidget.h"
#include "paint/Analyst.h"
#include "paint/CaseReport.h"
#include "paint/EstimateBars.h"
#include "paint/GraphExport.h"
#include "paint/ReportMetadata.h"

namespace vorla::gui {

ReportContent TTAForm2::ReportFromCurrentRow() {
  ReportContent content;
  FillCaseFields(TATable, content);
  QuickRep1BeforePrint(content);
  content.printedAt = ReportTimestamp();
  CopyEstimateCells(content, NumResultsRowCount(), [this](int column, int row) { return ResultCell(column, row); });
  // The page draws the chart at the page's own size, as the headless report
  // does, whatever the size of the chart on the screen.
  content.chart = AgeBarChart->Data();
  content.chartSize = EstimatesChartSize;
  if (const auto set = SetInUse()) {
    content.provenance = ProvenanceOf(*set, QString::fromStdString(TATable.FieldAsText("HAZARDFUNC")), CurrentLevel(),
                                      Analyst(), &own_models_);
    RecordCase(TATable, content.provenance);
  }
  return content;
}

std::shared_ptr<const ParameterIdentity> TTAForm2::SetInUse() {
  try {
    const auto checked = CheckedParameterSet();
    return std::shared_ptr<const ParameterIdentity>(checked, &checked->identity);
  } catch (const std::exception&) {
    return nullptr;  // an unusable set is said where it is used
  }
}

QString TTAForm2::Analyst() const {
  const QString kept = settings_ ? settings_->Analyst() : QString();
  return kept.isEmpty() ? LoginFullName() : kept;
}

void TTAForm2::PreferencesClick() {
  const std::optional<QString> name =
      ui_.AskText(this, QStringLiteral("Preferences"),
                  QStringLiteral("Analyst (named on every report; empty: the login's full name):"), Analyst());
  if (!name || !settings_) return;
  settings_->SetAnalyst(*name);
  TATable.SetWriter({Analyst().toStdString(), "vorla"});
}

void TTAForm2::QuickRep1BeforePrint(ReportContent& content) const {
  // Filled from the current row just before the page is produced.
  content.modelLine = ModelLine(TATable);
  content.caption = windowTitle();
}

bool TTAForm2::PrintableResults() {
  const StoredResultsCheck check = CheckCurrentRow();
  return check.state == StoredState::Current && check.level == CurrentLevel();
}

bool TTAForm2::EnsurePrintableRow() {
  // The page carries the row's own results for its scores and choices as they
  // stand, at the chosen level: a row without them is analysed first, as
  // Analyze does (stored and traced), when the person says so.
  if (!PrintableResults()) {
    if (!ui_.AskYesNo(QStringLiteral("This case has no results for its present scores and choices at the chosen "
                                     "level.\nAnalyze first?")))
      return false;
    BitBtnCalculateClick();
    if (!PrintableResults()) {
      ShowMessage(MessageKind::Error,
                  "No report was printed: this case has no results for its present scores "
                  "and choices. Analyze it (F8), then print again.");
      return false;
    }
  }
  const std::int32_t id = DataSourceSkeleton.FieldAsInteger("SKELETON_ID");
  if (shown_key_ != id) ShowCurrentRowResults();
  // The page copies the grid and the chart: both must show this row's results.
  if (shown_key_ != id || shown_state_ != StoredState::Current || AgeBarChart->Data().Items.empty()) {
    ShowMessage(MessageKind::Error,
                "No report was printed: the results on screen could not be matched to this "
                "case. Analyze it (F8), then print again.");
    return false;
  }
  return true;
}

void TTAForm2::PrintPreviewButtClick() {
  if (!EnsurePrintableRow()) return;
  const std::int32_t id = DataSourceSkeleton.FieldAsInteger("SKELETON_ID");

  const QString picture = QString::fromStdString(ProgramDirectory) + QStringLiteral("graphtmpout.wmf");
  const auto restore = [this, &picture, id] {
    // The table shows all rows again, the printed row stays the current one,
    // and no picture is left behind.
    QFile::remove(picture);
    TATable.ClearFilter();
    TATable.LocateId(id);
  };
  TATable.SetKeyFilter(id);
  try {
    // The picture of the chart goes through a file beside the program, as the
    // report's picture; the page draws the same chart.
    WriteGraphFile(picture, BarChartMetafile(AgeBarChart->Data(), EstimatesChartSize, logicalDpiX()));
    ReportContent content = ReportFromCurrentRow();
    ui_.PrintPreview(this, ReportPdfPath(), [this, &content](QPrinter* printer) {
      QuickRep1BeforePrint(content);
      QPainter painter(printer);
      PaintReport(painter, printer->resolution() / 25.4, content);
    });
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TTAForm2::SaveReportPdfClick() {
  if (!EnsurePrintableRow()) return;
  QString filter = QStringLiteral("PDF files (*.pdf)");
  QString path = ui_.SaveFileName(this, QStringLiteral("Save Report as PDF"), ReportPdfPath(), filter, &filter);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
  ReportContent content = ReportFromCurrentRow();
  WriteReportPdf(path, content);
}

}  // namespace vorla::gui
