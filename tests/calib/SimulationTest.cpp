// The simulator: reproducible, groups as asked, ages as asked, and stages
// drawn with the model's probabilities, once per skeleton for both sides of a
// paired trait or each side on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "CalibTestSupport.h"
#include "calib/Simulation.h"
#include "engine/StageLikelihood.h"
#include "store/CsvText.h"

using namespace vorla;
using namespace vorla::calib;

namespace {

std::string Draw(const ParameterStructure& s, std::size_t count, std::uint64_t seed, int group = 0,
                 AgeRange ages = {18.0, 95.0}, SideDraw sides = SideDraw::Same) {
  SimulationOptions options;
  options.count = count;
  options.seed = seed;
  options.group = group;
  options.ages = ages;
  options.sides = sides;
  std::ostringstream out;
  Simulate(s, options, out);
  return out.str();
}

double Sigma(double x) {
  return 1.0 / (1.0 + std::exp(-x));
}

}  // namespace

TEST(Simulation, TheSameSeedGivesTheSameSample) {
  const ParameterStructure s = test::SmallStructure();
  EXPECT_EQ(Draw(s, 50, 42), Draw(s, 50, 42));
  EXPECT_NE(Draw(s, 50, 42), Draw(s, 50, 43));
  // The first skeletons do not depend on how many follow.
  const std::string few = Draw(s, 10, 42);
  EXPECT_EQ(Draw(s, 50, 42).substr(0, few.size()), few);
}

TEST(Simulation, WritesTheReferenceFormatWithGroupsInTurn) {
  const std::vector<CsvRecord> rows = ParseCsv(Draw(test::SmallStructure(), 8, 1));
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[0].cells,
            (std::vector<std::string>{"SKELETON_NAME", "SEX", "RACE", "HAZARDFUNC", "AGE", "CRA_SAGITTAL_LOW",
                                      "CRA_SAGITTAL_UPPER", "PUB_TEXTURE_R_LOW", "PUB_TEXTURE_R_UPPER",
                                      "PUB_TEXTURE_L_LOW", "PUB_TEXTURE_L_UPPER"}));
  const char* sexes[] = {"Female", "Male", "Female", "Male"};
  const char* races[] = {"White", "White", "Black", "Black"};
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& c = rows[r].cells;
    EXPECT_EQ(c[0], "SIM-00000" + std::to_string(r));
    EXPECT_EQ(c[1], sexes[(r - 1) % 4]);
    EXPECT_EQ(c[2], races[(r - 1) % 4]);
    EXPECT_EQ(c[3], "Archeological");
    EXPECT_EQ(c[4].size() - c[4].find('.'), 3u);  // two decimals
    EXPECT_EQ(c[5], c[6]);                        // a single stage: lower and upper alike
  }
  for (const CsvRecord& row : ParseCsv(Draw(test::SmallStructure(), 6, 1, 3))) {
    if (row.line == 1) continue;
    EXPECT_EQ(row.cells[1], "Female");
    EXPECT_EQ(row.cells[2], "Black");
  }
}

TEST(Simulation, AgesFollowTheChosenRange) {
  const ReferenceSample sample =
      ParseReferenceSample(Draw(test::SmallStructure(), 2000, 7, 0, {30.0, 50.0}), "s.csv", test::SmallStructure(), {});
  double sum = 0.0, lowest = 1e9, highest = 0.0;
  for (const ReferenceIndividual& p : sample.individuals) {
    sum += p.age;
    lowest = std::min(lowest, p.age);
    highest = std::max(highest, p.age);
  }
  EXPECT_GE(lowest, 30.0);
  EXPECT_LE(highest, 50.0);
  EXPECT_LT(lowest, 30.1);
  EXPECT_GT(highest, 49.9);
  EXPECT_NEAR(sum / 2000.0, 40.0, 4 * 20.0 / std::sqrt(12.0 * 2000.0));

  EXPECT_EQ(ParseAgeDistribution("uniform:18:95").low, 18.0);
  EXPECT_EQ(ParseAgeDistribution("uniform:20.5:110").high, 110.0);
  for (const char* bad : {"uniform:10:95", "uniform:40:40", "uniform:50:30", "normal:40:10", "uniform:18",
                          "uniform:a:b", "uniform:18:111"})
    EXPECT_THROW(ParseAgeDistribution(bad), std::invalid_argument) << bad;
}

TEST(Simulation, StagesHaveTheModelsProbabilitiesAndSidesAreIndependent) {
  // Everyone aged 40 (to the hundredth), in group 2.
  const std::string text = Draw(test::SmallStructure(), 6000, 11, 2, {40.0, 40.004}, SideDraw::Independent);
  const std::vector<CsvRecord> rows = ParseCsv(text);
  // CRA_SAGITTAL, group 2: a = -3.3 and -6.0, b = 0.1.
  const double p1 = Sigma(-3.3 + 0.1 * 40), p2 = Sigma(-6.0 + 0.1 * 40);
  const double expected[3] = {1 - p1, p1 * (1 - p2), p1 * p2};
  // PUB_TEXTURE, group 2: a = -5.4, -4.8, -5.0, b = 0.2, 0.1, 0.08.
  const double q1 = Sigma(-5.4 + 0.2 * 40), q2 = Sigma(-4.8 + 0.1 * 40), q3 = Sigma(-5.0 + 0.08 * 40);
  const double texture[4] = {1 - q1, q1 * (1 - q2), q1 * q2 * (1 - q3), q1 * q2 * q3};
  double sameSides = 0.0;
  for (double p : texture) sameSides += p * p;

  int counts[3] = {0, 0, 0}, same = 0;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    ++counts[std::stoi(rows[r].cells[5]) - 1];
    same += rows[r].cells[7] == rows[r].cells[9] ? 1 : 0;
  }
  const double n = 6000.0;
  for (int s = 0; s < 3; ++s)
    EXPECT_NEAR(counts[s] / n, expected[s], 4 * std::sqrt(expected[s] * (1 - expected[s]) / n)) << "stage " << s + 1;
  EXPECT_NEAR(same / n, sameSides, 4 * std::sqrt(sameSides * (1 - sameSides) / n));
}

TEST(Simulation, TheSameStageIsRecordedOnBothSidesAndCountsOnce) {
  // Everyone aged 40 (to the hundredth), in group 2; PUB_TEXTURE as above.
  const ParameterStructure s = test::SmallStructure();
  const std::string text = Draw(s, 6000, 11, 2, {40.0, 40.004});
  const double q1 = Sigma(-5.4 + 0.2 * 40), q2 = Sigma(-4.8 + 0.1 * 40), q3 = Sigma(-5.0 + 0.08 * 40);
  const double texture[4] = {1 - q1, q1 * (1 - q2), q1 * q2 * (1 - q3), q1 * q2 * q3};
  int counts[4] = {0, 0, 0, 0};
  const std::vector<CsvRecord> rows = ParseCsv(text);
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& c = rows[r].cells;
    ASSERT_EQ(c[7], c[9]) << "line " << rows[r].line;
    ASSERT_EQ(c[8], c[10]) << "line " << rows[r].line;
    ++counts[std::stoi(c[7]) - 1];
  }
  const double n = 6000.0;
  for (int k = 0; k < 4; ++k)
    EXPECT_NEAR(counts[k] / n, texture[k], 4 * std::sqrt(texture[k] * (1 - texture[k]) / n)) << "stage " << k + 1;

  // Read back as the analysis reads it: one side only takes part.
  const ReferenceSample sample = ParseReferenceSample(text, "same.csv", s, {});
  for (const ReferenceIndividual& p : sample.individuals) {
    ASSERT_GT(p.stages[1].low[0], 0);
    ASSERT_EQ(p.stages[1].low[1], 0);
  }

  EXPECT_EQ(ParseSideDraw("same"), SideDraw::Same);
  EXPECT_EQ(ParseSideDraw("independent"), SideDraw::Independent);
  for (const char* bad : {"", "Same", "both", "independent "}) EXPECT_THROW(ParseSideDraw(bad), std::invalid_argument);
}

TEST(Simulation, AStageWithoutAScoreIsLeftEmpty) {
  // Stage 3 of CRA_SAGITTAL has no score in this table.
  std::string text = test::SmallParameterText;
  text.replace(text.find("2 1 2 3 0 0"), 11, "2 1 2 0 0 0");
  const ParameterStructure s = ParameterStructureFromText(text, "gap.dat");
  SimulationOptions options;
  options.count = 200;
  options.ages = {90.0, 95.0};  // nearly everyone reaches stage 3
  std::ostringstream out;
  const SimulationSummary summary = Simulate(s, options, out);
  EXPECT_EQ(summary.individuals, 200u);
  std::size_t empty = 0;
  for (const CsvRecord& row : ParseCsv(out.str()))
    if (row.line > 1 && row.cells[5].empty()) ++empty;
  EXPECT_EQ(summary.unrecordedSides, empty);
  EXPECT_GT(empty, 150u);
}
