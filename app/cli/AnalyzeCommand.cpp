#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>

#include "app/cli/CaseChoice.h"
#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/DatabaseChoice.h"
#include "app/cli/OutputSpool.h"
#include "app/cli/ParameterFileCheck.h"
#include "app/cli/ResultReport.h"
#include "app/common/ProgramDirectory.h"
#include "params/CaseRun.h"
#include "params/ParallelWork.h"
#include "store/CaseTable.h"
#include "store/PendingFile.h"

namespace vorla::cli {

const char* const AnalyzeHelp =
    "Usage: vorla-cli analyze [--dir DIR] (--id N | --name NAME | --all)\n"
    "                         [--level 90|95|99] [--no-cranial] [--no-pubic] [--no-auricular]\n"
    "                         [--format text|csv|json] [--jobs N] [--curves FILE.csv]\n"
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
    "  --jobs N         how many cases are analysed at once (default: the number of\n"
    "                   cores); the results and the output are the same for any N\n"
    "  --curves FILE    also write every analysed case's likelihood profiles as CSV,\n"
    "                   one line per case, complex and grid age (15 to 110 by 0.25):\n"
    "                   SKELETON_ID, COMPLEX (the complex's name, or ALL for the\n"
    "                   combined likelihood), AGE, LIKELIHOOD and CORRECTED (the\n"
    "                   combined likelihood weighted by the mortality prior; empty\n"
    "                   for a single complex). Written once the results are stored.\n"
    "\n"
    "Parameters.dat is read and checked whole before the first case; a file that\n"
    "cannot be used is refused with its line, and no case is analysed.\n"
    "For each case: the ancestry, sex and mortality model must be chosen; score\n"
    "pairs are put in order; a complex without any score is left out. TATree.txt\n"
    "receives the trace of the last case analysed. The results are reported once\n"
    "they are stored.\n"
    "Exit codes: 0 all analysed, 1 parameter file of the wrong version, 2 usage\n"
    "error, 3 a case was refused, had nothing to analyse or failed, or the\n"
    "parameter file, the folder or the case table could not be used, or\n"
    "TATree.txt could not be written.\n";

namespace {

struct AnalyzeOptions {
  std::string dir;
  CaseChoice cases;
  int level = 95;
  ComplexSelection selection;
  ReportFormat format = ReportFormat::Text;
  int jobs = 1;
  std::string curves;  // the file of the likelihood profiles; none when empty
};

AnalyzeOptions ReadOptions(const CommandLine& a) {
  a.NoWords();
  AnalyzeOptions o;
  o.dir = a.Value("--dir").value_or("");
  o.cases = ReadCaseChoice(a);
  o.level = a.Level();
  o.jobs = a.Jobs();
  o.selection.UseCranialData = !a.Has("--no-cranial");
  o.selection.UsePubicData = !a.Has("--no-pubic");
  o.selection.UseAuricularData = !a.Has("--no-auricular");
  static const ReportFormat formats[] = {ReportFormat::Text, ReportFormat::Csv, ReportFormat::Json};
  o.format = formats[a.Choice("--format", {"text", "csv", "json"}, 0, "--format is text, csv or json")];
  if (const auto curves = a.Value("--curves")) {
    if (curves->empty()) throw UsageError("--curves needs a file name");
    o.curves = *curves;
  }
  return o;
}

// A file of the case folder that the profiles must not replace.
std::optional<std::string> FolderFileNamed(const std::string& path, const std::string& dir) {
  for (const char* name : {"Parameters.dat", "TAData.db", "TATree.txt", "Mortality.txt"}) {
    std::error_code ignored;
    if (std::filesystem::equivalent(path, dir + name, ignored)) return std::string(name);
  }
  return std::nullopt;
}

std::string Number(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

const char* const CurvesHeader = "SKELETON_ID,COMPLEX,AGE,LIKELIHOOD,CORRECTED\n";

// The profiles of one analysed case, long form: each complex as the run
// analysed it, then the combined likelihood with its corrected values.
std::string CurveRows(std::int32_t id, const TTransisionsAnalyseDataSet& analysed) {
  std::string rows;
  const std::string key = std::to_string(id) + ",";
  const auto add = [&](const std::string& complex, const AgeProfile& values, const AgeProfile* corrected) {
    for (int i = 0; i < AgeGridSize; ++i) {
      rows += key + complex + "," + Number(GridAge(i)) + "," + Number(values[static_cast<std::size_t>(i)].Lik) + ",";
      if (corrected) rows += Number((*corrected)[static_cast<std::size_t>(i)].Lik);
      rows += "\n";
    }
  };
  for (const TraitComplex* c = analysed.Complexes.get(); c; c = c->Next.get())
    add(CsvCell(c->Complexname), c->Profile, nullptr);
  add("ALL", analysed.Likelihood, &analysed.HazardLikelihood);
  return rows;
}

// One case of the batch: the case read from its row, analysed on any
// thread, and what the run made of it.
struct CaseSlot {
  std::int32_t id = 0;
  std::optional<CaseRecord> record;
  std::optional<CaseResults> results;
  RowOutcome outcome = RowOutcome::Analysed;
  bool failed = false;
  std::string message;
  bool traceable = false;  // the run had a case to trace
  std::string curves;      // its profiles, when they are asked for
};

// The analysed case is released on the thread that built it (the settings
// do not keep it); freeing it on another one makes the threads' allocators
// fight and costs a third of the time.
void AnalyzeSlot(CaseSlot& slot, const RunSettings& settings) {
  try {
    const RowResult r = AnalyzeRecord(*slot.record, settings, slot.results);
    slot.outcome = r.outcome;
    slot.message = r.message;
    slot.traceable = slot.results && slot.results->analysed;
    if (slot.results && slot.results->analysedCase) {
      slot.curves = CurveRows(slot.id, *slot.results->analysedCase);
      FreeAnalysisTree(slot.results->analysedCase);
    }
  } catch (const std::exception& e) {
    slot.failed = true;
    slot.message = e.what();
  }
}

const char* OutcomeName(const CaseSlot& slot) {
  static const char* const outcomes[] = {"analysed", "nodata", "refused"};
  return slot.failed ? "failed" : outcomes[static_cast<int>(slot.outcome)];
}

// How many cases may be copied out of the table and not yet written back:
// enough to keep every job busy, few enough that the analysed cases waiting
// for the trace stay small.
std::size_t WindowSize(int jobs) {
  return static_cast<std::size_t>(std::min(16 * jobs, 64));
}

class Analyze final : public Command {
 public:
  Analyze()
      : Command("analyze", AnalyzeHelp,
                {{"--dir", "--id", "--name", "--level", "--format", "--jobs", "--curves"},
                 {"--all", "--no-cranial", "--no-pubic", "--no-auricular"}}) {}

 private:
  void Read(const CommandLine& line) override { options_ = ReadOptions(line); }
  int Execute() override;

  AnalyzeOptions options_;
};

int Analyze::Execute() {
  const AnalyzeOptions& o = options_;
  std::ostream& out = Out();
  std::ostream& err = Err();
  const std::string dir = WorkingDirectory(o.dir, Argv0());
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
  FailureNote = "No case was analysed.\n";
  settings.parameters = Parameters(settings.parameterFile);
  // The folder's own mortality models, read once like the set.
  settings.ownModels = ModelsOfRun(settings);
  FailureNote.clear();
  NoteDemonstrationSet(*settings.parameters, err);
  settings.layout = LayoutOfRun(settings);
  if (!o.curves.empty())
    if (const auto own = FolderFileNamed(o.curves, dir)) {
      err << "--curves names the folder's " << *own << "; no case was analysed.\n";
      return 2;
    }
  // The workers keep each analysed case just long enough to copy out its profiles.
  RunSettings workerSettings = settings;
  workerSettings.keepCase = !o.curves.empty();

  CaseTable table;
  bool allAnalysed = true;
  bool batchBegun = false;
  // The trace is written once, at the end, for the last case analysed before
  // the run ended, whether it ended well or not: its row is analysed once
  // more, here, which gives the very same case.
  std::optional<CaseRecord> lastTraceable;
  std::string traceFailure;
  const auto writeTrace = [&] {
    if (!lastTraceable) return;
    RunSettings traced = settings;
    traced.keepCase = true;
    traced.onTraceFailed = [&traceFailure](const std::string& message) { traceFailure = message; };
    try {
      std::optional<CaseResults> results;
      AnalyzeRecord(*lastTraceable, traced, results);
      if (results && results->analysedCase) {
        WriteTrace(results->analysedCase.get(), traced);
        FreeAnalysisTree(results->analysedCase);
      }
    } catch (const std::exception&) {
      // the trace is no part of the results
    }
  };
  try {
    OutputSpool output, messages;
    // Made before any case is stored, so a file that cannot be written stores nothing.
    std::optional<PendingFile> curves;
    if (!o.curves.empty()) {
      curves.emplace(o.curves);
      curves->Stream() << CurvesHeader;
    }
    table.Open(CaseTableLocation(dir));
    const std::vector<std::int32_t> ids = SelectRows(table, o.cases);
    table.BeginTransaction();
    batchBegun = true;
    std::ostringstream text;
    ReportPrinter printer(o.format, o.level, text, &settings.parameters->identity);
    // Copies of the rows are analysed by the workers while this thread
    // copies out the rows ahead of them and stores the ones behind them.
    std::vector<CaseSlot> slots(WindowSize(o.jobs));
    const auto slotOf = [&slots](std::size_t i) -> CaseSlot& { return slots[i % slots.size()]; };
    const auto load = [&](std::size_t i) {
      CaseSlot& slot = slotOf(i);
      slot = CaseSlot{};
      slot.id = ids[i];
      table.LocateId(slot.id);
      slot.record = ReadCaseRecord(table, settings.layout, o.selection);
    };
    // Stored and reported in key order, as if analysed one after the other.
    const auto store = [&](std::size_t i) {
      CaseSlot& slot = slotOf(i);
      table.LocateId(slot.id);
      // A row that cannot be stored ends the batch: nothing of it is kept,
      // and no case is reported as analysed that was not stored.
      if (slot.results || slot.record->AnyTidied()) {
        try {
          StoreCase(table, *slot.record, slot.results);
        } catch (const std::exception& e) {
          throw StoreError("Case " + std::to_string(slot.id) + ": its row could not be saved: " + e.what());
        }
      }
      // The trace is of the last case whose results were stored.
      if (slot.traceable) lastTraceable = std::move(slot.record);
      if (curves) curves->Stream() << slot.curves;
      const RowReport report = ReportOfRow(table, OutcomeName(slot), slot.message);
      printer.Add(report);
      if (report.outcome != "analysed") {
        allAnalysed = false;
        messages.Append("Case " + std::to_string(report.id) + " \"" + report.name + "\": " + report.message + "\n");
      }
      // A failure the database answered by ending the batch (a full disk)
      // leaves nothing to go on with: later rows would be stored one by one.
      if (!table.InTransaction())
        throw StoreError("Case " + std::to_string(slot.id) + ": " +
                         (slot.failed ? slot.message + "\nThe database ended the batch at this case"
                                      : std::string("its row could not be saved; the database ended the batch")));
      if (text.tellp() > 1 << 16) {
        output.Append(text.str());
        text.str({});
      }
    };
    OrderedPipeline(
        ids.size(), o.jobs, slots.size(), load, [&](std::size_t i) { AnalyzeSlot(slotOf(i), workerSettings); }, store);
    printer.Finish();
    output.Append(text.str());
    table.Commit();
    writeTrace();
    // The results are stored; a profile file that cannot be finished is
    // still a failure of the run.
    if (curves) {
      try {
        curves->Commit();
      } catch (const std::exception& e) {
        output.CopyTo(out);
        messages.CopyTo(err);
        if (!traceFailure.empty()) err << traceFailure << "\n";
        err << e.what() << "\nThe results are stored; the curves were not written.\n";
        return 3;
      }
    }
    // The results are committed: only now are they reported as analysed.
    output.CopyTo(out);
    messages.CopyTo(err);
  } catch (const std::exception& e) {
    writeTrace();
    if (!traceFailure.empty()) err << traceFailure << "\n";
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
  // The results are stored, but the only record of the computation is not.
  if (!traceFailure.empty()) {
    err << traceFailure << "\n";
    return 3;
  }
  return allAnalysed ? 0 : 3;
}

}  // namespace

int AnalyzeCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Analyze().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
