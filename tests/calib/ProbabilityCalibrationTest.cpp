// Whether the probability of an age threshold means what it says: among
// individuals drawn from the forensic prior itself, those given P(age >= 50)
// near p are 50 or older about a share p of the time.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "CalibTestSupport.h"
#include "calib/ParameterWriter.h"
#include "calib/Simulation.h"
#include "params/AgeQuestionRun.h"
#include "params/ParameterCheck.h"

using namespace vorla;
using namespace vorla::calib;

namespace {

constexpr int Bins = 5;

struct Bin {
  std::size_t count = 0, fiftyOrOlder = 0;
  double probabilitySum = 0.0;
  double Mean() const { return probabilitySum / count; }
  double Observed() const { return static_cast<double>(fiftyOrOlder) / count; }
  double StandardError() const { return std::sqrt(Mean() * (1.0 - Mean()) / count); }
};

// P(age >= 50) for every individual of the sample under the parameter file,
// binned by the probability.
std::array<Bin, Bins> Calibration(const std::string& parameterFile, const ReferenceSample& sample,
                                  std::size_t* unanswered) {
  const auto checked = CheckParameterFile(parameterFile, {});
  const AgeQuestionSet questions{{50.0}, std::nullopt, 95};
  std::array<Bin, Bins> bins{};
  for (std::size_t i = 0; i < sample.individuals.size(); ++i) {
    const ReferenceIndividual& person = sample.individuals[i];
    const MemoryRow row = sample.Row(person, static_cast<std::int32_t>(i + 1));
    const RowAgeAnswers r = AskAboutRow(row, ComplexSelection{}, parameterFile, checked, questions);
    if (!r.answers) {
      ++*unanswered;
      continue;
    }
    const double p = r.answers->probabilityAtLeast[0];
    Bin& bin = bins[static_cast<std::size_t>(std::min(Bins - 1, static_cast<int>(p * Bins)))];
    ++bin.count;
    bin.probabilitySum += p;
    bin.fiftyOrOlder += person.age >= 50.0 ? 1 : 0;
  }
  return bins;
}

std::string Table(const std::string& title, const std::array<Bin, Bins>& bins) {
  std::ostringstream out;
  out << title << "\n  bin         n   mean P   observed   (obs - mean) / SE\n";
  char line[128];
  for (int b = 0; b < Bins; ++b) {
    const Bin& bin = bins[static_cast<std::size_t>(b)];
    if (bin.count == 0) {
      std::snprintf(line, sizeof line, "  %.1f-%.1f  %5d\n", b / 5.0, (b + 1) / 5.0, 0);
    } else {
      std::snprintf(line, sizeof line, "  %.1f-%.1f  %5zu   %.3f    %.3f      %+.2f\n", b / 5.0, (b + 1) / 5.0,
                    bin.count, bin.Mean(), bin.Observed(), (bin.Observed() - bin.Mean()) / bin.StandardError());
    }
    out << line;
  }
  return out.str();
}

}  // namespace

TEST(ProbabilityCalibration, ShareAgedFiftyOrMoreMatchesTheProbabilityInEveryBin) {
  const test::ScratchFolder folder;
  const ParameterStructure demo = ReadParameterStructure(test::DemoParameterFile());
  // The variance factors widen the likelihood on purpose; without them the
  // probabilities should be calibrated.
  ParameterStructure unit = demo;
  unit.resvar = 1.0;
  for (ComplexStructure& c : unit.complexes) c.resvar = 1.0;
  const std::string unitFile = folder.Write("Parameters.dat", ParameterFileText(unit, "variance factors 1"));

  SimulationOptions options;
  options.count = 8000;
  options.seed = 20261209;
  options.agePrior = "forensic";
  options.model = "Forensic";
  options.sides = SideDraw::Same;
  std::ostringstream text;
  Simulate(unit, options, text);
  const ReferenceSample sample = ParseReferenceSample(text.str(), "simulated.csv", unit, {});
  ASSERT_EQ(sample.individuals.size(), 8000u);

  std::size_t unanswered = 0;
  const std::array<Bin, Bins> bins = Calibration(unitFile, sample, &unanswered);
  EXPECT_EQ(unanswered, 0u);
  std::cout << Table("P(age >= 50), forensic prior, variance factors 1:", bins);
  for (int b = 0; b < Bins; ++b) {
    const Bin& bin = bins[static_cast<std::size_t>(b)];
    ASSERT_GT(bin.count, 30u) << "bin " << b;
    EXPECT_LE(std::abs(bin.Observed() - bin.Mean()), 3.0 * bin.StandardError()) << "bin " << b;
  }

  // The demonstration set's own factors, for the record: the probabilities
  // are pulled towards the prior's.
  unanswered = 0;
  const std::array<Bin, Bins> own = Calibration(test::DemoParameterFile(), sample, &unanswered);
  EXPECT_EQ(unanswered, 0u);
  std::cout << Table("P(age >= 50), forensic prior, the demonstration set's variance factors:", own);
}
