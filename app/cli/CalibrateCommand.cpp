#include <ctime>
#include <filesystem>
#include <optional>

#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/PoolOption.h"
#include "app/cli/ReferenceSource.h"
#include "app/common/ProgramDirectory.h"
#include "calib/Calibration.h"
#include "calib/CalibrationReport.h"
#include "calib/ParameterWriter.h"
#include "calib/Validation.h"
#include "calib/VarianceFit.h"
#include "params/MortalityModelFile.h"
#include "store/PendingFile.h"

namespace vorla::cli {

const char* const CalibrateHelp =
    "Usage: vorla-cli calibrate (REFERENCE.csv | --dir DIR) --out FILE [--template FILE]\n"
    "                           [--min-per-transition N] [--pool sex|ancestry|all]\n"
    "                           [--max-age-se YEARS] [--fit-variance] [--report FILE]\n"
    "                           [--save-mortality NAME]\n"
    "\n"
    "Fits a parameter set to a reference sample of skeletons of documented age.\n"
    "REFERENCE.csv has the columns of the case table (the score fields, SEX, RACE,\n"
    "SKELETON_NAME, ...) and AGE, the documented age at death in years (15 to 110).\n"
    "With --dir DIR the sample is the cases of the case table in DIR that have an\n"
    "AGE (import it with vorla-cli import, or type it as \"Documented age\").\n"
    "For every trait and every sex and ancestry group, the a and b of all stage\n"
    "transitions are fitted by maximum likelihood at the documented ages; c, d and e\n"
    "become 0. Complexes, traits, stages, recoding tables and variance factors are\n"
    "those of the template; the template also says which score columns the\n"
    "sample must have.\n"
    "\n"
    "  --out FILE                the parameter file to write\n"
    "  --template FILE           the parameter file whose structure is used\n"
    "                            (default: Parameters.dat beside the program)\n"
    "  --min-per-transition N    individuals needed on each side of every transition\n"
    "                            (default 20)\n"
    "  --pool P                  fit a trait that a group cannot determine on groups\n"
    "                            together, and say so in the report: sex (both sexes\n"
    "                            of an ancestry), ancestry (both ancestries of a sex,\n"
    "                            for a collection of one ancestry) or all\n"
    "  --pool-groups             the same as --pool all\n"
    "  --max-age-se YEARS        a transition whose age has a larger standard error\n"
    "                            is noted as not determined by the sample (default 20)\n"
    "  --fit-variance            estimate each complex's variance factor from the\n"
    "                            sample instead of keeping the template's: the\n"
    "                            smallest factor at which 5-fold cross-validated 95 %\n"
    "                            intervals of the complex hold 95 % of the documented\n"
    "                            ages; then the case's factor alike, for the interval\n"
    "                            of all complexes together; the report gives the\n"
    "                            coverage before and after\n"
    "  --report FILE             write the report there (CSV when FILE ends in .csv;\n"
    "                            with --fit-variance the table of the factors follows\n"
    "                            after an empty line) instead of printing it\n"
    "  --save-mortality NAME     also keep the sample's own mortality, a Makeham\n"
    "                            model fitted to its documented ages, under NAME in\n"
    "                            Mortality.txt beside FILE: a case whose HAZARDFUNC\n"
    "                            is NAME then takes it as its prior\n"
    "\n"
    "Nothing is written unless the whole calibration succeeds; Ctrl-C stops it and\n"
    "leaves no file behind.\n"
    "Exit codes: 0 written, 1 template of the wrong version, 2 usage error, 3 the\n"
    "sample or the template cannot be used, 130 stopped.\n";

namespace {

struct CalibrateOptions {
  ReferenceSource source;
  std::string sample;
  std::string out;
  std::string templateFile;
  bool templateGiven = false;
  std::string report;
  calib::CalibrationOptions fit;
  bool fitVariance = false;
  std::string saveMortality;  // the name to keep the sample's mortality under; empty: not kept
};

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) ||
         std::filesystem::weakly_canonical(a, error) == std::filesystem::weakly_canonical(b, error);
}

CalibrateOptions ReadOptions(const CommandLine& a, const char* argv0) {
  CalibrateOptions o;
  o.source = ReferenceSourceOption(a);
  o.sample = o.source.csv.empty() ? o.source.dir + "TAData.db" : o.source.csv;
  if (!a.Value("--out") || a.Value("--out")->empty()) throw UsageError("--out FILE is needed");
  o.out = *a.Value("--out");
  o.templateFile = a.Value("--template").value_or(ExecutableDirectory(argv0) + "Parameters.dat");
  o.templateGiven = a.Has("--template");
  o.report = a.Value("--report").value_or("");
  o.fit.minPerTransition = static_cast<int>(a.Whole("--min-per-transition", 1, 1000000, 20));
  o.fit.pooling = PoolingOption(a);
  o.fit.mostAgeSE = a.Years("--max-age-se", calib::DefaultMostAgeSE);
  o.fitVariance = a.Has("--fit-variance");
  if (const auto name = a.Value("--save-mortality")) {
    if (const std::string problem = ModelNameProblem(*name); !problem.empty())
      throw UsageError("--save-mortality: " + problem);
    o.saveMortality = *name;
  }
  if (SameFile(o.out, o.sample)) throw UsageError("--out names the reference sample itself");
  if (!o.report.empty() &&
      (SameFile(o.report, o.out) || SameFile(o.report, o.sample) || SameFile(o.report, o.templateFile)))
    throw UsageError("--report names a file that the calibration reads or writes");
  return o;
}

std::string Individuals(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " individual" : " individuals");
}

// The sample, read against the template's fields; when columns are missing
// the message says that the template sets them.
calib::ReferenceSample ReadSample(const CalibrateOptions& o, const calib::ParameterStructure& structure) {
  try {
    return ReadReference(o.source, structure, {});
  } catch (const calib::ReferenceSampleError& e) {
    const std::string message = e.what();
    if (message.find("lacks the column") == std::string::npos) throw;
    throw calib::ReferenceSampleError(
        message + "\nThe score columns expected are those of the traits of the template, " + o.templateFile +
        (o.templateGiven ? "" : " (no --template was given, so the program's own parameter set is used)") +
        "; give --template FILE for a parameter set of traits of your own.");
  }
}

bool EndsWithCsv(const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  return extension == ".csv" || extension == ".CSV";
}

// The options that shaped the fit, for the first line of the written file.
std::string OptionsUsed(const CalibrateOptions& o) {
  std::string text = "--min-per-transition " + std::to_string(o.fit.minPerTransition);
  if (o.fit.pooling != calib::Pooling::None) text += " --pool " + calib::PoolingName(o.fit.pooling);
  text += " --max-age-se " + calib::ExactReal(o.fit.mostAgeSE);
  if (o.fitVariance) text += " --fit-variance";
  return text + " --template " + std::filesystem::path(o.templateFile).filename().string();
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* utc = std::gmtime(&now)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", utc);
  return text;
}

// The written text must read back to the numbers that were fitted.
void CheckReadsBack(const std::string& text, const calib::ParameterStructure& fitted, const std::string& out) {
  const calib::ParameterStructure back = calib::ParameterStructureFromText(text, out);
  bool same = back.complexes.size() == fitted.complexes.size();
  for (std::size_t c = 0; same && c < back.complexes.size(); ++c) {
    const auto& kb = back.complexes[c].components;
    const auto& kf = fitted.complexes[c].components;
    same = kb.size() == kf.size();
    for (std::size_t k = 0; same && k < kb.size(); ++k)
      for (std::size_t r = 0; same && r < kb[k].rows.size(); ++r)
        same = kb[k].rows[r].a == kf[k].rows[r].a && kb[k].rows[r].b == kf[k].rows[r].b;
  }
  if (!same)
    throw std::runtime_error("The parameter file would not read back to the fitted numbers; nothing was written.");
}

class Calibrate final : public Command {
 public:
  Calibrate()
      : Command("calibrate", CalibrateHelp,
                {{"--out", "--template", "--min-per-transition", "--report", "--pool", "--max-age-se", "--dir",
                  "--save-mortality"},
                 {"--pool-groups", "--fit-variance"}},
                Work::Long) {}

 private:
  void Read(const CommandLine& line) override { options_ = ReadOptions(line, Argv0()); }
  int Execute() override;
  void Explain(const std::exception& failure) override {
    Err() << failure.what() << "\n";
    if (const auto* thin = dynamic_cast<const calib::CalibrationError*>(&failure))
      Err() << calib::ThinDataAdvice(thin->poolingMayHelp);
    Err() << FailureNote;
  }
  std::string Stopped(const calib::Interrupted&) const override { return "Stopped; nothing was written.\n"; }

  CalibrateOptions options_;
};

int Calibrate::Execute() {
  CalibrateOptions& o = options_;
  std::ostream& out = Out();
  std::ostream& err = Err();
  FailureNote = "Nothing was written.\n";
  o.fit.progress = Hooks();
  // Checked whole before anything is drawn, fitted or allocated for it.
  const auto checked = Parameters(o.templateFile);
  const calib::ParameterStructure& structure = checked->structure;
  const calib::ReferenceSample sample = ReadSample(o, structure);
  calib::CalibrationResult result = calib::Calibrate(structure, sample, o.fit);
  std::optional<calib::VarianceFitResult> variance;
  if (o.fitVariance) {
    variance = calib::FitVarianceFactors(structure, sample, o.fit);
    calib::ApplyVarianceFactors(*variance, result.parameters);
  }

  // A case table is named by its folder too: every one is called TAData.db.
  const std::string sampleName = o.source.csv.empty() ? o.sample : std::filesystem::path(o.sample).filename().string();
  const std::string text = calib::ParameterFileText(result.parameters, "calibrated on " + sampleName + " (" +
                                                                           Individuals(result.individuals) + ") on " +
                                                                           UtcNow() + " with " + OptionsUsed(o));
  CheckReadsBack(text, result.parameters, o.out);
  const bool csv = !o.report.empty() && EndsWithCsv(o.report);
  std::string report =
      csv ? calib::CalibrationReportCsv(result) : calib::CalibrationReportText(result, o.sample, o.templateFile);
  if (variance) {
    // In CSV the table of the factors follows the transitions' after an empty line.
    if (csv) report += '\n';
    report += csv ? calib::VarianceFitCsv(*variance) : calib::VarianceFitText(*variance);
  }

  // The sample's own mortality is fitted before anything is written.
  std::optional<calib::MortalityModel> mortality;
  if (!o.saveMortality.empty()) {
    std::vector<double> ages;
    for (const calib::ReferenceIndividual& individual : sample.individuals) ages.push_back(individual.age);
    try {
      mortality = calib::FitMortalityToAges(ages);
    } catch (const std::exception& e) {
      throw std::runtime_error("The sample's mortality could not be fitted: " + std::string(e.what()));
    }
  }

  PendingFile parameterFile(o.out);
  parameterFile.Stream() << text;
  std::optional<PendingFile> reportFile;
  if (!o.report.empty()) {
    reportFile.emplace(o.report);
    reportFile->Stream() << report;
  }
  if (InterruptRequested()) throw calib::Interrupted();
  parameterFile.Commit();
  if (reportFile) reportFile->Commit();
  Progress().Clear();
  if (mortality) {
    FailureNote = "The parameter file was written; the sample's mortality was not kept.\n";
    const std::string models = (std::filesystem::path(o.out).parent_path() / MortalityModelFileName).string();
    SaveMortalityModel(models, {o.saveMortality, mortality->A, mortality->B, mortality->C},
                       "documented ages of " + Individuals(sample.individuals.size()) + " of " + sampleName + "; " +
                           UtcNow() + "; calibrate, Makeham by maximum likelihood");
    err << "The sample's mortality is kept as " << o.saveMortality << " in " << models << ".\n";
  }
  if (o.report.empty()) out << report;
  err << "Wrote " << o.out << ": " << structure.ComponentCount()
      << (structure.ComponentCount() == 1 ? " trait, " : " traits, ") << structure.groups << " groups, calibrated on "
      << Individuals(result.individuals) << ".\n";
  return 0;
}

}  // namespace

int CalibrateCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Calibrate().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
