#include "calib/Validation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>

#include "calib/ParameterWriter.h"
#include "calib/TableText.h"
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

  void Add(const IndividualEstimate& e) {
    ++count;
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
      return f;
    }
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
    return f;
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

// The estimates of the individuals with one checked set, which every
// individual uses.
std::vector<IndividualEstimate> EstimateWith(std::shared_ptr<const CheckedParameters> set,
                                             const ReferenceSample& sample, const std::vector<std::size_t>& which,
                                             const ValidationOptions& options) {
  std::vector<std::size_t> indices = which;
  if (indices.empty())
    for (std::size_t i = 0; i < sample.individuals.size(); ++i) indices.push_back(i);
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
  settings.ownModels = ModelsOfRun(settings);
  // Each analysed case is kept just long enough for its posterior median.
  settings.keepCase = true;

  std::vector<IndividualEstimate> estimates(indices.size());
  // A parameter file that cannot be used ends the validation; the first
  // individual (in the order given) to meet it names the problem.
  std::vector<std::exception_ptr> fatal(indices.size());
  const auto estimate = [&](std::size_t n) {
    const ReferenceIndividual& person = sample.individuals[indices[n]];
    MemoryRow row = sample.Row(person, static_cast<std::int32_t>(indices[n] + 1));
    if (!options.model.empty()) row.Fill("HAZARDFUNC", options.model);
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
        } catch (const AnalysisError&) {
          e.posteriorMedian = NAN;
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

}  // namespace

std::vector<IndividualEstimate> EstimateAges(const std::string& parameterFile, const ReferenceSample& sample,
                                             const std::vector<std::size_t>& which, const ValidationOptions& options) {
  // The file is read and checked once.
  return EstimateWith(CheckParameterFile(parameterFile, {}), sample, which, options);
}

std::vector<IndividualEstimate> CrossValidate(const ParameterStructure& templateStructure,
                                              const ReferenceSample& sample, int folds,
                                              const CalibrationOptions& calibration, const ValidationOptions& options) {
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
    CalibrationResult fitted;
    try {
      fitted = Calibrate(templateStructure, training, fitOptions);
    } catch (const CalibrationError& e) {
      throw CalibrationError("Calibrating " + fold + ": " + e.what(), e.poolingMayHelp,
                             MoreFoldsMayHelp(templateStructure, sample, calibration));
    }
    // The fitted set is checked from the text a parameter file of it would
    // hold, so that the held-out individuals see the set as written.
    const std::string name = "calibrated for " + fold;
    const std::vector<IndividualEstimate> part = EstimateWith(
        CheckParameterText(ParameterFileText(fitted.parameters, name), name, {}), sample, heldOut, foldOptions);
    for (std::size_t j = 0; j < heldOut.size(); ++j) {
      estimates[heldOut[j]] = part[j];
      estimates[heldOut[j]].fold = k;
    }
  }
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
  }
  summary.overall = overall.Figures(level);
  for (std::size_t c = 0; c < byClass.size(); ++c) summary.byClass[c] = byClass[c].Figures(level);
  return summary;
}

std::string ValidationTableText(const ValidationSummary& s) {
  const std::string level = std::to_string(s.level) + " %";
  std::string text = s.folds > 0 ? std::to_string(s.folds) + "-fold cross-validation, pooled over the folds\n" : "";
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
  if (s.notAnalysed > 0)
    text += "\n" + std::to_string(s.notAnalysed) + " individual" + (s.notAnalysed == 1 ? " was" : "s were") +
            " not analysed and " + (s.notAnalysed == 1 ? "is" : "are") + " not counted (" + s.firstProblem +
            (s.notAnalysed > 1 ? "; ..." : "") + ").\n";
  return text;
}

std::string ValidationCasesCsv(const ReferenceSample& sample, const std::vector<IndividualEstimate>& estimates) {
  std::string text =
      "LINE,SKELETON_ID,SKELETON_NAME,AGE,ESTIMATE,LOW,HIGH,OPEN,CORRECTED_ESTIMATE,CORRECTED_LOW,CORRECTED_HIGH,"
      "CORRECTED_OPEN,FOLD,POSTERIOR_MEDIAN,MESSAGE\n";
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
    text += "\n";
  }
  return text;
}

std::string ValidationTableCsv(const ValidationSummary& s) {
  std::string text =
      "AGE_CLASS,N,BIAS,MAE,CORRECTED_BIAS,CORRECTED_MAE,COVERAGE,CORRECTED_COVERAGE,LEVEL,NOT_ANALYSED,RMSE,"
      "CORRECTED_RMSE,COVERAGE_P,CORRECTED_COVERAGE_P\n";
  for (const auto& [name, f] : Rows(s)) {
    const auto cell = [](double v, int decimals) { return std::isfinite(v) ? Fixed(v, decimals) : std::string(); };
    text += name + "," + std::to_string(f.count) + "," + cell(f.bias, 4) + "," + cell(f.meanAbsoluteError, 4) + "," +
            cell(f.correctedBias, 4) + "," + cell(f.correctedMeanAbsoluteError, 4) + "," + cell(f.coverage, 4) + "," +
            cell(f.correctedCoverage, 4) + "," + std::to_string(s.level) + "," + std::to_string(s.notAnalysed) + "," +
            cell(f.rootMeanSquareError, 4) + "," + cell(f.correctedRootMeanSquareError, 4) + "," +
            cell(f.coverageP, 6) + "," + cell(f.correctedCoverageP, 6) + "\n";
  }
  return text;
}

}  // namespace vorla::calib
