// Ages drawn from a mortality prior follow the prior the corrected estimate uses.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <stdexcept>

#include "CalibTestSupport.h"
#include "CommandOutcome.h"
#include "app/cli/Commands.h"
#include "calib/PriorAges.h"
#include "calib/Simulation.h"
#include "engine/PriorModels.h"

using namespace vorla;
using namespace vorla::calib;

namespace {

// The share of the engine's prior density from 15 to x (Simpson, fine pitch).
double EngineShare(const std::string& prior, double x) {
  const HazardTableType& table = HazardTableNamed(prior);
  const auto integral = [&table](double b) {
    const int n = 4000;
    const double h = (b - 15.0) / n;
    double sum = HazardDensity(table, 15.0) + HazardDensity(table, b);
    for (int i = 1; i < n; ++i) sum += HazardDensity(table, 15.0 + i * h) * (i % 2 ? 4.0 : 2.0);
    return sum * h / 3.0;
  };
  return integral(x) / integral(110.0);
}

}  // namespace

TEST(PriorAges, ShareIsTheEnginesPriorAndDrawingInvertsIt) {
  for (const char* prior : {"archeological", "forensic"}) {
    for (double x : {18.0, 30.0, 50.0, 75.5, 100.0})
      EXPECT_NEAR(PriorAgeShare(prior, x), EngineShare(prior, x), 1e-7) << prior << " " << x;
    for (double u : {0.001, 0.25, 0.5, 0.9, 0.999}) EXPECT_NEAR(PriorAgeShare(prior, DrawPriorAge(prior, u)), u, 1e-9);
  }
  EXPECT_THROW(PriorAgeShare("modern", 50.0), std::invalid_argument);
}

TEST(PriorAges, SimulatedAgesFollowThePrior) {
  EXPECT_THROW(ParsePriorAges("prior:modern"), std::invalid_argument);
  EXPECT_THROW(ParsePriorAges("prior:"), std::invalid_argument);
  EXPECT_EQ(ParsePriorAges("prior:forensic"), "forensic");
  EXPECT_FALSE(ParsePriorAges("uniform:18:95"));
  SimulationOptions options;
  options.count = 4000;
  options.seed = 7;
  options.agePrior = "archeological";
  std::ostringstream text;
  Simulate(test::SmallStructure(), options, text);
  const ReferenceSample sample = ParseReferenceSample(text.str(), "simulated.csv", test::SmallStructure(), {});
  ASSERT_EQ(sample.individuals.size(), 4000u);
  for (double t : {30.0, 50.0, 70.0}) {
    std::size_t below = 0;
    for (const ReferenceIndividual& person : sample.individuals) below += person.age < t ? 1 : 0;
    const double expected = PriorAgeShare("archeological", t);
    const double se = std::sqrt(expected * (1 - expected) / 4000.0);
    EXPECT_NEAR(below / 4000.0, expected, 4 * se) << t;
  }
}

TEST(PriorAges, SimulateTakesThePriorAndWritesItsModel) {
  const test::ScratchFolder folder;
  const std::string params = folder.Write("Parameters.dat", test::SmallParameterText);
  const auto forensic =
      cli::test::Command(&cli::SimulateCommand, {"--params", params, "--n", "8", "--ages", "prior:forensic"});
  ASSERT_EQ(forensic.code, 0) << forensic.err;
  EXPECT_NE(forensic.out.find(",Forensic,"), std::string::npos) << forensic.out;
  EXPECT_EQ(forensic.out.find(",Archeological,"), std::string::npos) << forensic.out;
  const auto chosen = cli::test::Command(
      &cli::SimulateCommand, {"--params", params, "--n", "8", "--ages", "prior:forensic", "--model", "Archeological"});
  EXPECT_EQ(chosen.out.find(",Forensic,"), std::string::npos) << chosen.out;
  EXPECT_EQ(cli::test::Command(&cli::SimulateCommand, {"--params", params, "--n", "8", "--ages", "prior:other"}).code,
            2);
}
