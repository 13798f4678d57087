// vorla-cli report: the one-page report of stored cases as PDF files, and
// their bar charts as pictures, painted as the window paints them.
#include <QDir>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

#include "app/cli/CaseChoice.h"
#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/DatabaseChoice.h"
#include "app/cli/PaintingApplication.h"
#include "app/cli/ParameterFileCheck.h"
#include "app/common/ProgramDirectory.h"
#include "paint/CaseFiles.h"
#include "paint/CaseReport.h"
#include "params/MortalityModelFile.h"
#include "params/ParallelWork.h"
#include "store/CaseHistory.h"
#include "store/CaseTable.h"
#include "store/PendingFile.h"

namespace vorla::cli {

const char* const ReportHelp =
    "Usage: vorla-cli report [--dir DIR] (--id N | --name NAME | --all) --out FOLDER\n"
    "                        [--chart wmf|bmp|png|svg] [--level 90|95|99] [--jobs N]\n"
    "                        [--analyst NAME]\n"
    "\n"
    "Writes the one-page report of stored cases as PDF files (US Letter), the\n"
    "page the window's \"Print Report\" shows, from the results stored in each\n"
    "case's row: run 'vorla-cli analyze' first.\n"
    "\n"
    "  --dir DIR      the folder holding TAData.db (default: the folder of the program)\n"
    "  --id N         the case with this SKELETON_ID\n"
    "  --name NAME    the case whose SKELETON_NAME is exactly NAME\n"
    "  --all          every case, in key order\n"
    "  --out FOLDER   where the files are written (made when missing)\n"
    "  --chart F      also write each case's bar chart as a picture: wmf (enhanced\n"
    "                 metafile, as the window's \"Save Graph\"), bmp, png or svg\n"
    "  --level L      for cases whose results were stored before the level was\n"
    "                 recorded: the level they were analysed at (90, 95 or 99);\n"
    "                 without it their limits read \"level not recorded\"\n"
    "  --jobs N       how many files are written at once (default: the number of\n"
    "                 cores); the files are the same for any N\n"
    "  --analyst NAME who the pages name as their analyst (default: the name of\n"
    "                 the window's Edit > Preferences, else the login's full name);\n"
    "                 the history names the same\n"
    "\n"
    "Every page names the parameter set in use (its file, first line and\n"
    "SHA-256) and refuses results that another set computed.\n"
    "A file is named after the case number, with every character other than\n"
    "letters, digits, '-', '_' and '.' replaced by '_'; a case without a number,\n"
    "or one whose name is already taken, has its SKELETON_ID added.\n"
    "Existing files of the same names are replaced.\n"
    "Exit codes: 0 all written, 2 usage error, 3 a case had no stored results,\n"
    "or a file could not be written.\n";

namespace {

struct ReportOptions {
  std::string dir;
  CaseChoice cases;
  std::filesystem::path out;
  std::optional<gui::ChartFormat> chart;
  int level = 0;  // for results without a recorded level; 0: not recorded
  int jobs = 1;
  std::optional<std::string> analyst;
};

ReportOptions ReadOptions(const CommandLine& a) {
  a.NoWords();
  ReportOptions o;
  o.dir = a.Value("--dir").value_or("");
  o.cases = ReadCaseChoice(a);
  const auto out = a.Value("--out");
  if (!out || out->empty()) throw UsageError("name the folder of the reports with --out");
  o.out = *out;
  if (const auto chart = a.Value("--chart")) {
    o.chart = gui::ChartFormatNamed(*chart);
    if (!o.chart) throw UsageError("--chart is wmf, bmp, png or svg");
  }
  o.level = a.Value("--level") ? a.Level() : 0;
  o.jobs = a.Jobs();
  o.analyst = a.Value("--analyst");
  return o;
}

// One case's files: the content is read from the table in key order, the
// files are painted and written on any thread.
struct CaseFiles {
  std::int32_t id = 0;
  std::string name;
  std::filesystem::path stem;
  std::optional<gui::ReportContent> content;
  std::string error;
};

void WriteCase(CaseFiles& c, const ReportOptions& o) {
  if (!c.content) return;
  try {
    gui::WriteReportFiles(*c.content, o.chart, c.stem);
  } catch (const std::exception& e) {
    c.error = e.what();
  }
}

class Report final : public Command {
 public:
  Report()
      : Command("report", ReportHelp,
                {{"--dir", "--id", "--name", "--out", "--chart", "--level", "--jobs", "--analyst"}, {"--all"}},
                Work::Long) {}

 private:
  void Read(const CommandLine& line) override { options_ = ReadOptions(line); }
  int Execute() override;
  std::string Stopped(const calib::Interrupted& stop) const override {
    return stop.what() + (" after " + std::to_string(written_)) + " report(s).\n";
  }

  ReportOptions options_;
  std::size_t written_ = 0;
};

int Report::Execute() {
  const ReportOptions& o = options_;
  std::ostream& out = Out();
  std::ostream& err = Err();
  const std::string dir = WorkingDirectory(o.dir, Argv0());
  if (!std::filesystem::is_directory(dir)) {
    err << "The folder " << dir << " does not exist.\n";
    return 3;
  }
  if (!HasCaseTable(dir)) {
    err << "The folder " << dir << " holds no case table TAData.db.\n";
    return 3;
  }
  std::error_code made;
  std::filesystem::create_directories(o.out, made);
  if (!std::filesystem::is_directory(o.out)) {
    err << "The folder " << o.out.string() << " cannot be made" << (made ? ": " + made.message() : std::string())
        << ".\n";
    return 3;
  }
  const auto application = PaintingApplication(Argv0());
  // A run that was killed may have left its temporary files behind.
  if (const std::size_t stale = RemoveStaleTemporaryFiles(o.out))
    err << "Removed " << stale << " temporary file(s) that a stopped earlier run left in " << o.out.string() << ".\n";

  ProgressLine& progress = Progress();
  std::size_t& written = written_;
  std::size_t failed = 0;
  CaseTable table;
  try {
    const auto checked = DeclareTraitsOfFolder(dir, err);
    const ParameterIdentity* set = checked ? &checked->identity : nullptr;
    if (checked) NoteDemonstrationSet(*checked, err);
    const QString analyst = QString::fromStdString(o.analyst ? *o.analyst : DefaultCaseWriter().analyst).trimmed();
    // The page gives the parameters of a mortality model of the folder's own.
    OwnMortalityModels ownModels;
    try {
      ownModels = ReadMortalityModels((std::filesystem::path(dir) / MortalityModelFileName).string());
    } catch (const std::exception& e) {
      err << "The pages name the folder's own mortality models without their parameters: " << e.what() << "\n";
    }
    table.Open(CaseTableLocation(dir));
    const std::vector<std::int32_t> ids = SelectRows(table, o.cases);
    // The report reads the rows; the corrections the results table makes in
    // a row are not kept.
    table.BeginTransaction();
    std::set<std::string> taken;
    // The contents are read ahead on this thread while the files of the
    // ones before are painted and written on all of them.
    std::vector<CaseFiles> cases(o.jobs > 1 ? 8 * static_cast<std::size_t>(o.jobs) : 1);
    const auto caseOf = [&cases](std::size_t i) -> CaseFiles& { return cases[i % cases.size()]; };
    const auto read = [&](std::size_t i) {
      CaseFiles& c = caseOf(i);
      c = CaseFiles{};
      c.id = ids[i];
      table.LocateId(c.id);
      c.name = table.FieldIsNull("SKELETON_NAME") ? std::string() : table.FieldAsText("SKELETON_NAME");
      c.stem = o.out / gui::ReportFileStem(c.name, c.id, taken);
      try {
        c.content = gui::StoredCaseReport(table, o.level, set, analyst, &ownModels);
      } catch (const std::exception& e) {
        c.error = e.what();
      }
    };
    const auto tell = [&](std::size_t i) {
      const CaseFiles& c = caseOf(i);
      if (c.error.empty()) {
        ++written;
      } else {
        progress.Clear();
        err << "Case " << c.id << " \"" << c.name << "\": " << c.error << "\n";
        ++failed;
      }
      calib::Advance(&progress.Hooks(), "writing reports", i + 1, ids.size());
    };
    calib::Advance(&progress.Hooks(), "writing reports", 0, ids.size());
    OrderedPipeline(
        ids.size(), o.jobs, cases.size(), read, [&](std::size_t i) { WriteCase(caseOf(i), o); }, tell);
    calib::Advance(&progress.Hooks(), "writing reports", ids.size(), ids.size());
    table.Rollback();
  } catch (...) {
    progress.Clear();
    if (table.IsOpen() && table.InTransaction()) table.Rollback();
    throw;
  }
  progress.Clear();
  out << written << " report(s) written to "
      << QDir::toNativeSeparators(QString::fromStdString(o.out.string())).toStdString();
  if (failed > 0) out << "; " << failed << " not written";
  out << "\n";
  return failed == 0 ? 0 : 3;
}

}  // namespace

int ReportCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Report().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
