#include "calib/VarianceFit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "calib/TableText.h"
#include "calib/Validation.h"
#include "engine/AnalysisSettings.h"
#include "engine/AnalysisTree.h"
#include "store/CsvText.h"

namespace vorla::calib {

namespace {

// The log-likelihood of one skeleton's complex over the analysis' age grid.
using Profile = std::vector<double>;

double LogLikelihoodAt(const ComplexStructure& c, std::size_t firstComponent, const ReferenceIndividual& person,
                       int groups, double age) {
  double total = 0.0;
  for (std::size_t k = 0; k < c.components.size(); ++k) {
    const ComponentStructure& component = c.components[k];
    const ComponentStages& s = person.stages[firstComponent + k];
    if (!s.Scored()) continue;
    std::vector<double> a, b;
    for (int t = 0; t < component.transitions; ++t) {
      a.push_back(component.Row(t, person.group, groups).a);
      b.push_back(component.Row(t, person.group, groups).b);
    }
    total += ComponentLogLikelihood(component.transitions, {{age, s.low, s.high}}, a, b);
  }
  return total;
}

bool ScoredIn(const ComplexStructure& c, std::size_t firstComponent, const ReferenceIndividual& person) {
  for (std::size_t k = 0; k < c.components.size(); ++k)
    if (person.stages[firstComponent + k].Scored()) return true;
  return false;
}

// The highest value of a function on the grid, refined between the grid
// points beside the best one by golden-section search.
template <typename F>
double Highest(const F& f) {
  const int points = static_cast<int>((OldestAge - YoungestAge) / AgeGridStep) + 1;
  int best = 0;
  double bestValue = f(YoungestAge);
  for (int i = 1; i < points; ++i) {
    const double v = f(YoungestAge + i * AgeGridStep);
    if (v > bestValue) best = i, bestValue = v;
  }
  double lo = YoungestAge + std::max(best - 1, 0) * AgeGridStep;
  double hi = YoungestAge + std::min(best + 1, points - 1) * AgeGridStep;
  const double ratio = 0.6180339887498949;
  for (int step = 0; step < 40; ++step) {
    const double x1 = hi - ratio * (hi - lo), x2 = lo + ratio * (hi - lo);
    if (f(x1) < f(x2))
      lo = x1;
    else
      hi = x2;
  }
  return std::max(bestValue, f((lo + hi) / 2.0));
}

// A factor that covers the share 0.95 of the needs and no more: midway
// between the need of the last skeleton it must cover and the next one's, so
// that no skeleton lies on the edge of its interval, where the limits stored
// to a tenth of a year could put it either side.
double CoveringFactor(std::vector<double> needs) {
  std::sort(needs.begin(), needs.end());
  const auto index =
      std::min(static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(needs.size()))) - 1, needs.size() - 1);
  return index + 1 < needs.size() ? (needs[index] + needs[index + 1]) / 2.0 : needs[index];
}

double Share(const std::vector<double>& needs, double factor) {
  std::size_t covered = 0;
  for (double need : needs) covered += need <= factor ? 1 : 0;
  return needs.empty() ? NAN : static_cast<double>(covered) / static_cast<double>(needs.size());
}

}  // namespace

VarianceFitResult FitVarianceFactors(const ParameterStructure& templateStructure, const ReferenceSample& sample,
                                     const CalibrationOptions& options) {
  VarianceFitResult result;
  const int folds = result.folds;
  const std::size_t n = sample.individuals.size();
  if (n < static_cast<std::size_t>(folds))
    throw CalibrationError("Fitting the variance factors needs at least " + std::to_string(folds) + " individuals.",
                           false);
  const double critical = static_cast<double>(CriticalValueForLevel(95));
  const std::size_t complexCount = templateStructure.complexes.size();
  // For every complex and every skeleton scored in it, the log-likelihood
  // lost between the complex's best age and the documented age, in units of
  // the critical value: the least factor whose interval holds the documented age.
  std::vector<std::vector<double>> needs(complexCount);
  // The same per skeleton, for the combined interval: each complex's loss at
  // every grid age, so that any set of factors can be tried.
  struct Person {
    std::vector<int> complexes;             // scored complexes
    std::vector<std::vector<double>> loss;  // per scored complex: loss at each grid age, then at the documented age
  };
  std::vector<Person> people(n);

  const std::vector<int> foldOf = FoldOfEach(sample, folds);
  CalibrationOptions foldOptions = options;
  foldOptions.minPerTransition = std::max(1, (options.minPerTransition * (folds - 1) + folds - 1) / folds);
  const int gridPoints = static_cast<int>((OldestAge - YoungestAge) / AgeGridStep) + 1;
  for (int k = 0; k < folds; ++k) {
    ReferenceSample training;
    training.fileName = sample.fileName;
    training.columns = sample.columns;
    training.layout = sample.layout;
    for (std::size_t i = 0; i < n; ++i)
      if (foldOf[i] != k) training.individuals.push_back(sample.individuals[i]);
    Progress quiet;
    if (options.progress) quiet.stopRequested = options.progress->stopRequested;
    foldOptions.progress = &quiet;
    Advance(options.progress, "fitting the variance factors", static_cast<std::size_t>(k),
            static_cast<std::size_t>(folds));
    CalibrationResult fitted;
    try {
      fitted = Calibrate(templateStructure, training, foldOptions);
    } catch (const CalibrationError& e) {
      throw CalibrationError("Fitting the variance factors, fold " + std::to_string(k + 1) + " of " +
                                 std::to_string(folds) + " (needing " + std::to_string(foldOptions.minPerTransition) +
                                 " on each side): " + e.what(),
                             e.poolingMayHelp);
    }
    for (std::size_t i = 0; i < n; ++i) {
      if (foldOf[i] != k) continue;
      const ReferenceIndividual& person = sample.individuals[i];
      std::size_t first = 0;
      for (std::size_t c = 0; c < complexCount; ++c) {
        const ComplexStructure& complex = fitted.parameters.complexes[c];
        if (ScoredIn(complex, first, person)) {
          const auto f = [&](double age) {
            return LogLikelihoodAt(complex, first, person, fitted.parameters.groups, age);
          };
          const double best = Highest(f);
          std::vector<double> loss(static_cast<std::size_t>(gridPoints) + 1);
          for (int g = 0; g < gridPoints; ++g)
            loss[static_cast<std::size_t>(g)] = best - f(YoungestAge + g * AgeGridStep);
          loss.back() = std::max(0.0, best - f(person.age));
          needs[c].push_back(loss.back() / critical);
          people[i].complexes.push_back(static_cast<int>(c));
          people[i].loss.push_back(std::move(loss));
        }
        first += complex.components.size();
      }
    }
  }
  Advance(options.progress, "fitting the variance factors", static_cast<std::size_t>(folds),
          static_cast<std::size_t>(folds));

  for (std::size_t c = 0; c < complexCount; ++c) {
    ComplexVariance v;
    v.complexName = templateStructure.complexes[c].name;
    v.individuals = needs[c].size();
    v.templateFactor = v.fittedFactor = templateStructure.complexes[c].resvar;
    if (v.individuals >= LeastForVarianceFit) {
      v.fittedFactor = CoveringFactor(needs[c]);
      v.fitted = true;
    }
    v.coverageBefore = Share(needs[c], v.templateFactor);
    v.coverageAfter = Share(needs[c], v.fittedFactor);
    result.complexes.push_back(v);
  }

  // The combined interval: the sum over complexes of loss / factor, measured
  // from its own best grid age, against the case's factor times the critical
  // value. The least case factor that holds each skeleton's documented age:
  const auto caseNeeds = [&](bool fittedFactors) {
    std::vector<double> caseNeed;
    for (const Person& p : people) {
      if (p.complexes.empty()) continue;
      std::vector<double> total(static_cast<std::size_t>(gridPoints) + 1, 0.0);
      for (std::size_t j = 0; j < p.complexes.size(); ++j) {
        const ComplexVariance& v = result.complexes[static_cast<std::size_t>(p.complexes[j])];
        const double factor = fittedFactors ? v.fittedFactor : v.templateFactor;
        for (std::size_t g = 0; g < total.size(); ++g) total[g] += p.loss[j][g] / factor;
      }
      const double least = *std::min_element(total.begin(), total.end() - 1);
      caseNeed.push_back(std::max(0.0, total.back() - least) / critical);
    }
    return caseNeed;
  };
  const std::vector<double> before = caseNeeds(false), after = caseNeeds(true);
  result.individuals = before.size();
  result.templateCaseFactor = result.fittedCaseFactor = templateStructure.resvar;
  if (after.size() >= LeastForVarianceFit) {
    result.fittedCaseFactor = CoveringFactor(after);
    result.caseFitted = true;
  }
  result.overallBefore = Share(before, result.templateCaseFactor);
  result.overallAfter = Share(after, result.fittedCaseFactor);
  return result;
}

void ApplyVarianceFactors(const VarianceFitResult& fit, ParameterStructure& structure) {
  for (std::size_t c = 0; c < fit.complexes.size() && c < structure.complexes.size(); ++c)
    structure.complexes[c].resvar = fit.complexes[c].fittedFactor;
  structure.resvar = fit.fittedCaseFactor;
}

std::string VarianceFitText(const VarianceFitResult& fit) {
  std::string text = "\nVariance factors from the sample (" + std::to_string(fit.folds) +
                     "-fold cross-validation): each complex's factor is the smallest\n"
                     "at which its 95 % interval holds the documented age of 95 % of the skeletons scored in it,\n"
                     "each skeleton analysed with transitions calibrated without its fold.\n\n"
                     "Complex            N   Template  Coverage   Fitted  Coverage\n";
  for (const ComplexVariance& v : fit.complexes) {
    std::string name = v.complexName.substr(0, 15);
    text += name + std::string(15 - name.size(), ' ') + Right(std::to_string(v.individuals), 5) +
            Right(Fixed(v.templateFactor, 3), 11) + Right(Percent(v.coverageBefore), 10) +
            Right(v.fitted ? Fixed(v.fittedFactor, 3) : "kept", 9) + Right(Percent(v.coverageAfter), 10) + "\n";
  }
  text += "All together   " + Right(std::to_string(fit.individuals), 5) + Right(Fixed(fit.templateCaseFactor, 3), 11) +
          Right(Percent(fit.overallBefore), 10) + Right(fit.caseFitted ? Fixed(fit.fittedCaseFactor, 3) : "kept", 9) +
          Right(Percent(fit.overallAfter), 10) + "\n";
  text +=
      "\"All together\" is the interval of all complexes without the prior; its factor is the\n"
      "case's, fitted after the complexes' so that it, too, holds 95 % of the documented ages.\n";
  bool kept = false;
  for (const ComplexVariance& v : fit.complexes) kept |= !v.fitted;
  if (kept)
    text += "A complex scored in fewer than " + std::to_string(LeastForVarianceFit) +
            " skeletons keeps the template's factor.\n";
  return text;
}

std::string VarianceFitCsv(const VarianceFitResult& fit) {
  std::string text = "COMPLEX,N,TEMPLATE_FACTOR,COVERAGE_BEFORE,FITTED_FACTOR,COVERAGE_AFTER\n";
  for (const ComplexVariance& v : fit.complexes)
    text += CsvCell(v.complexName) + "," + std::to_string(v.individuals) + "," + Fixed(v.templateFactor, 6) + "," +
            Fixed(v.coverageBefore, 4) + "," + Fixed(v.fittedFactor, 6) + "," + Fixed(v.coverageAfter, 4) + "\n";
  text += "ALL," + std::to_string(fit.individuals) + "," + Fixed(fit.templateCaseFactor, 6) + "," +
          Fixed(fit.overallBefore, 4) + "," + Fixed(fit.fittedCaseFactor, 6) + "," + Fixed(fit.overallAfter, 4) + "\n";
  return text;
}

}  // namespace vorla::calib
