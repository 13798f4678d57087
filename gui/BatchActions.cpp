// Work on every case of the folder: Analyze All Cases and Save Reports of All
// Cases. Both go through a second connection to the case table, show their
// progress, and can be stopped; the window answers in between.
#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <set>

#include "gui/TAForm2.h"
#include "paint/CaseFiles.h"
#include "paint/CaseReport.h"
#include "params/CaseRun.h"
#include "params/ParameterErrors.h"
#include "params/TraceFile.h"
#include "store/PendingFile.h"

namespace vorla::gui {

namespace {

// At most this many refused cases are named in the closing message.
constexpr std::size_t MaxNamedCases = 15;

std::vector<std::int32_t> AllKeys(const CaseTable& table) {
  std::vector<std::int32_t> keys;
  table.ForEachListEntry(
      [&keys](const CaseTable::ListEntry& entry) { keys.push_back(static_cast<std::int32_t>(entry.key)); });
  return keys;
}

std::string CaseLine(const CaseTable& table, std::int32_t id, const std::string& why) {
  const std::string name = table.FieldIsNull("SKELETON_NAME") ? std::string() : table.FieldAsText("SKELETON_NAME");
  return "Case \"" + name + "\" (SKELETON_ID " + std::to_string(id) + "): " + why;
}

std::string ListOf(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size() && i < MaxNamedCases; ++i) text += "\n" + lines[i];
  if (lines.size() > MaxNamedCases) text += "\n... and " + std::to_string(lines.size() - MaxNamedCases) + " more.";
  return text;
}

}  // namespace

void TTAForm2::AnalyzeAllClick() {
  if (!TATable.IsOpen()) return;
  RunSettings settings;
  settings.level = CurrentLevel();
  settings.parameterFile = ParameterFilePath;
  // The trace is written once, at the end, of the last case analysed: each
  // case's trace would be a new file to write and rename in its place.
  AnalysisTreePtr last;
  settings.keepCase = true;
  std::string traceFailure;
  const auto writeTrace = [&] {
    try {
      WriteAnalysisTrace(last.get(), ProgramDirectory + "TATree.txt");
    } catch (const std::exception& e) {
      traceFailure = e.what();
    }
    FreeAnalysisTree(last);
  };
  settings.parameters = CheckedParameterSet();  // a set that cannot be used stops here, before any case
  settings.layout = LayoutOfRun(settings);
  ComplexSelection every;
  every.UseCranialData = every.UsePubicData = every.UseAuricularData = true;

  std::size_t total = 0;
  int analysed = 0;
  bool stopped = false;
  std::vector<std::string> refused;
  WithSecondConnection([&](CaseTable& table) {
    const std::vector<std::int32_t> ids = AllKeys(table);
    total = ids.size();
    if (ids.empty()) return;
    const auto progress = ui_.StartProgress(
        this, QStringLiteral("Analysing %1 case(s) at the %2 % level...").arg(ids.size()).arg(settings.level),
        static_cast<int>(ids.size()));
    // One transaction: stopped or failed, every row stays as it was.
    table.BeginTransaction();
    try {
      for (std::size_t i = 0; i < ids.size() && !stopped; ++i) {
        if (!progress->Advance(static_cast<int>(i))) {
          stopped = true;
          break;
        }
        table.LocateId(ids[i]);
        try {
          CaseRecord record = ReadCaseRecord(table, settings.layout, every);
          std::optional<CaseResults> results;
          const RowResult result = AnalyzeRecord(record, settings, results);
          StoreCase(table, record, results);
          if (results && results->analysedCase) {
            FreeAnalysisTree(last);
            last = std::move(results->analysedCase);
          }
          if (result.outcome == RowOutcome::Analysed)
            ++analysed;
          else
            refused.push_back(CaseLine(table, ids[i], result.message));
        } catch (const ParameterVersionError&) {
          throw;
        } catch (const std::exception& error) {
          // A failure the database ended the batch for leaves nothing to go on with.
          if (!table.InTransaction()) throw;
          refused.push_back(CaseLine(table, ids[i], error.what()));
        }
      }
      if (!stopped) stopped = !progress->Advance(static_cast<int>(ids.size()));
      if (stopped)
        table.Rollback();
      else
        table.Commit();
      writeTrace();
    } catch (...) {
      writeTrace();
      if (table.InTransaction()) table.Rollback();
      throw;
    }
  });
  if (total == 0) {
    ShowMessage(MessageKind::Information, "The case table holds no case to analyse.");
  } else if (stopped) {
    ShowMessage(MessageKind::Information, "Analyze All Cases was stopped: no case was changed.");
  } else {
    std::string text = "Analysed " + std::to_string(analysed) + " of " + std::to_string(total) + " case(s) at the " +
                       std::to_string(settings.level) + " % level.";
    if (!refused.empty()) text += "\nNot analysed, " + std::to_string(refused.size()) + ":" + ListOf(refused);
    if (!traceFailure.empty()) text += "\n" + traceFailure;
    // The work is done; what was left undone is a warning.
    ShowMessage(refused.empty() && traceFailure.empty() ? MessageKind::Information : MessageKind::Warning, text);
  }
}

void TTAForm2::SaveAllReportsClick() {
  if (!TATable.IsOpen()) return;
  const QString folder =
      ui_.FolderName(this, QStringLiteral("Save Reports of All Cases"), QString::fromStdString(ProgramDirectory));
  if (folder.isEmpty()) return;
  static const QStringList charts = {QStringLiteral("PNG picture"), QStringLiteral("SVG drawing"),
                                     QStringLiteral("Enhanced metafile (WMF)"), QStringLiteral("Bitmap (BMP)"),
                                     QStringLiteral("No chart")};
  const QString chart = ui_.ChooseItem(this, QStringLiteral("Save Reports of All Cases"),
                                       QStringLiteral("Beside each report, save its chart as:"), charts);
  if (chart.isEmpty()) return;
  static const std::optional<ChartFormat> formats[] = {ChartFormat::Png, ChartFormat::Svg, ChartFormat::Metafile,
                                                       ChartFormat::Bitmap, std::nullopt};
  const std::optional<ChartFormat> format = formats[charts.indexOf(chart)];
  const std::filesystem::path out = folder.toStdString();
  // A run that was stopped by force may have left its temporary files behind.
  RemoveStaleTemporaryFiles(out);

  // The pages name the set in use and refuse results of another.
  const std::shared_ptr<const ParameterIdentity> set = SetInUse();
  std::size_t written = 0;
  bool stopped = false;
  bool unanalysed = false;
  std::vector<std::string> failed;
  KeepPendingRow();
  CaseTable table;
  table.Open(ProgramDirectory);
  const std::vector<std::int32_t> ids = AllKeys(table);
  {
    // The progress closes as the work ends, before its result is said.
    const auto progress = ui_.StartProgress(this, QStringLiteral("Saving the reports of %1 case(s)...").arg(ids.size()),
                                            static_cast<int>(ids.size()));
    // The reports read the rows as they stood when the work began.
    table.BeginTransaction();
    std::set<std::string> taken;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (!progress->Advance(static_cast<int>(i))) {
        stopped = true;
        break;
      }
      table.LocateId(ids[i]);
      const std::string name = table.FieldIsNull("SKELETON_NAME") ? std::string() : table.FieldAsText("SKELETON_NAME");
      try {
        WriteCaseReportFiles(table, 0, format, out / ReportFileStem(name, ids[i], taken), set.get(), Analyst(),
                             &own_models_);
        ++written;
      } catch (const NoResultsToReport& missing) {
        unanalysed = true;
        failed.push_back(CaseLine(table, ids[i], missing.Reason()));
      } catch (const std::exception& error) {
        failed.push_back(CaseLine(table, ids[i], error.what()));
      }
    }
    if (!stopped) progress->Advance(static_cast<int>(ids.size()));
    table.Rollback();
    table.Close();
  }

  std::string text = std::to_string(written) + " report(s) written to " +
                     QDir::toNativeSeparators(folder).toStdString() + (stopped ? "; then the work was stopped." : ".");
  if (!failed.empty()) text += "\nNo report for " + std::to_string(failed.size()) + " case(s):" + ListOf(failed);
  if (unanalysed)
    text +=
        "\n\nA case has a report once it has results of this parameter set: analyze the cases (Analysis > "
        "Analyze All Cases, or Analyze on the case's page), then save the reports again.";
  ShowMessage(failed.empty() ? MessageKind::Information : MessageKind::Warning, text);
}

}  // namespace vorla::gui
