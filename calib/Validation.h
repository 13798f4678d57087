#pragma once
// Validation of a parameter set on a reference sample: every individual is
// analysed as the window's Analyze action would analyse it, and the estimates
// are compared with the documented ages, overall and by age class.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "calib/Calibration.h"
#include "calib/Progress.h"
#include "calib/ReferenceSample.h"

namespace vorla::calib {

struct ValidationOptions {
  int level = 95;     // confidence level of the intervals: 90, 95 or 99
  std::string model;  // mortality model for everyone; empty: each line's HAZARDFUNC
  const Progress* progress = nullptr;
  int jobs = 1;  // how many individuals are analysed at once; the estimates are the same for any number
};

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
};

struct ValidationSummary {
  int level = 95;
  ClassFigures overall;
  std::array<ClassFigures, 4> byClass;  // 15-29, 30-49, 50-69, 70+
  std::size_t notAnalysed = 0;
  std::string firstProblem;  // "line L: why" of the first individual not analysed
  int folds = 0;             // 0: no cross-validation
};

// Analyses the individuals with these indices (all when empty) with the
// parameter file at the path, in the order given.
std::vector<IndividualEstimate> EstimateAges(const std::string& parameterFile, const ReferenceSample& sample,
                                             const std::vector<std::size_t>& which, const ValidationOptions& options);

// K-fold cross-validation: the individuals are dealt to K folds at random (a
// fixed seed, so the folds are the same at every run), within each sex and
// ancestry group; each fold is analysed with a parameter set calibrated on the
// other folds, whose structure comes from the template. The estimates are in
// file order.
std::vector<IndividualEstimate> CrossValidate(const ParameterStructure& templateStructure,
                                              const ReferenceSample& sample, int folds,
                                              const CalibrationOptions& calibration, const ValidationOptions& options);

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
