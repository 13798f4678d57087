#include <filesystem>

#include "app/cli/CaseChoice.h"
#include "app/cli/CliArguments.h"
#include "app/cli/Commands.h"
#include "app/cli/DatabaseChoice.h"
#include "app/cli/OptionNumbers.h"
#include "app/cli/ParameterFileCheck.h"
#include "app/cli/ResultReport.h"
#include "app/common/ProgramDirectory.h"
#include "params/CaseRun.h"
#include "params/ParameterErrors.h"
#include "store/CaseTable.h"

namespace vorla::cli {

const char* const AnalyzeHelp =
    "Usage: vorla-cli analyze [--dir DIR] (--id N | --name NAME | --all)\n"
    "                         [--level 90|95|99] [--no-cranial] [--no-pubic] [--no-auricular]\n"
    "                         [--format text|csv|json]\n"
    "\n"
    "Estimates the age at death of stored cases, exactly as the window's Analyze\n"
    "button does, and stores the results in each case's row.\n"
    "\n"
    "  --dir DIR        the folder holding Parameters.dat, TAData.db and TATree.txt\n"
    "                   (default: the folder of the program)\n"
    "  --id N           the case with this SKELETON_ID\n"
    "  --name NAME      the case whose SKELETON_NAME is exactly NAME\n"
    "  --all            every case, in key order, in one transaction\n"
    "  --level L        confidence level of the limits: 90, 95 (default) or 99\n"
    "  --no-cranial     leave the cranial sutures out\n"
    "  --no-pubic       leave the pubic symphysis out\n"
    "  --no-auricular   leave the auricular surface out\n"
    "  --format F       how the results are printed: text (default), csv or json\n"
    "\n"
    "Parameters.dat is read and checked whole before the first case; a file that\n"
    "cannot be used is refused with its line, and no case is analysed.\n"
    "For each case: the ancestry, sex and mortality model must be chosen; score\n"
    "pairs are put in order; a complex without any score is left out. TATree.txt\n"
    "receives the trace of the last case analysed. The results are reported once\n"
    "they are stored.\n"
    "Exit codes: 0 all analysed, 1 parameter file of the wrong version, 2 usage\n"
    "error, 3 a case was refused, had nothing to analyse or failed, or the\n"
    "parameter file, the folder or the case table could not be used.\n";

namespace {

struct AnalyzeOptions {
  std::string dir;
  CaseChoice cases;
  int level = 95;
  ComplexSelection selection;
  ReportFormat format = ReportFormat::Text;
};

AnalyzeOptions ParseOptions(const std::vector<std::string>& args) {
  const CliArguments a(args, {"--dir", "--id", "--name", "--level", "--format"},
                       {"--all", "--no-cranial", "--no-pubic", "--no-auricular"});
  if (!a.Words().empty()) throw UsageError("unexpected argument " + a.Words().front());
  AnalyzeOptions o;
  o.dir = a.Value("--dir").value_or("");
  o.cases = ReadCaseChoice(a);
  o.level = LevelOption(a);
  o.selection.UseCranialData = !a.Has("--no-cranial");
  o.selection.UsePubicData = !a.Has("--no-pubic");
  o.selection.UseAuricularData = !a.Has("--no-auricular");
  if (const auto format = a.Value("--format")) {
    if (*format == "text")
      o.format = ReportFormat::Text;
    else if (*format == "csv")
      o.format = ReportFormat::Csv;
    else if (*format == "json")
      o.format = ReportFormat::Json;
    else
      throw UsageError("--format is text, csv or json");
  }
  return o;
}

// What was written into the row is kept, as the window keeps it when the user
// moves on.
void KeepPendingEdits(CaseTable& table) {
  try {
    table.SavePendingRow();
  } catch (const std::exception&) {
  }
}

}  // namespace

int AnalyzeCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  AnalyzeOptions o;
  try {
    o = ParseOptions(args);
  } catch (const UsageError& e) {
    err << "vorla-cli analyze: " << e.what() << "\n\n" << AnalyzeHelp;
    return 2;
  }
  const std::string dir = WorkingDirectory(o.dir, argv0);
  if (!std::filesystem::is_directory(dir)) {
    err << "The folder " << dir << " does not exist.\n";
    return 3;
  }
  RunSettings settings;
  settings.level = o.level;
  settings.parameterFile = dir + "Parameters.dat";
  settings.tracePath = dir + "TATree.txt";
  {
    std::error_code ignored;
    if (!std::filesystem::exists(std::filesystem::symlink_status(settings.parameterFile, ignored)) &&
        !HasCaseTable(dir)) {
      err << "The folder " << dir << " holds neither Parameters.dat nor TAData.db; is it the case folder?\n";
      return 3;
    }
  }

  // The parameter file is read and checked whole once, before the first case.
  try {
    settings.parameters = CheckedParameterFile(settings.parameterFile, err);
  } catch (const ParameterVersionError& version) {
    err << VersionMismatchMessage(settings.parameterFile, version) << "\n";
    return 1;
  } catch (const std::exception& e) {
    err << e.what() << "\nNo case was analysed.\n";
    return 3;
  }

  CaseTable table;
  std::vector<RowReport> reports;
  bool allAnalysed = true;
  bool batchBegun = false;
  try {
    table.Open(CaseTableLocation(dir));
    const std::vector<std::int32_t> ids = SelectRows(table, o.cases);
    table.BeginTransaction();
    batchBegun = true;
    for (std::int32_t id : ids) {
      table.LocateId(id);
      try {
        const RowResult r = AnalyzeRow(table, o.selection, settings);
        static const char* const outcomes[] = {"analysed", "nodata", "refused"};
        reports.push_back(ReportOfRow(table, outcomes[static_cast<int>(r.outcome)], r.message));
        allAnalysed &= r.outcome == RowOutcome::Analysed;
      } catch (const std::exception& e) {
        reports.push_back(ReportOfRow(table, "failed", e.what()));
        allAnalysed = false;
        // A failure the database answered by ending the batch (a full disk)
        // leaves nothing to go on with: later rows would be stored one by one.
        if (!table.InTransaction())
          throw StoreError("Case " + std::to_string(id) + ": " + e.what() +
                           "\nThe database ended the batch at this case");
      }
      KeepPendingEdits(table);
      if (!table.InTransaction())
        throw StoreError("Case " + std::to_string(id) + ": its row could not be saved; the database ended the batch");
    }
    table.Commit();
  } catch (const std::exception& e) {
    if (table.IsOpen() && table.InTransaction()) {
      try {
        table.Rollback();
      } catch (const std::exception&) {
      }
    }
    err << e.what() << "\n";
    if (batchBegun) err << "Nothing was stored: the results of this run were rolled back.\n";
    return 3;
  }
  // The results are committed: only now are they reported as analysed.
  PrintReports(reports, o.format, o.level, out);
  for (const RowReport& r : reports)
    if (r.outcome != "analysed") err << "Case " << r.id << " \"" << r.name << "\": " << r.message << "\n";
  return allAnalysed ? 0 : 3;
}

}  // namespace vorla::cli
