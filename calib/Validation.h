#pragma once
// Validation of a parameter set on a reference sample: every individual is
// analysed as the window's Analyze action would analyse it, and the estimates
// are compared with the documented ages, overall and by age class.
#include <array>
#include <cmath>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calib/Calibration.h"
#include "calib/MortalityModel.h"
#include "calib/Progress.h"
#include "calib/ReferenceSample.h"
#include "engine/AgeQuestions.h"
#include "engine/PriorModels.h"

namespace vorla::calib {

// Where the prior of the corrected estimate and the posterior comes from
// when it is fitted: Sample, the mortality fitted on the uncorrected
// likelihoods of the training skeletons (as demography fits it); Reference,
// a Gompertz-Makeham model fitted by maximum likelihood to their documented
// ages. The skeletons tested never take part in the fit.
enum class FittedPrior { None, Sample, Reference };

struct ValidationOptions {
  int level = 95;     // confidence level of the intervals: 90, 95 or 99
  std::string model;  // mortality model for everyone; empty: each line's HAZARDFUNC
  const Progress* progress = nullptr;
  int jobs = 1;  // how many individuals are analysed at once; the estimates are the same for any number
  // The case folder's own mortality models, which `model` or a line's
  // HAZARDFUNC may name; null: those of the Mortality.txt beside the parameter file.
  std::shared_ptr<const OwnMortalityModels> ownModels;
  FittedPrior fittedPrior = FittedPrior::None;  // overrides `model` and HAZARDFUNC
  // With CrossValidate: the variance factors of each fold's set are fitted
  // on its training part alone, by folds within that part.
  bool fitVariance = false;
};

// What was fitted for one fold besides its transitions.
struct FoldNote {
  int fold = -1;  // 0 to folds - 1; -1 for the whole sample
  std::size_t training = 0;
  std::optional<MortalityModel> prior;  // the fitted prior
  std::size_t priorCases = 0;           // the training skeletons it was fitted on
  // The variance factors chosen on the training part: each complex's by name, then "case".
  std::vector<std::pair<std::string, double>> varianceFactors;
};

// The thresholds t of the probabilities P(age >= t) that are scored.
inline constexpr std::array<double, 3> ScoredThresholds = {30.0, 50.0, 70.0};
// A posterior density below this (per year) at the documented age counts
// as this in the log score, so that one skeleton cannot make it infinite.
inline constexpr double LeastScoredDensity = 1e-9;
// The summed-score means pool neighbouring sums until a group holds this many.
inline constexpr std::size_t LeastPerScoreGroup = 5;

// The outcome for one individual. Estimates and limits are those stored in
// the case row (rounded to one decimal); an open limit is 15 or 110.
struct IndividualEstimate {
  int line = 0;
  double age = 0.0;
  bool analysed = false;
  std::string message;                                              // why not, when not analysed
  double estimate = 0.0, low = 0.0, high = 0.0;                     // uncorrected
  double corrected = 0.0, correctedLow = 0.0, correctedHigh = 0.0;  // with the prior
  double posteriorMedian = 0.0;                                     // of the posterior under the same prior, unrounded
  int fold = -1;  // 0 to folds - 1 in a cross-validation; -1 otherwise
  // Scores of that posterior against the documented age; NaN when there is none.
  double crps = NAN;      // the integral over the ages of (F(x) - [x >= age])^2, in years
  double logScore = NAN;  // -ln of the posterior density at the age
  std::array<double, ScoredThresholds.size()> atLeast{NAN, NAN, NAN};  // P(age >= t)
  // The summed-score mean of the training skeletons and the range of their
  // middle share at the level; none when the skeleton has no stage.
  bool simple = false;
  double simpleEstimate = 0.0, simpleLow = 0.0, simpleHigh = 0.0;
};

struct ClassFigures {
  std::size_t count = 0;
  double bias = 0.0, meanAbsoluteError = 0.0;                    // uncorrected estimate - documented age
  double correctedBias = 0.0, correctedMeanAbsoluteError = 0.0;  // corrected estimate - documented age
  double rootMeanSquareError = 0.0, correctedRootMeanSquareError = 0.0;
  double coverage = 0.0, correctedCoverage = 0.0;  // share of documented ages inside the intervals
  // Two-sided exact binomial test of each coverage against the level: the
  // probability of a count of ages inside as far from the level's share as
  // this one, or farther, if the intervals held the level exactly.
  double coverageP = 0.0, correctedCoverageP = 0.0;
  // The posterior's mean scores, over the skeletons that have one.
  std::size_t scored = 0;
  double crps = 0.0, logScore = 0.0;
  std::array<double, ScoredThresholds.size()> brier{};  // of P(age >= t)
  // The summed-score means of the same skeletons.
  std::size_t simpleCount = 0;
  double simpleBias = 0.0, simpleMeanAbsoluteError = 0.0, simpleRootMeanSquareError = 0.0;
  double simpleCoverage = 0.0, simpleCoverageP = 0.0;
};

// Skeletons whose P(age >= t) fell in one tenth of the probabilities, and
// how many of them were t or older.
struct ReliabilityBin {
  std::size_t count = 0;
  double meanProbability = 0.0;  // NaN when empty
  double observedShare = 0.0;    // NaN when empty
};

struct ValidationSummary {
  int level = 95;
  ClassFigures overall;
  std::array<ClassFigures, 4> byClass;  // 15-29, 30-49, 50-69, 70+
  std::size_t notAnalysed = 0;
  std::string firstProblem;  // "line L: why" of the first individual not analysed
  int folds = 0;             // 0: no cross-validation
  // For P(age >= t) at each scored threshold: bins of 0-0.1, ..., 0.9-1.
  std::array<std::array<ReliabilityBin, 10>, ScoredThresholds.size()> reliability{};
  // Filled in by the caller, for the text: where the prior came from, and what each fold fitted.
  std::string priorName;
  FittedPrior fittedPrior = FittedPrior::None;
  bool fitVariance = false;
  std::vector<FoldNote> notes;
};

// Analyses the individuals with these indices (all when empty) with the
// parameter file at the path, in the order given.
// A fitted prior is fitted on these same individuals (`notes` receives it).
std::vector<IndividualEstimate> EstimateAges(const std::string& parameterFile, const ReferenceSample& sample,
                                             const std::vector<std::size_t>& which, const ValidationOptions& options,
                                             std::vector<FoldNote>* notes = nullptr);

// K-fold cross-validation: the individuals are dealt to K folds at random (a
// fixed seed, so the folds are the same at every run), within each sex and
// ancestry group; each fold is analysed with a parameter set calibrated on the
// other folds, whose structure comes from the template. The estimates are in
// file order, each with its summed-score mean from the other folds. A fitted
// prior and fitted variance factors come from the other folds alone;
// `notes` receives them, one per fold.
std::vector<IndividualEstimate> CrossValidate(const ParameterStructure& templateStructure,
                                              const ReferenceSample& sample, int folds,
                                              const CalibrationOptions& calibration, const ValidationOptions& options,
                                              std::vector<FoldNote>* notes = nullptr);

// The summed-score means: for each individual, its summed stage (over the
// components scored, each the mean over its scored sides of the middle of
// the stages its scores allow) is looked up among the training individuals
// (those of the other folds; all of them when its fold is -1). Their sums
// are sorted and neighbouring sums pooled into groups of at least
// LeastPerScoreGroup; a sum falls into the group whose sums it lies among,
// or between two groups into the nearer (the lower at a tie). The estimate
// is the group's mean documented age, the interval the range between its
// quantiles (1 - level) / 2 and (1 + level) / 2.
void AddSummedScoreEstimates(const ReferenceSample& sample, std::vector<IndividualEstimate>& estimates, int level);

// The summed stage of an individual; none when no component is scored.
std::optional<double> SummedStage(const ReferenceIndividual& individual);

// A Gompertz-Makeham model fitted by maximum likelihood to documented ages
// (15 to 110), their deaths truncated to 15 to 110 as the age grid truncates
// them. Throws std::runtime_error when the ages do not determine it.
MortalityModel FitMortalityToAges(const std::vector<double>& ages, int jobs = 1);

// The scores of a posterior against a documented age (15 to 110). The CRPS
// integrates (F(x) - [x >= age])^2 over the grid by the trapezoid rule, the
// grid's segment that holds the age split there; the log score is -ln of
// the density at the age, between grid ages on the straight line through
// theirs, and no more than -ln LeastScoredDensity.
double ContinuousRankedScore(const PosteriorAge& posterior, double age);
double LogScore(const PosteriorAge& posterior, double age);

// The fold (0 to folds - 1) of every individual: within each group the
// individuals are dealt to the folds in an order shuffled with a fixed seed,
// so every fold holds every group in the same proportion whatever the order
// of the file.
std::vector<int> FoldOfEach(const ReferenceSample& sample, int folds);

ValidationSummary Summarise(const std::vector<IndividualEstimate>& estimates, int level);

// The two-sided exact binomial test of k successes in n trials of
// probability p: the sum of the probabilities of every count no more
// probable than k. 1 for n = 0.
double BinomialTestP(std::size_t k, std::size_t n, double p);

std::string ValidationTableText(const ValidationSummary& summary);
std::string ValidationTableCsv(const ValidationSummary& summary);

// One CSV line per individual, in file order (the estimates of EstimateAges
// of all individuals, or of CrossValidate): its line, id, name, documented
// age, both estimates and intervals as stored (one decimal), and OPEN and
// CORRECTED_OPEN: "low", "high" or "both" when the interval reaches 15 or
// 110, the ends of the age range, and so is open there; empty otherwise;
// then FOLD (1 to K in a cross-validation, empty otherwise) and
// POSTERIOR_MEDIAN. An individual not analysed has only FOLD and MESSAGE.
std::string ValidationCasesCsv(const ReferenceSample& sample, const std::vector<IndividualEstimate>& estimates);

}  // namespace vorla::calib
