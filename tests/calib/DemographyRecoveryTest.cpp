// The mortality of simulated cemeteries: skeletons drawn with their ages
// from a known Gompertz-Makeham model, each read as the Analyze action reads
// it, and the model fitted to their combined uncorrected likelihoods. The
// profile intervals hold the true A, B and C as often as their level says.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>

#include "CalibTestSupport.h"
#include "calib/CaseProfileRun.h"
#include "calib/MortalityFit.h"
#include "calib/ReferenceSample.h"
#include "calib/Simulation.h"
#include "params/CaseRecord.h"

using namespace vorla;
using namespace vorla::calib;

namespace {

// The probability of a count as far from count * share as k or further, two-sided:
// the sum of the binomial probabilities no larger than that of k.
double BinomialTestProbability(int k, int trials, double share) {
  const auto probability = [&](int j) {
    return std::exp(std::lgamma(trials + 1.0) - std::lgamma(j + 1.0) - std::lgamma(trials - j + 1.0) +
                    j * std::log(share) + (trials - j) * std::log1p(-share));
  };
  const double atK = probability(k);
  double sum = 0.0;
  for (int j = 0; j <= trials; ++j)
    if (probability(j) <= atK * (1.0 + 1e-7)) sum += probability(j);
  return sum;
}

// The profiles of a cemetery of 2,000 skeletons drawn with this seed.
CaseProfiles Cemetery(const std::shared_ptr<const CheckedParameters>& set, const MortalityModel& truth,
                      std::uint64_t seed) {
  SimulationOptions options;
  options.count = 2000;
  options.seed = seed;
  options.ageModel = truth;
  std::ostringstream text;
  Simulate(set->structure, options, text);
  const ReferenceSample sample = ParseReferenceSample(text.str(), "cemetery.csv", set->structure, {});
  const auto layout = std::make_shared<const CaseLayout>(set.get());
  CaseProfiles profiles;
  for (std::size_t i = 0; i < sample.individuals.size(); ++i) {
    const MemoryRow row = sample.Row(sample.individuals[i], static_cast<std::int32_t>(i + 1));
    profiles.Add(ProfileOfCase(ReadCaseRecord(row, layout), *set));
  }
  return profiles;
}

// The demonstration set with every variance factor 1: the simulator draws
// every trait on its own, whose likelihood the analysis then takes whole.
// (A factor above 1 flattens the likelihood of a complex whose traits
// move together, which drawn traits do not.)
std::string SetWithoutVarianceFactors(const test::ScratchFolder& folder) {
  std::istringstream in(test::ScratchFolder::Read(test::DemoParameterFile()));
  std::string text, line;
  bool factorNext = false;
  for (int number = 1; std::getline(in, line); ++number) {
    if (number == 3 || factorNext) line = "1.0";
    factorNext = line.find("SUTURES") != std::string::npos || line.find("PUBIS") != std::string::npos ||
                 line.find("AURICULAR") != std::string::npos;
    text += line + "\n";
  }
  return folder.Write("Parameters.dat", text);
}

}  // namespace

TEST(BinomialTest, KnownProbabilities) {
  // Of 30 trials at 0.95: 28.5 expected; 30 is as likely as it gets beyond the mode 29.
  EXPECT_NEAR(BinomialTestProbability(29, 30, 0.95), 1.0, 1e-12);
  EXPECT_NEAR(BinomialTestProbability(5, 10, 0.5), 1.0, 1e-12);
  EXPECT_NEAR(BinomialTestProbability(0, 10, 0.5), 2.0 / 1024.0, 1e-12);
}

// Ten fixed seeds: every estimate lies within 4 standard errors of the
// truth, and the 30 intervals hold it at a rate a binomial test at 5 % finds
// consistent with 95 %. Each seed's figures are printed.
TEST(DemographyRecovery, ProfileIntervalsHoldTheTrueModelAtTheirLevel) {
  const test::ScratchFolder folder;
  const auto set = CheckParameterFile(SetWithoutVarianceFactors(folder), {});
  for (const ComplexStructure& c : set->structure.complexes) ASSERT_EQ(c.resvar, 1.0) << c.name;
  const MortalityModel truth{0.008, 1e-4, 0.08};
  const double trueValues[3] = {truth.A, truth.B, truth.C};
  int held = 0, intervals = 0;
  for (std::uint64_t seed = 1; seed <= 10; ++seed) {
    const MortalityEstimate fit = FitMortality(Cemetery(set, truth, seed), MortalityForm::Makeham, 95);
    ASSERT_TRUE(fit.determined) << "seed " << seed << ": " << fit.problem;
    EXPECT_EQ(fit.n, 2000u);
    std::cout << "[ demography ] seed " << seed;
    for (std::size_t k = 0; k < 3; ++k) {
      const ParameterEstimate& p = fit.parameters[k];
      ASSERT_TRUE(p.se && p.low && p.high) << "seed " << seed << " parameter " << k;
      const double z = (p.estimate - trueValues[k]) / *p.se;
      EXPECT_LT(std::abs(z), 4.0) << "seed " << seed << " parameter "
                                  << "ABC"[k];
      const bool holds = *p.low <= trueValues[k] && trueValues[k] <= *p.high;
      held += holds ? 1 : 0;
      ++intervals;
      std::cout << "  "
                << "ABC"[k] << " " << p.estimate << " (z " << z << (holds ? ", held)" : ", missed)");
    }
    std::cout << "\n";
  }
  std::cout << "[ demography ] " << held << " of " << intervals << " intervals hold the truth\n";
  EXPECT_GT(BinomialTestProbability(held, intervals, 0.95), 0.05) << held << " of " << intervals;
}
