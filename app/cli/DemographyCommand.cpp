// vorla-cli demography: the mortality of a set of stored cases, from their
// combined uncorrected likelihoods, as a Gompertz or Makeham model with its
// life table. Nothing is stored in the cases and no trace is written.
#include <ctime>
#include <filesystem>
#include <sstream>

#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/DatabaseChoice.h"
#include "app/cli/DemographyReport.h"
#include "app/cli/ParameterFileCheck.h"
#include "app/common/ProgramDirectory.h"
#include "calib/CaseProfileRun.h"
#include "engine/TextCase.h"
#include "params/CaseRun.h"
#include "params/MortalityModelFile.h"
#include "params/ParallelWork.h"
#include "store/CaseTable.h"

namespace vorla::cli {

const char* const DemographyHelp =
    "Usage: vorla-cli demography [--dir DIR] [--where FIELD=VALUE]... [--model gompertz|makeham]\n"
    "                            [--level 90|95|99] [--format text|csv|json] [--jobs N]\n"
    "                            [--save NAME]\n"
    "\n"
    "Estimates the mortality of a set of stored cases from their combined\n"
    "uncorrected likelihoods: the model of hazard h(x) = A + B e^(C x) for a\n"
    "person alive at 15, with deaths from 15 to 110, that makes the scores of\n"
    "all cases most probable. Nothing is stored and no trace is written.\n"
    "\n"
    "  --dir DIR          the folder holding Parameters.dat and TAData.db\n"
    "                     (default: the folder of the program)\n"
    "  --where F=V        only the cases whose field F (SEX, RACE, SKELETON_NAME or\n"
    "                     any other text field) is V, without regard to case; given\n"
    "                     more than once, a case must meet every one\n"
    "  --model M          makeham (default): A, B and C are fitted; gompertz: A is 0\n"
    "  --level L          level of the profile-likelihood intervals: 90, 95\n"
    "                     (default) or 99\n"
    "  --format F         text (default), csv or json\n"
    "  --jobs N           how many threads read and sum the cases (default: the\n"
    "                     number of cores); the result is the same for any N\n"
    "  --save NAME        keep the fitted model in the folder's Mortality.txt under\n"
    "                     NAME (letters, digits, _ and -), after a line naming the\n"
    "                     sample, the date and the options; a case whose\n"
    "                     HAZARDFUNC is NAME is then analysed with it as its prior.\n"
    "                     A model of that name is replaced, the others are kept\n"
    "\n"
    "Every case is read as the Analyze action reads it, under its sex and\n"
    "ancestry; its mortality model plays no part. A case the action would refuse\n"
    "is left out and named. The output gives A, B and C with standard errors from\n"
    "the observed information and profile-likelihood intervals, the\n"
    "log-likelihood and n, whether the fit converged, the mean and modal age at\n"
    "death, the life table in five-year classes, and the log-likelihood of each\n"
    "built-in model for comparison. A sample too small to determine C is said so.\n"
    "Exit codes: 0 estimated, 1 parameter file of the wrong version, 2 usage\n"
    "error, 3 no case to estimate from, a sample that does not determine the\n"
    "model, or the folder, the parameter file or the case table could not be used.\n";

namespace {

struct Condition {
  std::string field;
  std::string value;  // lower case, trimmed
};

struct DemographyOptions {
  std::string dir;
  std::vector<Condition> where;
  calib::MortalityForm form = calib::MortalityForm::Makeham;
  int level = 95;
  ReportFormat format = ReportFormat::Text;
  int jobs = 1;
  std::string save;  // the name to keep the model under; empty: not kept
};

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

DemographyOptions ReadOptions(const CommandLine& a) {
  a.NoWords();
  DemographyOptions o;
  o.dir = a.Value("--dir").value_or("");
  for (const std::string& text : a.Values("--where")) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || Trimmed(text.substr(0, equals)).empty())
      throw UsageError("--where takes FIELD=VALUE, not " + text);
    o.where.push_back({Trimmed(text.substr(0, equals)), LowerCase(Trimmed(text.substr(equals + 1)))});
  }
  o.form = a.Choice("--model", {"makeham", "gompertz"}, 0, "--model is gompertz or makeham") == 0
               ? calib::MortalityForm::Makeham
               : calib::MortalityForm::Gompertz;
  o.level = a.Level();
  o.jobs = a.Jobs();
  static const ReportFormat formats[] = {ReportFormat::Text, ReportFormat::Csv, ReportFormat::Json};
  o.format = formats[a.Choice("--format", {"text", "csv", "json"}, 0, "--format is text, csv or json")];
  if (const auto name = a.Value("--save")) {
    if (const std::string problem = ModelNameProblem(*name); !problem.empty()) throw UsageError("--save: " + problem);
    o.save = *name;
  }
  return o;
}

// What a saved model's note says of it: the sample, the date and the options.
std::string NoteOfModel(const DemographyOptions& o, const std::string& dir, std::size_t n) {
  std::string note = std::to_string(n) + " cases of " + dir;
  for (const Condition& c : o.where) note += " " + c.field + "=" + c.value;
  const std::time_t now = std::time(nullptr);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", std::localtime(&now));
  note += std::string("; ") + date + "; --model " + FormName(o.form) + " --level " + std::to_string(o.level);
  return note;
}

// A case of the set, and what reading its profile gave.
struct CaseEntry {
  CaseRecord record;
  GridValuesOfCase profile{};
  std::string refusal;  // empty: the profile was read
};

class Demography final : public Command {
 public:
  Demography()
      : Command("demography", DemographyHelp,
                {{"--dir", "--model", "--level", "--format", "--jobs", "--save"}, {}, {"--where"}}) {}

 private:
  void Read(const CommandLine& line) override { options_ = ReadOptions(line); }
  int Execute() override;

  DemographyOptions options_;
};

int Demography::Execute() {
  const DemographyOptions& o = options_;
  std::ostream& err = Err();
  const std::string dir = WorkingDirectory(o.dir, Argv0());
  if (!std::filesystem::is_directory(dir)) {
    err << "The folder " << dir << " does not exist.\n";
    return 3;
  }
  FailureNote = "Nothing was estimated.\n";
  const std::shared_ptr<const CheckedParameters> parameters = Parameters(dir + "Parameters.dat");
  NoteDemonstrationSet(*parameters, err);
  const auto layout = std::make_shared<const CaseLayout>(parameters.get());

  // The cases of the set, read from the table in key order.
  std::vector<CaseEntry> cases;
  {
    CaseTable table;
    table.Open(CaseTableLocation(dir));
    std::vector<FieldKey> fields;
    for (const Condition& c : o.where) fields.emplace_back(c.field);
    for (table.First(); !table.Eof(); table.Next()) {
      bool chosen = true;
      for (std::size_t i = 0; i < o.where.size() && chosen; ++i)
        chosen = LowerCase(Trimmed(table.FieldAsText(fields[i]))) == o.where[i].value;
      if (chosen) cases.push_back({ReadCaseRecord(table, layout), {}, {}});
    }
  }
  ForEachIndex(cases.size(), o.jobs, [&](std::size_t i) {
    try {
      cases[i].profile = calib::ProfileOfCase(cases[i].record, *parameters);
    } catch (const std::exception& e) {
      cases[i].refusal = e.what();
    }
  });

  calib::CaseProfiles profiles;
  std::ostringstream leftOut;
  std::size_t refused = 0;
  for (CaseEntry& c : cases) {
    if (c.refusal.empty()) {
      try {
        profiles.Add(c.profile);
        continue;
      } catch (const std::invalid_argument& e) {
        c.refusal = e.what();
      }
    }
    ++refused;
    leftOut << "Case " << c.record.id << " \"" << c.record.name << "\" is left out: " << c.refusal << "\n";
  }
  err << leftOut.str();
  if (refused > 0) err << refused << " of " << cases.size() << " cases were left out.\n";
  if (profiles.Count() == 0) {
    err << (cases.empty() ? "No stored case meets the conditions" : "No case could be read")
        << "; there is nothing to estimate the mortality from.\n";
    return 3;
  }

  DemographyReport report;
  report.estimate = calib::FitMortality(profiles, o.form, o.level, o.jobs);
  if (!report.estimate.determined) {
    err << "The sample of " << profiles.Count() << (profiles.Count() == 1 ? " case" : " cases")
        << " is too small to determine C: " << report.estimate.problem << ". Nothing was estimated.\n";
    return 3;
  }
  for (const char* name : {"archeological", "forensic"})
    report.builtIn.push_back({name, calib::MortalityLogLikelihood(profiles, *calib::BuiltInModel(name))});
  PrintDemography(report, o.format, Out());
  if (!o.save.empty()) {
    const calib::MortalityModel& m = report.estimate.model;
    SaveMortalityModel(dir + MortalityModelFileName, {o.save, m.A, m.B, m.C}, NoteOfModel(o, dir, profiles.Count()));
    Err() << "The model " << o.save << " is kept in " << dir << MortalityModelFileName << ".\n";
  }
  return 0;
}

}  // namespace

int DemographyCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Demography().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
