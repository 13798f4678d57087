// Speed of calibration and validation, and the recovery of known parameters
// from large simulated samples (reported as counters).
#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>

#include "calib/Calibration.h"
#include "calib/ParameterStructure.h"
#include "calib/Simulation.h"
#include "calib/Validation.h"

using namespace vorla::calib;

namespace {

const ParameterStructure& Demo() {
  static const ParameterStructure demo = ReadParameterStructure(VORLA_DEMO_PARAMETERS);
  return demo;
}

std::string SampleText(std::size_t count, std::uint64_t seed, SideDraw sides = SideDraw::Same) {
  SimulationOptions options;
  options.count = count;
  options.seed = seed;
  options.sides = sides;
  std::ostringstream text;
  Simulate(Demo(), options, text);
  return text.str();
}

// Reading 8,000 reference skeletons and calibrating all 19 traits for the
// four groups, as `vorla-cli calibrate` does.
void BM_CalibrateEightThousand(benchmark::State& state) {
  const std::string text = SampleText(8000, 1);
  for (auto _ : state) {
    const ReferenceSample sample = ParseReferenceSample(text, "sample.csv", Demo(), {});
    benchmark::DoNotOptimize(Calibrate(Demo(), sample, {}));
  }
  state.counters["skeletons"] = 8000;
}
BENCHMARK(BM_CalibrateEightThousand)->Unit(benchmark::kMillisecond);

// The fits alone, on a sample already read.
void BM_FitsOfEightThousand(benchmark::State& state) {
  const ReferenceSample sample = ParseReferenceSample(SampleText(8000, 1), "sample.csv", Demo(), {});
  for (auto _ : state) benchmark::DoNotOptimize(Calibrate(Demo(), sample, {}));
}
BENCHMARK(BM_FitsOfEightThousand)->Unit(benchmark::kMillisecond);

// The analysis of one reference skeleton in a validation (the Analyze chain on a row in memory).
void BM_ValidateOneSkeleton(benchmark::State& state) {
  const ReferenceSample sample = ParseReferenceSample(SampleText(200, 5), "sample.csv", Demo(), {});
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(EstimateAges(VORLA_DEMO_PARAMETERS, sample, {i}, {}));
    i = (i + 1) % sample.individuals.size();
  }
}
BENCHMARK(BM_ValidateOneSkeleton)->Unit(benchmark::kMicrosecond);

// How far the fitted transition ages of a calibration lie from the true ones,
// in standard errors.
struct Recovery {
  double transitions = 0, beyond3 = 0, beyond5 = 0, worst = 0, sumZ = 0, sumZ2 = 0;
};

Recovery MeasureRecovery(const CalibrationResult& result) {
  Recovery r;
  std::size_t f = 0;
  for (const ComplexStructure& c : Demo().complexes)
    for (const ComponentStructure& k : c.components)
      for (int g = 1; g <= 4; ++g, ++f)
        for (int t = 0; t < k.transitions; ++t) {
          const TransitionRow& row = k.Row(t, g, 4);
          const TransitionEstimate& e = result.fits[f].fit.transitions[static_cast<std::size_t>(t)];
          const double z = (e.age + row.a / row.b) / e.ageSE;
          r.transitions += 1;
          r.beyond3 += std::abs(z) > 3 ? 1 : 0;
          r.beyond5 += std::abs(z) > 5 ? 1 : 0;
          r.worst = std::max(r.worst, std::abs(z));
          r.sumZ += z;
          r.sumZ2 += z * z;
        }
  return r;
}

void ReportRecovery(benchmark::State& state, const Recovery& r) {
  state.counters["transitions"] = r.transitions;
  state.counters["within_3SE_share"] = 1.0 - r.beyond3 / r.transitions;
  state.counters["beyond_5SE"] = r.beyond5;
  state.counters["largest_z"] = r.worst;
  state.counters["mean_z"] = r.sumZ / r.transitions;
  state.counters["mean_z2"] = r.sumZ2 / r.transitions;
}

// 20,000 skeletons per group drawn from the demonstration set (one stage per
// trait, on both sides) and calibrated: at least 99 % of the fitted
// transition ages lie within 3 standard errors of the true ones and none
// beyond 5, or the benchmark reports an error.
void BM_RecoveryTwentyThousandPerGroup(benchmark::State& state) {
  const ReferenceSample sample = ParseReferenceSample(SampleText(80000, 2), "sample.csv", Demo(), {});
  CalibrationResult result;
  for (auto _ : state) result = Calibrate(Demo(), sample, {});
  const Recovery r = MeasureRecovery(result);
  ReportRecovery(state, r);
  if (r.beyond3 > 0.01 * r.transitions || r.beyond5 > 0)
    state.SkipWithError("the fitted transition ages do not recover the true ones");
}
BENCHMARK(BM_RecoveryTwentyThousandPerGroup)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same with each side of a paired trait drawn on its own: how much
// flatter the fitted slopes b come out than the true ones, as the mean, the
// smallest and the largest ratio of fitted to true slope, for the paired and
// the unpaired traits; and the recovery of the transition ages.
void BM_SlopesWithIndependentSides(benchmark::State& state) {
  const ReferenceSample sample =
      ParseReferenceSample(SampleText(80000, 2, SideDraw::Independent), "sample.csv", Demo(), {});
  CalibrationResult result;
  for (auto _ : state) result = Calibrate(Demo(), sample, {});
  double sum[2] = {0, 0}, count[2] = {0, 0}, lowest[2] = {1e9, 1e9}, highest[2] = {0, 0};
  std::size_t f = 0;
  for (const ComplexStructure& c : Demo().complexes)
    for (const ComponentStructure& k : c.components)
      for (int g = 1; g <= 4; ++g, ++f)
        for (int t = 0; t < k.transitions; ++t) {
          const double ratio = result.fits[f].fit.transitions[static_cast<std::size_t>(t)].b / k.Row(t, g, 4).b;
          const int p = k.Paired() ? 1 : 0;
          sum[p] += ratio;
          count[p] += 1;
          lowest[p] = std::min(lowest[p], ratio);
          highest[p] = std::max(highest[p], ratio);
        }
  ReportRecovery(state, MeasureRecovery(result));
  state.counters["paired_slope_ratio_mean"] = sum[1] / count[1];
  state.counters["paired_slope_ratio_min"] = lowest[1];
  state.counters["paired_slope_ratio_max"] = highest[1];
  state.counters["unpaired_slope_ratio_mean"] = sum[0] / count[0];
  state.counters["unpaired_slope_ratio_min"] = lowest[0];
  state.counters["unpaired_slope_ratio_max"] = highest[0];
}
BENCHMARK(BM_SlopesWithIndependentSides)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
