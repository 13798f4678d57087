#pragma once
// Forensic questions about one analysed case: the posterior distribution of
// age at death, the probability of an age threshold, the posterior median, a
// highest-density interval and the likelihood ratio for a candidate's age.
//
// Everything is computed from the case's combined likelihood L(x) on the age
// grid (15 to 110 by 0.25, as `Likelihood` holds it after `Analyse`, tempered
// by the case's variance factor) and a prior density f(x) of age at death,
// the same two the corrected estimate multiplies. Nothing is stored in the
// case record.
//
// Integration: between two grid ages the product f(x) L(x) is taken as the
// straight line through its values at the two ages, so every integral is the
// composite trapezoid rule on the grid and every cumulative probability is
// exact for that piecewise-linear density. The error of the trapezoid rule on
// [a, b] is -(b - a) h^2 / 12 * g''(xi) for some xi in [a, b], with h = 0.25:
// at most (b - a) / 192 * max |g''|. For a posterior with a standard deviation
// of s years this is of the order of h^2 / (12 s^2), about 2e-4 for s = 5 and
// 1.3e-5 for s = 20.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/AnalysisSettings.h"
#include "engine/AnalysisTree.h"

namespace vorla {

using AgeDensity = std::function<double(double)>;

struct PosteriorAge {
  std::array<double, AgeGridSize> likelihood{};  // L at the grid ages
  std::array<double, AgeGridSize> prior{};       // f at the grid ages, integrating to 1 over the grid
  std::array<double, AgeGridSize> density{};     // f L / evidence, integrating to 1 over the grid
  std::array<double, AgeGridSize> cumulative{};  // P(age < grid age)
  std::array<double, AgeGridSize> above{};       // the mass from the grid age to 110, summed from 110 down
  double evidence = 0.0;                         // the integral of L f over the grid
};

// Whether an age can be asked about: a finite number within 15 to 110.
bool IsAskableAge(double age);

// The posterior of an analysed case under a prior density. Throws
// AnalysisError when the prior or the product f L is nowhere positive.
PosteriorAge PosteriorOfCase(const TTransisionsAnalyseDataSet& record, const AgeDensity& prior);

// P(age < t) and P(age >= t); the two add up to 1. Each is summed from its
// own end of the grid, so a share that lies wholly on one side of t is
// exactly 0 on the other, not a rounding remainder of 1. Throws
// AnalysisError for an age that cannot be asked about.
double ProbabilityBelow(const PosteriorAge& posterior, double t);
double ProbabilityAtLeast(const PosteriorAge& posterior, double t);

// The age below which the posterior holds the share q (0 to 1).
double PosteriorQuantile(const PosteriorAge& posterior, double q);

struct AgeInterval {
  double low = 0.0;
  double high = 0.0;
};
// The shortest interval holding the share `mass` (0 to 1) of the posterior.
AgeInterval HighestDensityInterval(const PosteriorAge& posterior, double mass);

// L(a) / integral of L f: how much more probable the scores are if the
// skeleton is of age a than if it is a random death from the prior
// population. At a grid age L(a) is the grid's value; between grid ages it
// is the case's likelihood evaluated there, under the link the case was
// analysed with. Throws AnalysisError for an age that cannot be asked about.
double LikelihoodRatio(const PosteriorAge& posterior, const TTransisionsAnalyseDataSet& record, LinkFunctionType link,
                       double age);

struct AgeQuestionSet {
  std::vector<double> thresholds;      // ages t for P(age >= t)
  std::optional<double> candidateAge;  // a for LR(a)
  int level = 95;                      // of the highest-density interval: 90, 95 or 99
};

struct AgeAnswers {
  std::vector<double> probabilityAtLeast;  // one per threshold, in order
  std::vector<double> probabilityBelow;    // the same thresholds
  double median = 0.0;
  AgeInterval interval;
  std::optional<double> likelihoodRatio;
  PosteriorAge posterior;
};

// Every answer at once. Throws AnalysisError for a threshold or candidate age
// that cannot be asked about, or a level other than 90, 95 or 99.
AgeAnswers AnswerAgeQuestions(const TTransisionsAnalyseDataSet& record, LinkFunctionType link, const AgeDensity& prior,
                              const AgeQuestionSet& questions);

// "18", "34.5": an age as the answers name it, without trailing zeros.
std::string AgeText(double age);

}  // namespace vorla
