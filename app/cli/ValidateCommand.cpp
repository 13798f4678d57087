#include <filesystem>

#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/PoolOption.h"
#include "app/cli/ReferenceSource.h"
#include "app/common/ProgramDirectory.h"
#include "calib/Validation.h"
#include "engine/TextCase.h"
#include "params/CaseRun.h"
#include "params/MortalityModelFile.h"
#include "store/PendingFile.h"

namespace vorla::cli {

const char* const ValidateHelp =
    "Usage: vorla-cli validate (REFERENCE.csv | --dir DIR) [--params FILE]\n"
    "                          [--level 90|95|99]\n"
    "                          [--model Archeological|Forensic] [--folds K]\n"
    "                          [--prior NAME|sample|reference] [--fit-variance]\n"
    "                          [--min-per-transition N] [--pool sex|ancestry|all]\n"
    "                          [--format text|csv] [--cases FILE] [--jobs N]\n"
    "\n"
    "Estimates the age of every skeleton of a reference sample of documented age\n"
    "exactly as the Analyze button would (every complex it has scores for, its sex,\n"
    "ancestry and mortality model) and compares the estimates with the documented\n"
    "ages: overall and for the ages 15-29, 30-49, 50-69 and 70 and over, the count,\n"
    "the mean error (bias), the mean absolute error, and the share of documented\n"
    "ages inside the uncorrected and the corrected intervals; the posterior's CRPS,\n"
    "log score and Brier scores with a reliability table; and beside them the\n"
    "summed-score means of the training skeletons. With --dir DIR the\n"
    "sample is the cases of the case table in DIR that have an AGE. A sample of\n"
    "which no skeleton can be analysed is an error.\n"
    "\n"
    "  --params FILE            the parameter set to validate (default: Parameters.dat\n"
    "                           beside the program); with --folds, the template\n"
    "  --level L                confidence level of the intervals: 90, 95 (default), 99\n"
    "  --model NAME             mortality model for everyone instead of the\n"
    "                           HAZARDFUNC column\n"
    "  --prior P                the prior of the corrected estimate and the posterior\n"
    "                           for everyone: a built-in model or one of the folder's\n"
    "                           Mortality.txt by its NAME; `sample`, the mortality\n"
    "                           fitted as demography fits it on the uncorrected\n"
    "                           likelihoods of the training skeletons; `reference`, a\n"
    "                           Gompertz-Makeham model fitted to their documented ages.\n"
    "                           With --folds the training skeletons are the other folds\n"
    "  --fit-variance           with --folds: each fold's variance factors are chosen as\n"
    "                           calibrate --fit-variance chooses them, on its training\n"
    "                           folds alone (5 folds within them)\n"
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
    "                           range (15 or 110), the fold, the posterior's median,\n"
    "                           scores and P(age >= 30, 50, 70), and the summed-score mean\n"
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
  std::string prior;  // as given
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
  if (const auto prior = a.Value("--prior")) {
    if (prior->empty()) throw UsageError("--prior needs a model name, sample or reference");
    if (a.Has("--model")) throw UsageError("--model and --prior both choose the prior; give one of them");
    o.prior = *prior;
    if (LowerCase(*prior) == "sample")
      o.validation.fittedPrior = calib::FittedPrior::Sample;
    else if (LowerCase(*prior) == "reference")
      o.validation.fittedPrior = calib::FittedPrior::Reference;
  }
  o.folds = static_cast<int>(a.Whole("--folds", 2, 1000000, 0));
  o.validation.fitVariance = a.Has("--fit-variance");
  if (o.validation.fitVariance && o.folds == 0)
    throw UsageError(
        "--fit-variance belongs to --folds: factors chosen on the skeletons tested would be tuned, not tested");
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
                  "--cases", "--dir", "--prior"},
                 {"--pool-groups", "--fit-variance"}},
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
  // The folder's own models: those of the case folder, or beside the parameter file.
  const std::string modelFile =
      (o.source.dir.empty() ? std::filesystem::path(o.params).parent_path() / MortalityModelFileName
                            : std::filesystem::path(o.source.dir) / MortalityModelFileName)
          .string();
  o.validation.ownModels = std::make_shared<const OwnMortalityModels>(ReadMortalityModels(modelFile));
  if (!o.prior.empty() && o.validation.fittedPrior == calib::FittedPrior::None) {
    if (!IsBuiltInModelName(o.prior) && !FindOwnModel(o.prior, *o.validation.ownModels))
      throw UsageError("--prior " + o.prior + " is no built-in model (Archeological, Forensic) and no model of " +
                       modelFile + "; sample and reference fit one");
    o.validation.model = o.prior;
  }
  calib::ReferenceOptions reading;
  reading.needModel = o.validation.model.empty() && o.validation.fittedPrior == calib::FittedPrior::None;
  const calib::ReferenceSample sample = ReadReference(o.source, structure, reading);
  if (o.folds > 0 && static_cast<std::size_t>(o.folds) > sample.individuals.size())
    throw UsageError("--folds is at most the number of skeletons, " + std::to_string(sample.individuals.size()));
  std::vector<calib::FoldNote> notes;
  std::vector<calib::IndividualEstimate> estimates =
      o.folds > 0 ? calib::CrossValidate(structure, sample, o.folds, o.calibration, o.validation, &notes)
                  : calib::EstimateAges(o.params, sample, {}, o.validation, &notes);
  if (o.folds == 0) calib::AddSummedScoreEstimates(sample, estimates, o.validation.level);
  calib::ValidationSummary summary = calib::Summarise(estimates, o.validation.level);
  summary.folds = o.folds;
  summary.priorName = o.validation.model.empty() ? "" : o.prior;
  summary.fittedPrior = o.validation.fittedPrior;
  summary.fitVariance = o.validation.fitVariance;
  summary.notes = notes;
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
