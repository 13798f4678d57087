#include "engine/AgeQuestions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/Analysis.h"
#include "engine/AnalysisError.h"

namespace vorla {

namespace {

constexpr double Step = AgeGridStep;

// Trapezoid integral over the grid of values given at the grid ages.
double GridIntegral(const std::array<double, AgeGridSize>& g) {
  long double sum = 0.0L;
  for (int i = 0; i + 1 < AgeGridSize; ++i) sum += 0.5L * (g[i] + g[i + 1]);
  return static_cast<double>(sum * Step);
}

void RequireAskable(double age, const char* what) {
  if (!IsAskableAge(age)) throw AnalysisError(std::string("The ") + what + " must be an age from 15 to 110 years.");
}

// The mass of the piecewise-linear density from grid age i to i + u steps.
double PartialMass(const PosteriorAge& p, int i, double u) {
  const double left = p.density[i];
  const double slope = p.density[i + 1] - left;
  return Step * (left * u + 0.5 * slope * u * u);
}

double Cumulative(const PosteriorAge& p, double x) {
  if (x <= AgeGridStart) return 0.0;
  if (x >= AgeGridEnd) return 1.0;
  const double y = (x - AgeGridStart) / Step;
  const int i = std::min(static_cast<int>(std::floor(y)), AgeGridSize - 2);
  return std::min(1.0, p.cumulative[i] + PartialMass(p, i, y - i));
}

}  // namespace

bool IsAskableAge(double age) {
  return std::isfinite(age) && age >= AgeGridStart && age <= AgeGridEnd;
}

PosteriorAge PosteriorOfCase(const TTransisionsAnalyseDataSet& record, const AgeDensity& prior) {
  PosteriorAge p;
  std::array<double, AgeGridSize> product{};
  for (int i = 0; i < AgeGridSize; ++i) {
    const double f = prior(GridAge(i));
    p.prior[i] = std::isfinite(f) && f > 0.0 ? f : 0.0;
    p.likelihood[i] = record.Likelihood[i].Lik;
  }
  const double priorMass = GridIntegral(p.prior);
  if (!(priorMass > 0.0) || !std::isfinite(priorMass))
    throw AnalysisError("The prior density is nowhere positive on the ages 15 to 110.");
  for (int i = 0; i < AgeGridSize; ++i) {
    p.prior[i] /= priorMass;
    const double l = p.likelihood[i];
    product[i] = std::isfinite(l) && l > 0.0 ? p.prior[i] * l : 0.0;
  }
  p.evidence = GridIntegral(product);
  if (!(p.evidence > 0.0) || !std::isfinite(p.evidence))
    throw AnalysisError("The scores have no likelihood at any age the prior allows.");
  for (int i = 0; i < AgeGridSize; ++i) p.density[i] = product[i] / p.evidence;
  long double running = 0.0L;
  for (int i = 0; i < AgeGridSize; ++i) {
    p.cumulative[i] = static_cast<double>(std::min(running, 1.0L));
    if (i + 1 < AgeGridSize) running += 0.5L * Step * (p.density[i] + p.density[i + 1]);
  }
  running = 0.0L;
  for (int i = AgeGridSize - 1; i >= 0; --i) {
    p.above[i] = static_cast<double>(running);
    if (i > 0) running += 0.5L * Step * (p.density[i - 1] + p.density[i]);
  }
  return p;
}

double ProbabilityBelow(const PosteriorAge& posterior, double t) {
  RequireAskable(t, "threshold");
  return Cumulative(posterior, t);
}

double ProbabilityAtLeast(const PosteriorAge& p, double t) {
  RequireAskable(t, "threshold");
  const double total = p.above[0];
  if (t <= AgeGridStart) return 1.0;
  if (t >= AgeGridEnd || !(total > 0.0)) return 0.0;
  const double y = (t - AgeGridStart) / Step;
  const int i = std::min(static_cast<int>(std::floor(y)), AgeGridSize - 2);
  // The part of the segment from t up to the next grid age.
  const double segment = 0.5 * Step * (p.density[i] + p.density[i + 1]);
  const double rest = std::max(0.0, segment - PartialMass(p, i, y - i));
  return std::clamp((p.above[i + 1] + rest) / total, 0.0, 1.0);
}

double PosteriorQuantile(const PosteriorAge& p, double q) {
  if (q <= 0.0) {
    for (int i = 0; i + 1 < AgeGridSize; ++i)
      if (p.density[i] > 0.0 || p.density[i + 1] > 0.0) return GridAge(i);
    return AgeGridStart;
  }
  if (q >= 1.0) return AgeGridEnd;
  // The last grid age whose cumulative share is still below q.
  const auto it = std::lower_bound(p.cumulative.begin(), p.cumulative.end(), q);
  const int i = std::clamp(static_cast<int>(it - p.cumulative.begin()) - 1, 0, AgeGridSize - 2);
  // Solve PartialMass(i, u) = r for u in [0, 1] in a form that is stable when
  // the density is flat or falls.
  const double r = (q - p.cumulative[i]) / Step;
  const double left = p.density[i];
  const double slope = p.density[i + 1] - left;
  const double root = std::sqrt(std::max(0.0, left * left + 2.0 * slope * r));
  const double denominator = left + root;
  const double u = denominator > 0.0 ? std::clamp(2.0 * r / denominator, 0.0, 1.0) : 0.0;
  return GridAge(i) + u * Step;
}

AgeInterval HighestDensityInterval(const PosteriorAge& p, double mass) {
  mass = std::clamp(mass, 0.0, 1.0);
  const auto highFor = [&](double low) { return PosteriorQuantile(p, Cumulative(p, low) + mass); };
  const auto width = [&](double low) { return highFor(low) - low; };
  // Every eighth of a step as the lower end, then a finer search around the best.
  const double pitch = Step / 8.0;
  double bestLow = AgeGridStart;
  double bestWidth = width(bestLow);
  for (int k = 1;; ++k) {
    const double low = AgeGridStart + k * pitch;
    if (low > AgeGridEnd || Cumulative(p, low) + mass > 1.0) break;
    const double w = width(low);
    if (w < bestWidth) {
      bestWidth = w;
      bestLow = low;
    }
  }
  double a = std::max<double>(AgeGridStart, bestLow - pitch);
  double b = std::min<double>(AgeGridEnd, bestLow + pitch);
  for (int k = 0; k < 40 && b - a > 1e-9; ++k) {
    const double m1 = a + (b - a) / 3.0, m2 = b - (b - a) / 3.0;
    if (Cumulative(p, m2) + mass > 1.0 || width(m1) <= width(m2))
      b = m2;
    else
      a = m1;
  }
  double low = 0.5 * (a + b);
  if (width(low) > bestWidth || Cumulative(p, low) + mass > 1.0) low = bestLow;
  return {low, highFor(low)};
}

double LikelihoodRatio(const PosteriorAge& posterior, const TTransisionsAnalyseDataSet& record, LinkFunctionType link,
                       double age) {
  RequireAskable(age, "candidate age");
  const double y = (age - AgeGridStart) / Step;
  double l;
  if (y == std::floor(y)) {
    l = posterior.likelihood[static_cast<int>(y)];
  } else {
    l = std::pow(CaseLikelihood(record, link, age), 1.0 / record.Resvar);
  }
  return (std::isfinite(l) && l > 0.0 ? l : 0.0) / posterior.evidence;
}

AgeAnswers AnswerAgeQuestions(const TTransisionsAnalyseDataSet& record, LinkFunctionType link, const AgeDensity& prior,
                              const AgeQuestionSet& questions) {
  if (questions.level != 90 && questions.level != 95 && questions.level != 99)
    throw AnalysisError("The level of the interval must be 90, 95 or 99.");
  for (double t : questions.thresholds) RequireAskable(t, "threshold");
  if (questions.candidateAge) RequireAskable(*questions.candidateAge, "candidate age");
  AgeAnswers a;
  a.posterior = PosteriorOfCase(record, prior);
  for (double t : questions.thresholds) {
    a.probabilityAtLeast.push_back(ProbabilityAtLeast(a.posterior, t));
    a.probabilityBelow.push_back(ProbabilityBelow(a.posterior, t));
  }
  a.median = PosteriorQuantile(a.posterior, 0.5);
  a.interval = HighestDensityInterval(a.posterior, questions.level / 100.0);
  if (questions.candidateAge) a.likelihoodRatio = LikelihoodRatio(a.posterior, record, link, *questions.candidateAge);
  return a;
}

std::string AgeText(double age) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", age);
  return buffer;
}

}  // namespace vorla
