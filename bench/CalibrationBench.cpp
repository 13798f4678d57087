// Speed of calibration and validation, and the recovery of known parameters
// from a large simulated sample (reported as counters).
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

std::string SampleText(std::size_t count, std::uint64_t seed) {
  SimulationOptions options;
  options.count = count;
  options.seed = seed;
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

// 20,000 skeletons per group drawn from the demonstration set and calibrated:
// how many fitted transition ages lie beyond 3 and 5 standard errors of the
// true ones.
void BM_RecoveryTwentyThousandPerGroup(benchmark::State& state) {
  const ReferenceSample sample = ParseReferenceSample(SampleText(80000, 2), "sample.csv", Demo(), {});
  CalibrationResult result;
  for (auto _ : state) result = Calibrate(Demo(), sample, {});
  double transitions = 0, beyond3 = 0, beyond5 = 0, worst = 0, sumZ = 0, sumZ2 = 0;
  std::size_t f = 0;
  for (const ComplexStructure& c : Demo().complexes)
    for (const ComponentStructure& k : c.components)
      for (int g = 1; g <= 4; ++g, ++f)
        for (int t = 0; t < k.transitions; ++t) {
          const TransitionRow& row = k.Row(t, g, 4);
          const TransitionEstimate& e = result.fits[f].fit.transitions[static_cast<std::size_t>(t)];
          const double z = (e.age + row.a / row.b) / e.ageSE;
          transitions += 1;
          beyond3 += std::abs(z) > 3 ? 1 : 0;
          beyond5 += std::abs(z) > 5 ? 1 : 0;
          worst = std::max(worst, std::abs(z));
          sumZ += z;
          sumZ2 += z * z;
        }
  state.counters["transitions"] = transitions;
  state.counters["within_3SE_share"] = 1.0 - beyond3 / transitions;
  state.counters["beyond_5SE"] = beyond5;
  state.counters["largest_z"] = worst;
  state.counters["mean_z"] = sumZ / transitions;
  state.counters["mean_z2"] = sumZ2 / transitions;
}
BENCHMARK(BM_RecoveryTwentyThousandPerGroup)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
