// Calibration recovers the parameters a sample was drawn from, when the
// sample follows the model the calibration fits (one stage per trait and
// skeleton, recorded on both sides); and what it does when the sides of a
// paired trait are drawn on their own.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

#include "CalibTestSupport.h"
#include "calib/Calibration.h"

using namespace vorla::calib;

namespace {

struct RecoveryCount {
  std::size_t transitions = 0, beyond3 = 0, beyond5 = 0;
  double worst = 0.0;
};

// 2,000 skeletons per group drawn from the demonstration set with this seed,
// calibrated: how far the fitted transition ages lie from the true ones, in
// their standard errors.
RecoveryCount RecoverWithSeed(const ParameterStructure& truth, std::uint64_t seed) {
  const ReferenceSample sample = test::SimulatedSample(truth, 8000, seed, 0, 18.0, 95.0, SideDraw::Same);
  const CalibrationResult result = Calibrate(truth, sample, {});
  RecoveryCount count;
  EXPECT_EQ(result.fits.size(), truth.ComponentCount() * 4);
  std::size_t f = 0;
  for (const ComplexStructure& c : truth.complexes)
    for (const ComponentStructure& k : c.components)
      for (int g = 1; g <= 4; ++g, ++f) {
        const FitReport& report = result.fits[f];
        EXPECT_EQ(report.componentName, k.name);
        EXPECT_EQ(report.fit.individuals, 2000);
        for (int t = 0; t < k.transitions; ++t) {
          const TransitionRow& row = k.Row(t, g, 4);
          const TransitionEstimate& e = report.fit.transitions[static_cast<std::size_t>(t)];
          EXPECT_TRUE(std::isfinite(e.ageSE) && e.ageSE > 0) << k.name << " group " << g;
          const double z = std::abs(e.age - (-row.a / row.b)) / e.ageSE;
          ++count.transitions;
          count.beyond3 += z > 3 ? 1 : 0;
          count.beyond5 += z > 5 ? 1 : 0;
          count.worst = std::max(count.worst, z);
        }
      }
  return count;
}

}  // namespace

// Ten fixed seeds: no fitted transition age lies beyond 5 standard errors of
// the true one, and over all ten at least 99 % lie within 3. Each seed's
// figures are printed: a single seed of 284 transitions may hold 3 beyond
// 3 SE (seeds 1 and 4 do) while the errors are as normal as can be, since
// 0.27 % of normal errors lie beyond 3 SE.
TEST(Recovery, FittedTransitionAgesLieWithinTheirErrorsOfTheTrueOnes) {
  const ParameterStructure truth = ReadParameterStructure(test::DemoParameterFile());
  RecoveryCount all;
  for (std::uint64_t seed = 1; seed <= 10; ++seed) {
    const RecoveryCount count = RecoverWithSeed(truth, seed);
    std::cout << "[ recovery ] seed " << seed << ": " << count.transitions << " transitions, " << count.beyond3
              << " beyond 3 SE, " << count.beyond5 << " beyond 5 SE, largest " << count.worst << " SE\n";
    EXPECT_EQ(count.beyond5, 0u) << "seed " << seed;
    all.transitions += count.transitions;
    all.beyond3 += count.beyond3;
  }
  EXPECT_EQ(all.transitions, 2840u);
  EXPECT_LE(static_cast<double>(all.beyond3), 0.01 * static_cast<double>(all.transitions));
}

// With each side drawn on its own, identical sides still count once in the
// fit, so a paired trait's slopes come out flatter than the truth; an
// unpaired trait's do not.
TEST(RecoveryWithIndependentSides, PairedSlopesComeOutFlatter) {
  const ParameterStructure truth = test::SmallStructure();
  const ReferenceSample sample = test::SimulatedSample(truth, 20000, 1, 0, 18.0, 95.0, SideDraw::Independent);
  const CalibrationResult result = Calibrate(truth, sample, {});
  double ratio[2] = {0.0, 0.0};
  int count[2] = {0, 0};
  std::size_t f = 0;
  for (const ComplexStructure& c : truth.complexes)
    for (const ComponentStructure& k : c.components)
      for (int g = 1; g <= 4; ++g, ++f)
        for (int t = 0; t < k.transitions; ++t) {
          ratio[k.Paired() ? 1 : 0] += result.fits[f].fit.transitions[static_cast<std::size_t>(t)].b / k.Row(t, g, 4).b;
          ++count[k.Paired() ? 1 : 0];
        }
  const double unpaired = ratio[0] / count[0], paired = ratio[1] / count[1];
  std::cout << "[ slopes ] fitted over true slope, mean: unpaired " << unpaired << ", paired " << paired << "\n";
  EXPECT_NEAR(unpaired, 1.0, 0.03);
  EXPECT_LT(paired, 0.95);
}
