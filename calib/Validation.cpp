#include "calib/Validation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>

#include "calib/CaseProfileRun.h"
#include "calib/MortalityFit.h"
#include "calib/ParameterWriter.h"
#include "calib/TableText.h"
#include "calib/VarianceFit.h"
#include "engine/AgeQuestions.h"
#include "engine/AnalysisError.h"
#include "engine/PriorModels.h"
#include "params/CaseRun.h"
#include "params/ParallelWork.h"
#include "params/ParameterErrors.h"
#include "store/CsvText.h"
#include "store/Schema.h"

namespace vorla::calib {

namespace {

struct Sums {
  std::size_t count = 0;
  double error = 0.0, absError = 0.0, correctedError = 0.0, correctedAbsError = 0.0;
  double squaredError = 0.0, correctedSquaredError = 0.0;
  std::size_t inside = 0, correctedInside = 0;
  std::size_t scored = 0;
  double crps = 0.0, logScore = 0.0;
  std::array<double, ScoredThresholds.size()> brier{};
  std::size_t simpleCount = 0, simpleInside = 0;
  double simpleError = 0.0, simpleAbsError = 0.0, simpleSquaredError = 0.0;

  void Add(const IndividualEstimate& e) {
    ++count;
    if (std::isfinite(e.crps) && std::isfinite(e.logScore)) {
      ++scored;
      crps += e.crps;
      logScore += e.logScore;
      for (std::size_t t = 0; t < ScoredThresholds.size(); ++t) {
        const double outcome = e.age >= ScoredThresholds[t] ? 1.0 : 0.0;
        brier[t] += (e.atLeast[t] - outcome) * (e.atLeast[t] - outcome);
      }
    }
    if (e.simple) {
      ++simpleCount;
      simpleError += e.simpleEstimate - e.age;
      simpleAbsError += std::abs(e.simpleEstimate - e.age);
      simpleSquaredError += (e.simpleEstimate - e.age) * (e.simpleEstimate - e.age);
      simpleInside += e.simpleLow <= e.age && e.age <= e.simpleHigh ? 1 : 0;
    }
    squaredError += (e.estimate - e.age) * (e.estimate - e.age);
    correctedSquaredError += (e.corrected - e.age) * (e.corrected - e.age);
    error += e.estimate - e.age;
    absError += std::abs(e.estimate - e.age);
    correctedError += e.corrected - e.age;
    correctedAbsError += std::abs(e.corrected - e.age);
    inside += e.low <= e.age && e.age <= e.high ? 1 : 0;
    correctedInside += e.correctedLow <= e.age && e.age <= e.correctedHigh ? 1 : 0;
  }

  ClassFigures Figures(int level) const {
    ClassFigures f;
    f.count = count;
    if (count == 0) {
      f.bias = f.meanAbsoluteError = f.correctedBias = f.correctedMeanAbsoluteError = NAN;
      f.rootMeanSquareError = f.correctedRootMeanSquareError = NAN;
      f.coverage = f.correctedCoverage = f.coverageP = f.correctedCoverageP = NAN;
    } else {
      MainFigures(f, level);
    }
    f.scored = scored;
    if (scored > 0) {
      const double m = static_cast<double>(scored);
      f.crps = crps / m;
      f.logScore = logScore / m;
      for (std::size_t t = 0; t < brier.size(); ++t) f.brier[t] = brier[t] / m;
    } else {
      f.crps = f.logScore = NAN;
      f.brier.fill(NAN);
    }
    f.simpleCount = simpleCount;
    if (simpleCount > 0) {
      const double m = static_cast<double>(simpleCount);
      f.simpleBias = simpleError / m;
      f.simpleMeanAbsoluteError = simpleAbsError / m;
      f.simpleRootMeanSquareError = std::sqrt(simpleSquaredError / m);
      f.simpleCoverage = static_cast<double>(simpleInside) / m;
      f.simpleCoverageP = BinomialTestP(simpleInside, simpleCount, level / 100.0);
    } else {
      f.simpleBias = f.simpleMeanAbsoluteError = f.simpleRootMeanSquareError = NAN;
      f.simpleCoverage = f.simpleCoverageP = NAN;
    }
    return f;
  }

  void MainFigures(ClassFigures& f, int level) const {
    const double n = static_cast<double>(count);
    f.bias = error / n;
    f.meanAbsoluteError = absError / n;
    f.correctedBias = correctedError / n;
    f.correctedMeanAbsoluteError = correctedAbsError / n;
    f.coverage = static_cast<double>(inside) / n;
    f.correctedCoverage = static_cast<double>(correctedInside) / n;
    f.rootMeanSquareError = std::sqrt(squaredError / n);
    f.correctedRootMeanSquareError = std::sqrt(correctedSquaredError / n);
    f.coverageP = BinomialTestP(inside, count, level / 100.0);
    f.correctedCoverageP = BinomialTestP(correctedInside, count, level / 100.0);
  }
};

std::vector<std::pair<std::string, ClassFigures>> Rows(const ValidationSummary& s) {
  std::vector<std::pair<std::string, ClassFigures>> rows = {{"all", s.overall}};
  for (std::size_t c = 0; c < s.byClass.size(); ++c) rows.emplace_back(AgeClassNames[c], s.byClass[c]);
  return rows;
}

}  // namespace

namespace {

// More folds leave more of the sample to each calibration, but never all of
// it: with one individual held out, a side that has just the minimum in the
// whole sample falls short. So more folds can help only when the whole sample
// has at least one more than the minimum on every side of every transition.
bool MoreFoldsMayHelp(const ParameterStructure& templateStructure, const ReferenceSample& sample,
                      const CalibrationOptions& calibration) {
  CalibrationOptions stricter = calibration;
  stricter.minPerTransition = calibration.minPerTransition + 1;
  stricter.progress = nullptr;
  try {
    Calibrate(templateStructure, sample, stricter);
    return true;
  } catch (const CalibrationError&) {
    return false;
  }
}

std::string Open(double low, double high) {
  const bool openLow = low <= YoungestAge, openHigh = high >= OldestAge;
  return openLow && openHigh ? "both" : openLow ? "low" : openHigh ? "high" : "";
}

}  // namespace

std::vector<int> FoldOfEach(const ReferenceSample& sample, int folds) {
  std::mt19937_64 engine(20240601);
  std::vector<int> fold(sample.individuals.size(), 0);
  for (int g = 1; g <= 4; ++g) {
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < sample.individuals.size(); ++i)
      if (sample.individuals[i].group == g) members.push_back(i);
    for (std::size_t i = members.size(); i > 1; --i) {
      const auto j = static_cast<std::size_t>(static_cast<double>(engine() >> 11) * 0x1.0p-53 * static_cast<double>(i));
      std::swap(members[i - 1], members[j]);
    }
    for (std::size_t position = 0; position < members.size(); ++position)
      fold[members[position]] = static_cast<int>(position % static_cast<std::size_t>(folds));
  }
  return fold;
}

namespace {

// The settings every individual of a validation is analysed with under one checked set.
RunSettings SettingsOf(const std::shared_ptr<const CheckedParameters>& set, const ValidationOptions& options) {
  RunSettings settings;
  settings.level = options.level;
  settings.parameterFile = set->path;
  settings.tracePath.clear();  // no trace: the runs of a validation are not kept
  auto checked = std::make_shared<CheckedParameters>(*set);
  // The traits of the set's own are read from the rows as the built-in ones.
  CheckDeclaredSides(checked->structure, &IsBuiltInField);
  checked->ownTraits = OwnTraitsOf(checked->structure, &IsBuiltInField);
  settings.parameters = checked;
  settings.layout = LayoutOfRun(settings);
  settings.ownModels = options.ownModels ? options.ownModels : ModelsOfRun(settings);
  // Each analysed case is kept just long enough for its posterior.
  settings.keepCase = true;
  return settings;
}

// The name a fitted prior goes by in the runs of a validation.
std::string FittedPriorName(FittedPrior prior) {
  return prior == FittedPrior::Sample ? "sample" : "reference";
}

std::vector<std::size_t> AllOrThese(const ReferenceSample& sample, const std::vector<std::size_t>& which) {
  std::vector<std::size_t> indices = which;
  if (indices.empty())
    for (std::size_t i = 0; i < sample.individuals.size(); ++i) indices.push_back(i);
  return indices;
}

// The prior fitted on the training individuals, with the settings of the
// set their fold is analysed with.
MortalityModel FitPrior(const RunSettings& settings, const ReferenceSample& sample,
                        const std::vector<std::size_t>& training, const ValidationOptions& options, FoldNote& note,
                        const std::string& part) {
  if (options.fittedPrior == FittedPrior::Reference) {
    std::vector<double> ages;
    for (std::size_t i : training) ages.push_back(sample.individuals[i].age);
    note.priorCases = ages.size();
    try {
      return FitMortalityToAges(ages, options.jobs);
    } catch (const std::runtime_error& e) {
      throw std::runtime_error("The documented ages of " + part + " do not determine a mortality model: " + e.what());
    }
  }
  // The uncorrected likelihood of every training individual, read as the Analyze action reads it.
  std::vector<std::optional<GridValuesOfCase>> profiles(training.size());
  WorkerPool workers(options.jobs - 1);
  workers.ForEachIndex(training.size(), [&](std::size_t n) {
    const ReferenceIndividual& person = sample.individuals[training[n]];
    const MemoryRow row = sample.Row(person, static_cast<std::int32_t>(training[n] + 1));
    try {
      profiles[n] = ProfileOfCase(ReadCaseRecord(row, settings.layout, ComplexSelection{}), *settings.parameters);
    } catch (const std::exception&) {
      // A case the action refuses plays no part in the mortality, as in demography.
    }
  });
  CaseProfiles cases;
  for (const auto& profile : profiles) {
    if (!profile) continue;
    try {
      cases.Add(*profile);
    } catch (const std::invalid_argument&) {
    }
  }
  note.priorCases = cases.Count();
  if (cases.Count() == 0) throw std::runtime_error("No skeleton of " + part + " could be read for its mortality.");
  const MortalityEstimate fit = FitMortality(cases, MortalityForm::Makeham, 95, options.jobs);
  if (!fit.determined)
    throw std::runtime_error("The likelihoods of " + part + " do not determine a mortality model: " + fit.problem);
  return fit.model;
}

// The estimates of the individuals with the settings of one checked set,
// under the prior of `prior` when one was fitted.
std::vector<IndividualEstimate> EstimateWith(RunSettings settings, const ReferenceSample& sample,
                                             const std::vector<std::size_t>& which, const ValidationOptions& options,
                                             const std::optional<MortalityModel>& prior) {
  const std::vector<std::size_t> indices = AllOrThese(sample, which);
  std::string model = options.model;
  if (prior) {
    // The fitted model is the only model of the folder's own these runs know.
    model = FittedPriorName(options.fittedPrior);
    settings.ownModels = std::make_shared<const OwnMortalityModels>(
        OwnMortalityModels{OwnMortalityModel{model, prior->A, prior->B, prior->C}});
  }

  std::vector<IndividualEstimate> estimates(indices.size());
  // A parameter file that cannot be used ends the validation; the first
  // individual (in the order given) to meet it names the problem.
  std::vector<std::exception_ptr> fatal(indices.size());
  const auto estimate = [&](std::size_t n) {
    const ReferenceIndividual& person = sample.individuals[indices[n]];
    MemoryRow row = sample.Row(person, static_cast<std::int32_t>(indices[n] + 1));
    if (!model.empty()) row.Fill("HAZARDFUNC", model);
    IndividualEstimate& e = estimates[n];
    e.line = person.line;
    e.age = person.age;
    RowResult r;
    try {
      // The Analyze action's steps, the case kept for its posterior.
      CaseRecord record = ReadCaseRecord(row, settings.layout, ComplexSelection{});
      std::optional<CaseResults> results;
      r = AnalyzeRecord(record, settings, results);
      StoreCase(row, record, results);
      if (results && results->analysedCase) {
        const TTransisionsAnalyseDataSet& analysed = *results->analysedCase;
        try {
          const AnalysisSettings chosen = ChooseAnalysisSettings(options.level, "logit", analysed.HazardFunc,
                                                                 analysed.Sex, analysed.Race, *settings.ownModels);
          const PosteriorAge posterior =
              PosteriorOfCase(analysed, [&chosen](double x) { return HazardDensity(chosen.prior, x); });
          e.posteriorMedian = PosteriorQuantile(posterior, 0.5);
          e.crps = ContinuousRankedScore(posterior, e.age);
          e.logScore = LogScore(posterior, e.age);
          for (std::size_t t = 0; t < ScoredThresholds.size(); ++t)
            e.atLeast[t] = ProbabilityAtLeast(posterior, ScoredThresholds[t]);
        } catch (const AnalysisError&) {
          e.posteriorMedian = e.crps = e.logScore = NAN;
          e.atLeast.fill(NAN);
        }
        FreeAnalysisTree(results->analysedCase);
      }
    } catch (const ParameterVersionError&) {
      fatal[n] = std::current_exception();
      return;
    } catch (const ParameterFileError&) {
      fatal[n] = std::current_exception();
      return;
    } catch (const std::exception& failure) {
      r = {RowOutcome::Refused, failure.what(), {}};
    }
    if (r.outcome == RowOutcome::Analysed) {
      e.analysed = true;
      e.estimate = row.FieldAsFloat("RES_ALL_MAX_LIKELIHOOD");
      e.low = row.FieldAsFloat("RES_ALL_LOW95P_CONF");
      e.high = row.FieldAsFloat("RES_ALL_UPPER95P_CONF");
      e.corrected = row.FieldAsFloat("RES_ALLCOR_MAX_LIKELIHOOD");
      e.correctedLow = row.FieldAsFloat("RES_ALLCOR_LOW95P_CONF");
      e.correctedHigh = row.FieldAsFloat("RES_ALLCOR_UPPER95P_CONF");
    } else {
      e.message = r.message;
    }
  };
  // In blocks, so that progress is reported and a request to stop is heard
  // between them.
  const std::size_t block = options.jobs > 1 ? 16 * static_cast<std::size_t>(options.jobs) : 1;
  WorkerPool workers(options.jobs - 1);
  for (std::size_t first = 0; first < indices.size(); first += block) {
    Advance(options.progress, "analysing", first, indices.size());
    const std::size_t count = std::min(block, indices.size() - first);
    workers.ForEachIndex(count, [&](std::size_t i) { estimate(first + i); });
    for (std::size_t n = first; n < first + count; ++n)
      if (fatal[n]) std::rethrow_exception(fatal[n]);
  }
  Advance(options.progress, "analysing", indices.size(), indices.size());
  return estimates;
}

// The quantile q of sorted values, between neighbours on the straight line.
double SortedQuantile(const std::vector<double>& sorted, double q) {
  const double position = q * static_cast<double>(sorted.size() - 1);
  const auto below = static_cast<std::size_t>(std::floor(position));
  if (below + 1 >= sorted.size()) return sorted.back();
  return sorted[below] + (position - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

struct ScoreGroup {
  double lowestSum = 0.0, highestSum = 0.0;
  double mean = 0.0, low = 0.0, high = 0.0;
};

// The groups of the training individuals' sums, in increasing order of sum.
std::vector<ScoreGroup> ScoreGroups(std::vector<std::pair<double, double>> sumAndAge, int level) {
  std::sort(sumAndAge.begin(), sumAndAge.end());
  // Runs of one sum, pooled with the next until a group holds enough.
  std::vector<std::pair<std::size_t, std::size_t>> ranges;  // [first, last) into sumAndAge
  std::size_t first = 0;
  for (std::size_t i = 0; i < sumAndAge.size();) {
    std::size_t end = i;
    while (end < sumAndAge.size() && sumAndAge[end].first == sumAndAge[i].first) ++end;
    i = end;
    if (end - first >= LeastPerScoreGroup) {
      ranges.emplace_back(first, end);
      first = end;
    }
  }
  // Too few left at the top join the group below them.
  if (first < sumAndAge.size()) {
    if (ranges.empty())
      ranges.emplace_back(first, sumAndAge.size());
    else
      ranges.back().second = sumAndAge.size();
  }
  const double tail = (1.0 - level / 100.0) / 2.0;
  std::vector<ScoreGroup> groups;
  for (const auto& [from, to] : ranges) {
    std::vector<double> ages;
    for (std::size_t i = from; i < to; ++i) ages.push_back(sumAndAge[i].second);
    std::sort(ages.begin(), ages.end());
    ScoreGroup g;
    g.lowestSum = sumAndAge[from].first;
    g.highestSum = sumAndAge[to - 1].first;
    double total = 0.0;
    for (double a : ages) total += a;
    g.mean = total / static_cast<double>(ages.size());
    g.low = SortedQuantile(ages, tail);
    g.high = SortedQuantile(ages, 1.0 - tail);
    groups.push_back(g);
  }
  return groups;
}

const ScoreGroup& GroupOfSum(const std::vector<ScoreGroup>& groups, double sum) {
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (sum <= groups[g].highestSum) {
      if (g == 0 || sum >= groups[g].lowestSum) return groups[g];
      // Between two groups: the nearer, the lower at a tie.
      return sum - groups[g - 1].highestSum <= groups[g].lowestSum - sum ? groups[g - 1] : groups[g];
    }
  }
  return groups.back();
}

}  // namespace

std::optional<double> SummedStage(const ReferenceIndividual& individual) {
  double sum = 0.0;
  bool any = false;
  for (const ComponentStages& c : individual.stages) {
    double stages = 0.0;
    int sides = 0;
    for (std::size_t side = 0; side < 2; ++side)
      if (c.low[side] > 0) {
        stages += (c.low[side] + c.high[side]) / 2.0;
        ++sides;
      }
    if (sides == 0) continue;
    sum += stages / sides;
    any = true;
  }
  if (!any) return std::nullopt;
  return sum;
}

void AddSummedScoreEstimates(const ReferenceSample& sample, std::vector<IndividualEstimate>& estimates, int level) {
  const std::size_t n = std::min(sample.individuals.size(), estimates.size());
  std::vector<std::optional<double>> sums(n);
  for (std::size_t i = 0; i < n; ++i) sums[i] = SummedStage(sample.individuals[i]);
  std::vector<int> folds;
  for (std::size_t i = 0; i < n; ++i)
    if (std::find(folds.begin(), folds.end(), estimates[i].fold) == folds.end()) folds.push_back(estimates[i].fold);
  for (int fold : folds) {
    std::vector<std::pair<double, double>> training;
    for (std::size_t i = 0; i < n; ++i)
      if (sums[i] && (fold < 0 || estimates[i].fold != fold)) training.emplace_back(*sums[i], estimates[i].age);
    if (training.empty()) continue;
    const std::vector<ScoreGroup> groups = ScoreGroups(std::move(training), level);
    for (std::size_t i = 0; i < n; ++i) {
      IndividualEstimate& e = estimates[i];
      if (e.fold != fold || !sums[i]) continue;
      const ScoreGroup& g = GroupOfSum(groups, *sums[i]);
      e.simple = true;
      e.simpleEstimate = g.mean;
      e.simpleLow = g.low;
      e.simpleHigh = g.high;
    }
  }
}

MortalityModel FitMortalityToAges(const std::vector<double>& ages, int jobs) {
  // A documented age is a likelihood that is a point at that age: on the
  // grid, the two grid ages around it weighted by their nearness, so that
  // its integral against the model's shares is the density there on the
  // straight line between them.
  CaseProfiles cases;
  for (double age : ages) {
    if (!(age >= YoungestAge && age <= OldestAge))
      throw std::runtime_error("an age of " + Fixed(age, 1) + " lies outside 15 to 110 years");
    GridValuesOfCase profile{};
    const double y = (age - AgeGridStart) / AgeGridStep;
    const int j = std::min(static_cast<int>(std::floor(y)), AgeGridSize - 2);
    const double w = y - j;
    profile[static_cast<std::size_t>(j)] = 1.0 - w;
    profile[static_cast<std::size_t>(j) + 1] = w;
    cases.Add(profile);
  }
  if (cases.Count() == 0) throw std::runtime_error("there are no ages");
  const MortalityEstimate fit = FitMortality(cases, MortalityForm::Makeham, 95, jobs);
  if (!fit.determined) throw std::runtime_error(fit.problem);
  return fit.model;
}

double ContinuousRankedScore(const PosteriorAge& p, double age) {
  const double atAge = ProbabilityBelow(p, age);
  const auto below = [](double a, double b) { return (a * a + b * b) / 2.0; };
  const auto above = [](double a, double b) { return ((1.0 - a) * (1.0 - a) + (1.0 - b) * (1.0 - b)) / 2.0; };
  double sum = 0.0;
  for (int j = 0; j + 1 < AgeGridSize; ++j) {
    const auto i = static_cast<std::size_t>(j);
    const double a = GridAge(j), b = GridAge(j + 1);
    const double Fa = p.cumulative[i], Fb = p.cumulative[i + 1];
    if (b <= age)
      sum += (b - a) * below(Fa, Fb);
    else if (a >= age)
      sum += (b - a) * above(Fa, Fb);
    else
      sum += (age - a) * below(Fa, atAge) + (b - age) * above(atAge, Fb);
  }
  return sum;
}

double LogScore(const PosteriorAge& p, double age) {
  const double y = std::clamp((age - AgeGridStart) / AgeGridStep, 0.0, AgeGridSize - 1.0);
  const int j = std::min(static_cast<int>(std::floor(y)), AgeGridSize - 2);
  const auto i = static_cast<std::size_t>(j);
  const double density = p.density[i] + (y - j) * (p.density[i + 1] - p.density[i]);
  return -std::log(std::max(density, LeastScoredDensity));
}

std::vector<IndividualEstimate> EstimateAges(const std::string& parameterFile, const ReferenceSample& sample,
                                             const std::vector<std::size_t>& which, const ValidationOptions& options,
                                             std::vector<FoldNote>* notes) {
  // The file is read and checked once.
  const RunSettings settings = SettingsOf(CheckParameterFile(parameterFile, {}), options);
  std::optional<MortalityModel> prior;
  if (options.fittedPrior != FittedPrior::None) {
    FoldNote note;
    const std::vector<std::size_t> indices = AllOrThese(sample, which);
    note.training = indices.size();
    prior = FitPrior(settings, sample, indices, options, note, "the sample");
    note.prior = prior;
    if (notes) notes->push_back(note);
  }
  return EstimateWith(settings, sample, which, options, prior);
}

std::vector<IndividualEstimate> CrossValidate(const ParameterStructure& templateStructure,
                                              const ReferenceSample& sample, int folds,
                                              const CalibrationOptions& calibration, const ValidationOptions& options,
                                              std::vector<FoldNote>* notes) {
  const std::size_t n = sample.individuals.size();
  if (folds < 2 || static_cast<std::size_t>(folds) > n)
    throw std::invalid_argument("the number of folds lies between 2 and the number of individuals (" +
                                std::to_string(n) + "), not " + std::to_string(folds));
  std::vector<IndividualEstimate> estimates(n);
  const std::vector<int> foldOf = FoldOfEach(sample, folds);
  for (int k = 0; k < folds; ++k) {
    ReferenceSample training;
    training.fileName = sample.fileName;
    training.columns = sample.columns;
    training.layout = sample.layout;
    std::vector<std::size_t> heldOut;
    for (std::size_t i = 0; i < n; ++i) {
      if (foldOf[i] == k)
        heldOut.push_back(i);
      else
        training.individuals.push_back(sample.individuals[i]);
    }
    const std::string fold = "fold " + std::to_string(k + 1) + " of " + std::to_string(folds);
    // The progress of each fold's work, told as that fold's.
    Progress foldProgress;
    if (options.progress) {
      foldProgress.stopRequested = options.progress->stopRequested;
      if (options.progress->step)
        foldProgress.step = [&fold, &options](const std::string& what, std::size_t done, std::size_t total) {
          options.progress->step(fold + ": " + what, done, total);
        };
    }
    CalibrationOptions fitOptions = calibration;
    fitOptions.progress = options.progress ? &foldProgress : nullptr;
    ValidationOptions foldOptions = options;
    foldOptions.progress = fitOptions.progress;
    FoldNote note;
    note.fold = k;
    note.training = training.individuals.size();
    // The variance factors are chosen on the training part alone, by folds
    // within it, so that the held-out fold tests them.
    ParameterStructure foldStructure = templateStructure;
    if (options.fitVariance) {
      VarianceFitResult variance;
      try {
        variance = FitVarianceFactors(templateStructure, training, fitOptions);
      } catch (const CalibrationError& e) {
        throw CalibrationError("Fitting the variance factors for " + fold + ": " + e.what(), e.poolingMayHelp,
                               MoreFoldsMayHelp(templateStructure, sample, calibration));
      }
      ApplyVarianceFactors(variance, foldStructure);
      for (const ComplexVariance& c : variance.complexes)
        note.varianceFactors.emplace_back(c.complexName, c.fittedFactor);
      note.varianceFactors.emplace_back("case", variance.fittedCaseFactor);
    }
    CalibrationResult fitted;
    try {
      fitted = Calibrate(foldStructure, training, fitOptions);
    } catch (const CalibrationError& e) {
      throw CalibrationError("Calibrating " + fold + ": " + e.what(), e.poolingMayHelp,
                             MoreFoldsMayHelp(templateStructure, sample, calibration));
    }
    // The fitted set is checked from the text a parameter file of it would
    // hold, so that the held-out individuals see the set as written.
    const std::string name = "calibrated for " + fold;
    const RunSettings settings =
        SettingsOf(CheckParameterText(ParameterFileText(fitted.parameters, name), name, {}), foldOptions);
    std::optional<MortalityModel> prior;
    if (options.fittedPrior != FittedPrior::None) {
      prior = FitPrior(settings, training, AllOrThese(training, {}), foldOptions, note, "the training part of " + fold);
      note.prior = prior;
    }
    if (notes) notes->push_back(note);
    const std::vector<IndividualEstimate> part = EstimateWith(settings, sample, heldOut, foldOptions, prior);
    for (std::size_t j = 0; j < heldOut.size(); ++j) {
      estimates[heldOut[j]] = part[j];
      estimates[heldOut[j]].fold = k;
    }
  }
  AddSummedScoreEstimates(sample, estimates, options.level);
  return estimates;
}

double BinomialTestP(std::size_t k, std::size_t n, double p) {
  if (n == 0) return 1.0;
  if (p <= 0.0) return k == 0 ? 1.0 : 0.0;
  if (p >= 1.0) return k == n ? 1.0 : 0.0;
  const double N = static_cast<double>(n);
  const auto logPmf = [&](std::size_t j) {
    const double J = static_cast<double>(j);
    return std::lgamma(N + 1) - std::lgamma(J + 1) - std::lgamma(N - J + 1) + J * std::log(p) +
           (N - J) * std::log1p(-p);
  };
  // Counts as probable as k within a relative 1e-7 count as no more probable.
  const double limit = logPmf(k) + 1e-7;
  double sum = 0.0;
  for (std::size_t j = 0; j <= n; ++j) {
    const double l = logPmf(j);
    if (l <= limit) sum += std::exp(l);
  }
  return std::min(1.0, sum);
}

ValidationSummary Summarise(const std::vector<IndividualEstimate>& estimates, int level) {
  ValidationSummary summary;
  summary.level = level;
  Sums overall;
  std::array<Sums, 4> byClass;
  for (const IndividualEstimate& e : estimates) {
    if (!e.analysed) {
      if (summary.notAnalysed++ == 0) summary.firstProblem = "line " + std::to_string(e.line) + ": " + e.message;
      continue;
    }
    overall.Add(e);
    byClass[static_cast<std::size_t>(AgeClass(e.age))].Add(e);
    if (!std::isfinite(e.crps) || !std::isfinite(e.logScore)) continue;
    for (std::size_t t = 0; t < ScoredThresholds.size(); ++t) {
      const double p = e.atLeast[t];
      ReliabilityBin& bin = summary.reliability[t][std::min<std::size_t>(9, static_cast<std::size_t>(p * 10.0))];
      ++bin.count;
      bin.meanProbability += p;
      bin.observedShare += e.age >= ScoredThresholds[t] ? 1.0 : 0.0;
    }
  }
  summary.overall = overall.Figures(level);
  for (std::size_t c = 0; c < byClass.size(); ++c) summary.byClass[c] = byClass[c].Figures(level);
  for (auto& bins : summary.reliability)
    for (ReliabilityBin& bin : bins) {
      const double n = static_cast<double>(bin.count);
      bin.meanProbability = bin.count > 0 ? bin.meanProbability / n : NAN;
      bin.observedShare = bin.count > 0 ? bin.observedShare / n : NAN;
    }
  return summary;
}

namespace {

std::string Padded(const std::string& name, std::size_t width) {
  return name + std::string(name.size() < width ? width - name.size() : 0, ' ');
}

std::string Number(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.4g", v);
  return buffer;
}

// Where the prior came from, and what each fold fitted besides its transitions.
std::string PriorAndFoldsText(const ValidationSummary& s) {
  std::string text;
  const std::string parts = s.folds > 0 ? "the training folds (never the fold tested)" : "the skeletons tested";
  if (s.fittedPrior == FittedPrior::Sample)
    text +=
        "Prior of the corrected estimate and the posterior: the mortality fitted on the uncorrected\n"
        "likelihoods of " +
        parts + ".\n";
  else if (s.fittedPrior == FittedPrior::Reference)
    text +=
        "Prior of the corrected estimate and the posterior: a Gompertz-Makeham model fitted by maximum\n"
        "likelihood to the documented ages of " +
        parts + ".\n";
  else if (!s.priorName.empty())
    text += "Prior of the corrected estimate and the posterior: " + s.priorName + ", for every skeleton.\n";
  for (const FoldNote& n : s.notes) {
    if (!n.prior && n.varianceFactors.empty()) continue;
    text += "  " + (n.fold >= 0 ? "fold " + std::to_string(n.fold + 1) : std::string("all")) + " (" +
            std::to_string(n.training) + " training skeletons):";
    if (n.prior)
      text += " prior A = " + Number(n.prior->A) + ", B = " + Number(n.prior->B) + ", C = " + Number(n.prior->C) +
              " (" + std::to_string(n.priorCases) + " skeletons)" + (n.varianceFactors.empty() ? "" : ";");
    if (!n.varianceFactors.empty()) {
      text += " variance factors";
      for (std::size_t i = 0; i < n.varianceFactors.size(); ++i)
        text += (i == 0 ? " " : ", ") + n.varianceFactors[i].first + " " + Fixed(n.varianceFactors[i].second, 2);
    }
    text += "\n";
  }
  if (s.fitVariance)
    text +=
        "The variance factors of each fold were chosen on its training folds alone, by 5 folds within them,\n"
        "so the coverage below is tested on skeletons they were not chosen on.\n";
  return text.empty() ? text : text + "\n";
}

std::string PosteriorScoresText(const ValidationSummary& s) {
  if (s.overall.scored == 0) return "";
  std::string text =
      "\nScores of the posterior under the prior of the corrected estimate (lower is better): CRPS in\n"
      "years; log score, -ln of the posterior density at the documented age; Brier score of P(age >= t).\n";
  text += "Age class      N      CRPS  Log score  Brier 30  Brier 50  Brier 70\n";
  for (const auto& [name, f] : Rows(s)) {
    text += Padded(name, 9) + Right(std::to_string(f.scored), 6) + Right(Fixed(f.crps, 2), 10) +
            Right(Fixed(f.logScore, 3), 11);
    for (double b : f.brier) text += Right(Fixed(b, 4), 10);
    text += "\n";
  }
  text +=
      "\nReliability of P(age >= t): the skeletons by the probability the posterior gave them, the mean of\n"
      "that probability, and the share of them that were t or older.\n";
  text += "              ";
  for (double t : ScoredThresholds) text += "  ------- t = " + Fixed(t, 0) + " -------";
  text += "\nProbability   ";
  for (std::size_t t = 0; t < ScoredThresholds.size(); ++t)
    text += Right("N", 7) + Right("Given", 8) + Right("Share", 8);
  text += "\n";
  for (std::size_t b = 0; b < 10; ++b) {
    text += Padded(Fixed(b / 10.0, 1) + "-" + Fixed((b + 1) / 10.0, 1), 14);
    for (const auto& bins : s.reliability) {
      const ReliabilityBin& bin = bins[b];
      text += Right(std::to_string(bin.count), 7) + Right(bin.count ? Fixed(bin.meanProbability, 3) : "-", 8) +
              Right(bin.count ? Fixed(bin.observedShare, 3) : "-", 8);
    }
    text += "\n";
  }
  return text;
}

// Which of two mean absolute errors is smaller, in words.
std::string CompareErrors(const std::string& what, double mae, double simple) {
  if (std::abs(mae - simple) < 0.005)
    return what + " and the summed-score means are equally good (" + Fixed(mae, 2) + " years)";
  return what + " is " + (mae < simple ? "better" : "worse") + " than the summed-score means (" + Fixed(mae, 2) +
         " against " + Fixed(simple, 2) + " years)";
}

std::string SimpleAlternativeText(const ValidationSummary& s) {
  const ClassFigures& all = s.overall;
  if (all.simpleCount == 0) return "";
  const std::string level = std::to_string(s.level) + " %";
  std::string text = "\nThe simple alternative on the same " + std::string(s.folds > 0 ? "folds" : "skeletons") +
                     ": each skeleton gets the mean documented age of the training\n"
                     "skeletons with the same summed stage (neighbouring sums pooled until each group holds at least " +
                     std::to_string(LeastPerScoreGroup) + "),\nand the range of their middle " + level +
                     " as its interval.\n";
  text +=
      "                   ------------ summed-score means ------------   ---------- corrected estimate ----------\n";
  text += "Age class      N      Bias       MAE      RMSE  Coverage         Bias       MAE      RMSE  Coverage\n";
  for (const auto& [name, f] : Rows(s)) {
    text += Padded(name, 9) + Right(std::to_string(f.simpleCount), 6) + Right(Fixed(f.simpleBias, 2), 10) +
            Right(Fixed(f.simpleMeanAbsoluteError, 2), 10) + Right(Fixed(f.simpleRootMeanSquareError, 2), 10) +
            Right(Percent(f.simpleCoverage), 10) + Right(Fixed(f.correctedBias, 2), 13) +
            Right(Fixed(f.correctedMeanAbsoluteError, 2), 10) + Right(Fixed(f.correctedRootMeanSquareError, 2), 10) +
            Right(Percent(f.correctedCoverage), 10) + "\n";
  }
  text += "By the mean absolute error over all ages, " +
          CompareErrors("the corrected estimate", all.correctedMeanAbsoluteError, all.simpleMeanAbsoluteError) + ";\n" +
          CompareErrors("the uncorrected estimate", all.meanAbsoluteError, all.simpleMeanAbsoluteError) + ".\n";
  const double goal = s.level / 100.0;
  const double corrected = std::abs(all.correctedCoverage - goal), simple = std::abs(all.simpleCoverage - goal);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "p = %.3g", all.simpleCoverageP);
  text += "By coverage, the corrected intervals (" + Percent(all.correctedCoverage) + ")\n" +
          (std::abs(corrected - simple) < 0.0005 ? "lie as near"
           : corrected < simple                  ? "lie nearer"
                                                 : "lie farther from") +
          " the " + level + " level " + (std::abs(corrected - simple) < 0.0005 ? "as" : "than") +
          " the summed-score ranges (" + Percent(all.simpleCoverage) + ", " + buffer + ").\n";
  return text;
}

}  // namespace

std::string ValidationTableText(const ValidationSummary& s) {
  const std::string level = std::to_string(s.level) + " %";
  std::string text = s.folds > 0 ? std::to_string(s.folds) + "-fold cross-validation, pooled over the folds\n" : "";
  text += PriorAndFoldsText(s);
  text +=
      "Error = estimate - documented age, in years. Coverage: share of documented ages\n"
      "inside the " +
      level + " interval.\n\n";
  text += "                   -------- uncorrected --------   --------- corrected ---------   --- coverage ---\n";
  text += "Age class      N      Bias       MAE      RMSE         Bias       MAE      RMSE       Uncorr.   Corr.\n";
  for (const auto& [name, f] : Rows(s)) {
    text += name + std::string(name.size() < 9 ? 9 - name.size() : 0, ' ') + Right(std::to_string(f.count), 6) +
            Right(Fixed(f.bias, 2), 10) + Right(Fixed(f.meanAbsoluteError, 2), 10) +
            Right(Fixed(f.rootMeanSquareError, 2), 10) + Right(Fixed(f.correctedBias, 2), 13) +
            Right(Fixed(f.correctedMeanAbsoluteError, 2), 10) + Right(Fixed(f.correctedRootMeanSquareError, 2), 10) +
            Right(Percent(f.coverage), 14) + Right(Percent(f.correctedCoverage), 9) + "\n";
  }
  // Whether a coverage this far from the level could be chance.
  const auto verdict = [&](double share, double p) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%s, p = %.3g: %s", Percent(share).c_str(), p,
                  p < 0.05 ? (share < s.level / 100.0 ? "too few inside; the intervals are too narrow"
                                                      : "too many inside; the intervals are wider than they need be")
                           : "consistent with the level");
    return std::string(buffer);
  };
  if (s.overall.count > 0)
    text += "\nCoverage tested against " + level + " (two-sided exact binomial test, all ages):\n  uncorrected " +
            verdict(s.overall.coverage, s.overall.coverageP) + "\n  corrected   " +
            verdict(s.overall.correctedCoverage, s.overall.correctedCoverageP) + "\n";
  text += PosteriorScoresText(s);
  text += SimpleAlternativeText(s);
  if (s.notAnalysed > 0)
    text += "\n" + std::to_string(s.notAnalysed) + " individual" + (s.notAnalysed == 1 ? " was" : "s were") +
            " not analysed and " + (s.notAnalysed == 1 ? "is" : "are") + " not counted (" + s.firstProblem +
            (s.notAnalysed > 1 ? "; ..." : "") + ").\n";
  return text;
}

std::string ValidationCasesCsv(const ReferenceSample& sample, const std::vector<IndividualEstimate>& estimates) {
  std::string text =
      "LINE,SKELETON_ID,SKELETON_NAME,AGE,ESTIMATE,LOW,HIGH,OPEN,CORRECTED_ESTIMATE,CORRECTED_LOW,CORRECTED_HIGH,"
      "CORRECTED_OPEN,FOLD,POSTERIOR_MEDIAN,MESSAGE,CRPS,LOG_SCORE,P_AT_LEAST_30,P_AT_LEAST_50,P_AT_LEAST_70,"
      "SIMPLE_ESTIMATE,SIMPLE_LOW,SIMPLE_HIGH\n";
  const auto number = [](double v) { return Fixed(v, 1); };
  for (std::size_t i = 0; i < estimates.size() && i < sample.individuals.size(); ++i) {
    const IndividualEstimate& e = estimates[i];
    const ReferenceIndividual& person = sample.individuals[i];
    text += std::to_string(person.line) + "," + CsvCell(sample.Cell(person, "SKELETON_ID")) + "," +
            CsvCell(sample.Cell(person, "SKELETON_NAME")) + "," + ExactReal(person.age) + ",";
    const std::string fold = e.fold >= 0 ? std::to_string(e.fold + 1) : "";
    if (e.analysed)
      text += number(e.estimate) + "," + number(e.low) + "," + number(e.high) + "," + Open(e.low, e.high) + "," +
              number(e.corrected) + "," + number(e.correctedLow) + "," + number(e.correctedHigh) + "," +
              Open(e.correctedLow, e.correctedHigh) + "," + fold + "," +
              (std::isfinite(e.posteriorMedian) ? Fixed(e.posteriorMedian, 2) : std::string()) + ",";
    else
      text += ",,,,,,,," + fold + ",," + CsvCell(e.message);
    const auto finite = [](double v, int decimals) { return std::isfinite(v) ? Fixed(v, decimals) : std::string(); };
    text += "," + finite(e.crps, 3) + "," + finite(e.logScore, 4);
    for (double p : e.atLeast) text += "," + finite(p, 4);
    if (e.simple)
      text += "," + Fixed(e.simpleEstimate, 2) + "," + Fixed(e.simpleLow, 2) + "," + Fixed(e.simpleHigh, 2);
    else
      text += ",,,";
    text += "\n";
  }
  return text;
}

std::string ValidationTableCsv(const ValidationSummary& s) {
  std::string text =
      "AGE_CLASS,N,BIAS,MAE,CORRECTED_BIAS,CORRECTED_MAE,COVERAGE,CORRECTED_COVERAGE,LEVEL,NOT_ANALYSED,RMSE,"
      "CORRECTED_RMSE,COVERAGE_P,CORRECTED_COVERAGE_P,CRPS,LOG_SCORE,BRIER_30,BRIER_50,BRIER_70,SIMPLE_BIAS,SIMPLE_MAE,"
      "SIMPLE_RMSE,SIMPLE_COVERAGE,SIMPLE_COVERAGE_P\n";
  for (const auto& [name, f] : Rows(s)) {
    const auto cell = [](double v, int decimals) { return std::isfinite(v) ? Fixed(v, decimals) : std::string(); };
    text += name + "," + std::to_string(f.count) + "," + cell(f.bias, 4) + "," + cell(f.meanAbsoluteError, 4) + "," +
            cell(f.correctedBias, 4) + "," + cell(f.correctedMeanAbsoluteError, 4) + "," + cell(f.coverage, 4) + "," +
            cell(f.correctedCoverage, 4) + "," + std::to_string(s.level) + "," + std::to_string(s.notAnalysed) + "," +
            cell(f.rootMeanSquareError, 4) + "," + cell(f.correctedRootMeanSquareError, 4) + "," +
            cell(f.coverageP, 6) + "," + cell(f.correctedCoverageP, 6) + "," + cell(f.crps, 4) + "," +
            cell(f.logScore, 4) + "," + cell(f.brier[0], 4) + "," + cell(f.brier[1], 4) + "," + cell(f.brier[2], 4) +
            "," + cell(f.simpleBias, 4) + "," + cell(f.simpleMeanAbsoluteError, 4) + "," +
            cell(f.simpleRootMeanSquareError, 4) + "," + cell(f.simpleCoverage, 4) + "," + cell(f.simpleCoverageP, 6) +
            "\n";
  }
  return text;
}

}  // namespace vorla::calib
