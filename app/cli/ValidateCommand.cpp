#include <filesystem>

#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/PoolOption.h"
#include "app/cli/ReferenceSource.h"
#include "app/common/ProgramDirectory.h"
#include "calib/Validation.h"
#include "params/CaseRun.h"
#include "store/PendingFile.h"

namespace vorla::cli {

const char* const ValidateHelp =
    "Usage: vorla-cli validate (REFERENCE.csv | --dir DIR) [--params FILE]\n"
    "                          [--level 90|95|99]\n"
    "                          [--model Archeological|Forensic] [--folds K]\n"
    "                          [--min-per-transition N] [--pool sex|ancestry|all]\n"
    "                          [--format text|csv] [--cases FILE] [--jobs N]\n"
    "\n"
    "Estimates the age of every skeleton of a reference sample of documented age\n"
    "exactly as the Analyze button would (every complex it has scores for, its sex,\n"
    "ancestry and mortality model) and compares the estimates with the documented\n"
    "ages: overall and for the ages 15-29, 30-49, 50-69 and 70 and over, the count,\n"
    "the mean error (bias), the mean absolute error, and the share of documented\n"
    "ages inside the uncorrected and the corrected intervals. With --dir DIR the\n"
    "sample is the cases of the case table in DIR that have an AGE. A sample of\n"
    "which no skeleton can be analysed is an error.\n"
    "\n"
    "  --params FILE            the parameter set to validate (default: Parameters.dat\n"
    "                           beside the program); with --folds, the template\n"
    "  --level L                confidence level of the intervals: 90, 95 (default), 99\n"
    "  --model NAME             mortality model for everyone instead of the\n"
    "                           HAZARDFUNC column\n"
    "  --folds K                K-fold cross-validation: the skeletons are dealt to K\n"
    "                           folds at random (the same folds at every run), and each\n"
    "                           fold is analysed with a set calibrated on the others\n"
    "  --min-per-transition N   with --folds: as for calibrate (default 20)\n"
    "  --pool P                 with --folds: as for calibrate (sex, ancestry or all;\n"
    "                           --pool-groups is --pool all)\n"
    "  --format F               text (default) or csv\n"
    "  --cases FILE             also write one CSV line per skeleton: its line, id,\n"
    "                           name, documented age, both estimates and intervals,\n"
    "                           and whether an interval is open at an end of the age\n"
    "                           range (15 or 110)\n"
    "  --jobs N                 how many skeletons are analysed at once (default: the\n"
    "                           number of cores); the figures are the same for any N\n"
    "\n"
    "Exit codes: 0 done, 1 parameter file of the wrong version, 2 usage error, 3 the\n"
    "sample or the parameter file cannot be used or no skeleton could be analysed,\n"
    "130 stopped.\n";

namespace {

struct ValidateOptions {
  ReferenceSource source;
  std::string params;
  int folds = 0;
  bool csv = false;
  std::string cases;
  calib::ValidationOptions validation;
  calib::CalibrationOptions calibration;
};

// The sample as the user named it: the CSV file, or the case table of the folder.
std::string SampleName(const ReferenceSource& source) {
  return source.csv.empty() ? source.dir + "TAData.db" : source.csv;
}

ValidateOptions ReadOptions(const CommandLine& a, const char* argv0) {
  ValidateOptions o;
  o.source = ReferenceSourceOption(a);
  o.params = a.Value("--params").value_or(ExecutableDirectory(argv0) + "Parameters.dat");
  o.validation.level = a.Level();
  o.validation.jobs = a.Jobs();
  if (const auto model = a.Value("--model")) {
    if (!IsChoice(*model, ModelChoices)) throw UsageError("--model is Archeological or Forensic, not " + *model);
    o.validation.model = *model;
  }
  o.folds = static_cast<int>(a.Whole("--folds", 2, 1000000, 0));
  if (o.folds == 0 && (a.Has("--min-per-transition") || a.Has("--pool-groups") || a.Has("--pool")))
    throw UsageError("--min-per-transition and --pool belong to --folds");
  o.calibration.minPerTransition = static_cast<int>(a.Whole("--min-per-transition", 1, 1000000, 20));
  o.calibration.pooling = PoolingOption(a);
  if (const auto cases = a.Value("--cases")) {
    if (cases->empty()) throw UsageError("--cases needs a file name");
    std::error_code ignored;
    if (!o.source.csv.empty() && std::filesystem::equivalent(o.source.csv, *cases, ignored))
      throw UsageError("--cases names the reference sample itself");
    o.cases = *cases;
  }
  o.csv = a.Choice("--format", {"text", "csv"}, 0, "--format is text or csv") == 1;
  return o;
}

class Validate final : public Command {
 public:
  Validate()
      : Command("validate", ValidateHelp,
                {{"--params", "--level", "--model", "--folds", "--min-per-transition", "--format", "--jobs", "--pool",
                  "--cases", "--dir"},
                 {"--pool-groups"}},
                Work::Long) {}

 private:
  void Read(const CommandLine& line) override { options_ = ReadOptions(line, Argv0()); }
  int Execute() override;
  void Explain(const std::exception& failure) override {
    Err() << failure.what() << "\n";
    if (const auto* thin = dynamic_cast<const calib::CalibrationError*>(&failure)) {
      Err() << calib::ThinDataAdvice(thin->poolingMayHelp);
      if (thin->moreFoldsMayHelp)
        Err() << "More folds may help: each calibration then uses more of the sample, and the whole sample has more "
                 "than the individuals needed on every side.\n";
    }
  }

  ValidateOptions options_;
};

int Validate::Execute() {
  ValidateOptions& o = options_;
  o.validation.progress = Hooks();
  // Checked whole before anything is drawn, fitted or allocated for it.
  const auto checked = Parameters(o.params);
  const calib::ParameterStructure& structure = checked->structure;
  calib::ReferenceOptions reading;
  reading.needModel = o.validation.model.empty();
  const calib::ReferenceSample sample = ReadReference(o.source, structure, reading);
  if (o.folds > 0 && static_cast<std::size_t>(o.folds) > sample.individuals.size())
    throw UsageError("--folds is at most the number of skeletons, " + std::to_string(sample.individuals.size()));
  const std::vector<calib::IndividualEstimate> estimates =
      o.folds > 0 ? calib::CrossValidate(structure, sample, o.folds, o.calibration, o.validation)
                  : calib::EstimateAges(o.params, sample, {}, o.validation);
  calib::ValidationSummary summary = calib::Summarise(estimates, o.validation.level);
  summary.folds = o.folds;
  if (!o.cases.empty()) {
    PendingFile casesFile(o.cases);
    casesFile.Stream() << calib::ValidationCasesCsv(sample, estimates);
    if (InterruptRequested()) throw calib::Interrupted();
    casesFile.Commit();
  }
  Progress().Clear();
  // Figures of no skeleton are no validation.
  if (summary.overall.count == 0) {
    Err() << "No skeleton of the " << sample.individuals.size() << " in " << SampleName(o.source)
          << " could be analysed, so nothing was validated"
          << (summary.firstProblem.empty() ? std::string(".") : " (" + summary.firstProblem + ").") << "\n";
    return 3;
  }
  Out() << (o.csv ? calib::ValidationTableCsv(summary) : calib::ValidationTableText(summary));
  return 0;
}

}  // namespace

int ValidateCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Validate().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
