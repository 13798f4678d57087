// Validation: the figures by age class, the analysis of simulated skeletons,
// and cross-validation with parameter sets fitted on the other folds.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <random>

#include "CalibTestSupport.h"
#include "calib/ParameterWriter.h"
#include "calib/Validation.h"

using namespace vorla::calib;

namespace {

IndividualEstimate Estimate(int line, double age, double estimate, double low, double high, double corrected,
                            double correctedLow, double correctedHigh) {
  IndividualEstimate e;
  e.line = line;
  e.age = age;
  e.analysed = true;
  e.estimate = estimate;
  e.low = low;
  e.high = high;
  e.corrected = corrected;
  e.correctedLow = correctedLow;
  e.correctedHigh = correctedHigh;
  return e;
}

}  // namespace

TEST(Validation, FiguresByAgeClass) {
  std::vector<IndividualEstimate> estimates = {
      Estimate(2, 20.0, 22.0, 18.0, 25.0, 21.0, 19.0, 20.5),  // inside; corrected inside
      Estimate(3, 29.5, 27.5, 28.0, 31.0, 30.5, 29.5, 32.0),  // inside (limit 28 <= 29.5); corrected on its lower limit
      Estimate(4, 30.0, 36.0, 31.0, 40.0, 35.0, 30.5, 39.0),  // outside both
      Estimate(5, 75.0, 70.0, 60.0, 75.0, 72.0, 65.0, 80.0),  // on the upper limit
  };
  IndividualEstimate none;
  none.line = 6;
  none.age = 50.0;
  none.message = "No data to analyze.";
  estimates.push_back(none);

  const ValidationSummary s = Summarise(estimates, 90);
  EXPECT_EQ(s.level, 90);
  EXPECT_EQ(s.notAnalysed, 1u);
  EXPECT_EQ(s.firstProblem, "line 6: No data to analyze.");
  EXPECT_EQ(s.overall.count, 4u);
  EXPECT_DOUBLE_EQ(s.overall.bias, (2.0 - 2.0 + 6.0 - 5.0) / 4);
  EXPECT_DOUBLE_EQ(s.overall.meanAbsoluteError, (2.0 + 2.0 + 6.0 + 5.0) / 4);
  EXPECT_DOUBLE_EQ(s.overall.correctedBias, (1.0 + 1.0 + 5.0 - 3.0) / 4);
  EXPECT_DOUBLE_EQ(s.overall.coverage, 3.0 / 4);
  EXPECT_DOUBLE_EQ(s.overall.correctedCoverage, 3.0 / 4);
  EXPECT_EQ(s.byClass[0].count, 2u);
  EXPECT_DOUBLE_EQ(s.byClass[0].bias, 0.0);
  EXPECT_DOUBLE_EQ(s.byClass[0].meanAbsoluteError, 2.0);
  EXPECT_EQ(s.byClass[1].count, 1u);
  EXPECT_DOUBLE_EQ(s.byClass[1].coverage, 0.0);
  EXPECT_EQ(s.byClass[2].count, 0u);  // the one of 50 was not analysed
  EXPECT_TRUE(std::isnan(s.byClass[2].bias));
  EXPECT_EQ(s.byClass[3].count, 1u);
  EXPECT_DOUBLE_EQ(s.byClass[3].coverage, 1.0);

  const std::string text = ValidationTableText(s);
  EXPECT_NE(text.find("inside the 90 % interval"), std::string::npos);
  EXPECT_NE(text.find("1 individual was not analysed and is not counted (line 6: No data to analyze.)"),
            std::string::npos)
      << text;
  const std::string csv = ValidationTableCsv(s);
  EXPECT_NE(csv.find("all,4,0.2500,3.7500,1.0000,"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\n50-69,0,,,,,,,90,1,,,,,,,,,,,,,,\n"), std::string::npos) << csv;
  EXPECT_DOUBLE_EQ(s.overall.rootMeanSquareError, std::sqrt((4.0 + 4.0 + 36.0 + 25.0) / 4));
  EXPECT_DOUBLE_EQ(s.overall.correctedRootMeanSquareError, std::sqrt((1.0 + 1.0 + 25.0 + 9.0) / 4));
  EXPECT_DOUBLE_EQ(s.overall.coverageP, BinomialTestP(3, 4, 0.90));
  EXPECT_NE(text.find("Coverage tested against 90 %"), std::string::npos) << text;
}

// Against values worked out by hand from the binomial probabilities.
TEST(Validation, BinomialTestOfCoverage) {
  const struct {
    std::size_t k, n;
    double p, expected;
  } cases[] = {
      {8, 10, 0.95, 1.0 - 10 * std::pow(0.95, 9) * 0.05 - std::pow(0.95, 10)},  // all counts below 9
      {19, 20, 0.95, 1.0},                                                      // the most probable count
      {5, 10, 0.5, 1.0},
      {0, 10, 0.5, 2.0 / 1024},
      {10, 10, 0.5, 2.0 / 1024},
      {0, 0, 0.95, 1.0},
  };
  for (const auto& c : cases) EXPECT_NEAR(BinomialTestP(c.k, c.n, c.p), c.expected, 1e-9) << c.k << "/" << c.n;
  // A coverage of 90 % on 1,000 skeletons is no chance departure from 95 %.
  EXPECT_LT(BinomialTestP(900, 1000, 0.95), 1e-9);
  EXPECT_GT(BinomialTestP(945, 1000, 0.95), 0.4);
}

// The demonstration set, validated on a sample drawn from itself: small bias
// in the middle age classes.
TEST(Validation, AnalysesEverySimulatedSkeletonAsTheWindowWould) {
  const std::string demo = test::DemoParameterFile();
  const ParameterStructure truth = ReadParameterStructure(demo);
  const ReferenceSample sample = test::SimulatedSample(truth, 400, 3);
  const std::vector<IndividualEstimate> estimates = EstimateAges(demo, sample, {}, {});
  ASSERT_EQ(estimates.size(), 400u);
  for (std::size_t i = 0; i < estimates.size(); ++i) {
    const IndividualEstimate& e = estimates[i];
    ASSERT_TRUE(e.analysed) << e.message;
    EXPECT_EQ(e.line, static_cast<int>(i) + 2);
    EXPECT_LE(e.low, e.estimate);
    EXPECT_LE(e.estimate, e.high);
    EXPECT_LE(e.correctedLow, e.corrected);
    EXPECT_LE(e.corrected, e.correctedHigh);
  }
  const ValidationSummary s = Summarise(estimates, 95);
  std::cout << ValidationTableText(s);
  EXPECT_LT(std::abs(s.byClass[1].bias), 2.0);
  EXPECT_LT(std::abs(s.byClass[2].bias), 2.5);
  EXPECT_GT(s.overall.coverage, 0.8);
}

TEST(Validation, TheModelChoiceMovesOnlyTheCorrectedEstimate) {
  const ParameterStructure templ = test::SmallStructure();
  const ReferenceSample sample = test::SimulatedSample(templ, 40, 9);
  test::ScratchFolder folder;
  const std::string file = folder.Write("small.dat", test::SmallParameterText);
  ValidationOptions forensic;
  forensic.model = "Forensic";
  const std::vector<IndividualEstimate> a = EstimateAges(file, sample, {}, {});  // Archeological, as drawn
  const std::vector<IndividualEstimate> b = EstimateAges(file, sample, {}, forensic);
  std::size_t moved = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].estimate, b[i].estimate);
    EXPECT_EQ(a[i].low, b[i].low);
    moved += a[i].corrected != b[i].corrected ? 1 : 0;
  }
  EXPECT_GT(moved, a.size() / 2);
  // Only the chosen individuals, in the order given.
  const std::vector<IndividualEstimate> two = EstimateAges(file, sample, {5, 1}, {});
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].line, sample.individuals[5].line);
  EXPECT_EQ(two[0].estimate, a[5].estimate);
  EXPECT_EQ(two[1].line, sample.individuals[1].line);
}

// Several jobs give every individual exactly the estimate one job gives, in
// the same order, the unanalysed ones included, and the same progress ends.
TEST(Validation, SeveralJobsGiveTheEstimatesOfOne) {
  const ParameterStructure templ = test::SmallStructure();
  ReferenceSample sample = test::SimulatedSample(templ, 90, 4);
  for (std::size_t c = 0; c < sample.columns.size(); ++c)  // nothing to analyse
    if (sample.columns[c].find("_LOW") != std::string::npos || sample.columns[c].find("_UPPER") != std::string::npos)
      sample.individuals[7].cells[c].clear();
  test::ScratchFolder folder;
  const std::string file = folder.Write("small.dat", test::SmallParameterText);
  std::vector<std::size_t> lastDone;
  Progress progress;
  progress.step = [&](const std::string&, std::size_t done, std::size_t total) { lastDone = {done, total}; };
  ValidationOptions one, three;
  three.jobs = 3;
  three.level = one.level = 90;
  three.progress = &progress;
  const std::vector<IndividualEstimate> a = EstimateAges(file, sample, {}, one);
  const std::vector<IndividualEstimate> b = EstimateAges(file, sample, {}, three);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(lastDone, (std::vector<std::size_t>{90, 90}));
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].line, b[i].line);
    EXPECT_EQ(a[i].analysed, b[i].analysed) << i;
    EXPECT_EQ(a[i].message, b[i].message) << i;
    EXPECT_EQ(a[i].estimate, b[i].estimate) << i;
    EXPECT_EQ(a[i].low, b[i].low) << i;
    EXPECT_EQ(a[i].high, b[i].high) << i;
    EXPECT_EQ(a[i].corrected, b[i].corrected) << i;
    EXPECT_EQ(a[i].correctedLow, b[i].correctedLow) << i;
    EXPECT_EQ(a[i].correctedHigh, b[i].correctedHigh) << i;
  }
  EXPECT_FALSE(b[7].analysed);
  // A parameter file that cannot be used ends the run, with any number of jobs.
  const std::string broken = folder.Write("broken.dat", "not a parameter file\n");
  EXPECT_ANY_THROW(EstimateAges(broken, sample, {}, three));
}

TEST(Validation, ASkeletonWithoutScoresIsCountedApart) {
  const ParameterStructure templ = test::SmallStructure();
  const ReferenceSample sample = ParseReferenceSample(
      "SEX,RACE,HAZARDFUNC,AGE,CRA_SAGITTAL_LOW,CRA_SAGITTAL_UPPER,PUB_TEXTURE_R_LOW,PUB_TEXTURE_R_UPPER,"
      "PUB_TEXTURE_L_LOW,PUB_TEXTURE_L_UPPER\n"
      "Male,White,Forensic,30,2,,,,,\n"
      "Male,White,Forensic,40,,,,,,\n",
      "two.csv", templ, {.needModel = true, .placeOfLine = {}});
  test::ScratchFolder folder;
  const std::vector<IndividualEstimate> e =
      EstimateAges(folder.Write("p.dat", test::SmallParameterText), sample, {}, {});
  EXPECT_TRUE(e[0].analysed);
  EXPECT_FALSE(e[1].analysed);
  EXPECT_FALSE(e[1].message.empty());
  EXPECT_EQ(Summarise(e, 95).notAnalysed, 1u);
}

TEST(Validation, CrossValidationAnalysesEachFoldWithASetFittedOnTheOthers) {
  // A template whose own numbers are far off: what counts are the numbers
  // fitted on the other folds.
  ParameterStructure templ = test::SmallStructure();
  for (ComplexStructure& c : templ.complexes)
    for (ComponentStructure& k : c.components)
      for (TransitionRow& row : k.rows) {
        row.a = -1.0;
        row.b = 0.2;
      }
  // Both sides of the pubic trait drawn on their own: mostly two observations per skeleton.
  const ReferenceSample sample =
      test::SimulatedSample(test::SmallStructure(), 2400, 12, 0, 18.0, 95.0, SideDraw::Independent);
  test::ScratchFolder folder;
  const std::string wrong = folder.Write("wrong.dat", ParameterFileText(templ, "far off"));

  const ValidationSummary direct = Summarise(EstimateAges(wrong, sample, {}, {}), 95);
  const std::vector<IndividualEstimate> crossed = CrossValidate(templ, sample, 4, {}, {});
  ASSERT_EQ(crossed.size(), sample.individuals.size());
  for (std::size_t i = 0; i < crossed.size(); ++i) EXPECT_EQ(crossed[i].line, sample.individuals[i].line);
  const ValidationSummary pooled = Summarise(crossed, 95);
  EXPECT_EQ(pooled.notAnalysed, 0u);
  EXPECT_GT(direct.overall.meanAbsoluteError, 2 * pooled.overall.meanAbsoluteError);
  EXPECT_LT(std::abs(pooled.byClass[1].bias), 3.0);

  EXPECT_THROW(CrossValidate(templ, sample, 1, {}, {}), std::invalid_argument);
  EXPECT_THROW(CrossValidate(templ, test::SimulatedSample(test::SmallStructure(), 3, 1), 4, {}, {}),
               std::invalid_argument);
  // A fold too small to calibrate names the fold.
  try {
    CrossValidate(templ, test::SimulatedSample(test::SmallStructure(), 200, 1), 2, {}, {});
    ADD_FAILURE() << "calibrated";
  } catch (const CalibrationError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Calibrating fold 1 of 2: The sample cannot determine", 0), 0u) << e.what();
    EXPECT_FALSE(e.moreFoldsMayHelp);  // the whole sample is too thin
  }
}

// More folds are worth trying only when the whole sample has more than the
// minimum on every side: with exactly the minimum, some fold always lacks one.
TEST(Validation, MoreFoldsAreAdvisedOnlyWhenTheyCanHelp) {
  const ParameterStructure templ = test::SmallStructure();
  const ReferenceSample sample = test::SimulatedSample(templ, 400, 3);
  int thinnest = 1 << 30;
  for (const FitReport& f : Calibrate(templ, sample, {1, Pooling::None, DefaultMostAgeSE, nullptr}).fits)
    for (const TransitionSides& s : f.fit.sides) thinnest = std::min({thinnest, s.before, s.after});
  const auto advice = [&](int minimum) {
    try {
      CrossValidate(templ, sample, 2, {minimum, Pooling::None, DefaultMostAgeSE, nullptr}, {});
    } catch (const CalibrationError& e) {
      return e.moreFoldsMayHelp ? "more folds" : "not more folds";
    }
    return "validated";
  };
  EXPECT_STREQ(advice(thinnest - 1), "more folds");
  EXPECT_STREQ(advice(thinnest), "not more folds");
}

namespace {

// A posterior whose density on the grid is that of a normal distribution,
// its cumulative shares summed as the engine sums them.
vorla::PosteriorAge NormalPosterior(double mean, double sd) {
  vorla::PosteriorAge p;
  double mass = 0.0;
  for (int i = 0; i < vorla::AgeGridSize; ++i) {
    const double z = (vorla::GridAge(i) - mean) / sd;
    p.density[static_cast<std::size_t>(i)] = std::exp(-0.5 * z * z) / (sd * std::sqrt(2.0 * M_PI));
  }
  for (int i = 0; i < vorla::AgeGridSize; ++i) {
    const auto j = static_cast<std::size_t>(i);
    p.cumulative[j] = mass;
    if (i + 1 < vorla::AgeGridSize) mass += 0.5 * vorla::AgeGridStep * (p.density[j] + p.density[j + 1]);
  }
  double above = 0.0;
  for (int i = vorla::AgeGridSize - 1; i >= 0; --i) {
    const auto j = static_cast<std::size_t>(i);
    p.above[j] = above;
    if (i > 0) above += 0.5 * vorla::AgeGridStep * (p.density[j - 1] + p.density[j]);
  }
  return p;
}

ReferenceIndividual Scored(double age, std::int8_t stage, int fold, std::vector<IndividualEstimate>& estimates) {
  ReferenceIndividual r;
  r.line = static_cast<int>(estimates.size()) + 2;
  r.age = age;
  ComponentStages c;
  c.low[0] = c.high[0] = stage;
  r.stages = {c};
  IndividualEstimate e;
  e.line = r.line;
  e.age = age;
  e.fold = fold;
  estimates.push_back(e);
  return r;
}

}  // namespace

// The CRPS and the log score of a normal posterior against their closed
// forms: sd [z (2 Phi(z) - 1) + 2 phi(z) - 1 / sqrt(pi)] and
// ln(sd sqrt(2 pi)) + z^2 / 2.
TEST(Validation, PosteriorScoresMatchTheirClosedFormsForANormalPosterior) {
  struct Case {
    double mean, sd, age;
  };
  for (const Case c : {Case{50, 5, 50}, Case{50, 5, 53.1}, Case{40, 6, 25}, Case{70, 3, 71.6}, Case{60, 10, 95}}) {
    const vorla::PosteriorAge p = NormalPosterior(c.mean, c.sd);
    const double z = (c.age - c.mean) / c.sd;
    const double phi = std::exp(-0.5 * z * z) / std::sqrt(2.0 * M_PI), Phi = 0.5 * std::erfc(-z / std::sqrt(2.0));
    const double crps = c.sd * (z * (2.0 * Phi - 1.0) + 2.0 * phi - 1.0 / std::sqrt(M_PI));
    EXPECT_NEAR(ContinuousRankedScore(p, c.age), crps, 2e-3 * c.sd) << c.mean << " " << c.age;
    EXPECT_NEAR(LogScore(p, c.age), std::log(c.sd * std::sqrt(2.0 * M_PI)) + 0.5 * z * z, 2e-3) << c.age;
  }
  // An age the posterior leaves no density at scores no worse than the floor.
  EXPECT_DOUBLE_EQ(LogScore(NormalPosterior(20, 1), 100), -std::log(LeastScoredDensity));
}

TEST(Validation, SummaryScoresThePosteriorAndItsReliability) {
  std::vector<IndividualEstimate> estimates = {
      Estimate(2, 20.0, 22.0, 18.0, 25.0, 21.0, 19.0, 22.0),
      Estimate(3, 55.0, 50.0, 40.0, 60.0, 52.0, 45.0, 60.0),
      Estimate(4, 75.0, 70.0, 60.0, 80.0, 73.0, 65.0, 85.0),
  };
  estimates[0].crps = 1.0, estimates[0].logScore = 2.0, estimates[0].atLeast = {0.05, 0.0, 0.0};
  estimates[1].crps = 3.0, estimates[1].logScore = 3.0, estimates[1].atLeast = {1.0, 0.6, 0.05};
  estimates[2].crps = 5.0, estimates[2].logScore = 4.0, estimates[2].atLeast = {1.0, 0.95, 0.65};
  // The simple alternative has the third skeleton wrong by 10 years and outside its range.
  for (IndividualEstimate& e : estimates) {
    e.simple = true;
    e.simpleEstimate = e.age + 2.0;
    e.simpleLow = e.age - 5.0;
    e.simpleHigh = e.age + 5.0;
  }
  estimates[2].simpleEstimate = 65.0;
  estimates[2].simpleHigh = 70.0;
  const ValidationSummary s = Summarise(estimates, 95);
  EXPECT_EQ(s.overall.scored, 3u);
  EXPECT_DOUBLE_EQ(s.overall.crps, 3.0);
  EXPECT_DOUBLE_EQ(s.overall.logScore, 3.0);
  EXPECT_DOUBLE_EQ(s.overall.brier[0], 0.05 * 0.05 / 3);
  EXPECT_DOUBLE_EQ(s.overall.brier[1], (0.4 * 0.4 + 0.05 * 0.05) / 3);
  EXPECT_DOUBLE_EQ(s.overall.brier[2], (0.05 * 0.05 + 0.35 * 0.35) / 3);
  EXPECT_DOUBLE_EQ(s.byClass[3].crps, 5.0);
  // P(age >= 50): 0.0 in the lowest tenth, 0.6 in the seventh, 0.95 in the last.
  EXPECT_EQ(s.reliability[1][0].count, 1u);
  EXPECT_EQ(s.reliability[1][6].count, 1u);
  EXPECT_DOUBLE_EQ(s.reliability[1][6].observedShare, 1.0);
  EXPECT_EQ(s.reliability[1][9].count, 1u);
  EXPECT_TRUE(std::isnan(s.reliability[1][3].meanProbability));
  // P(age >= 30) of 1.0 falls into the last tenth, not past it.
  EXPECT_EQ(s.reliability[0][9].count, 2u);
  EXPECT_DOUBLE_EQ(s.reliability[0][9].meanProbability, 1.0);
  EXPECT_DOUBLE_EQ(s.overall.simpleMeanAbsoluteError, (2.0 + 2.0 + 10.0) / 3);
  EXPECT_DOUBLE_EQ(s.overall.simpleCoverage, 2.0 / 3);
  const std::string text = ValidationTableText(s);
  // Corrected MAE (1 + 3 + 2) / 3 = 2 against 14 / 3; coverage 100 % against 66.7 %.
  EXPECT_NE(text.find("the corrected estimate is better than the summed-score means (2.00 against 4.67 years)"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("lie nearer the 95 % level than the summed-score ranges (66.7 %"), std::string::npos) << text;
  const std::string csv = ValidationTableCsv(s);
  EXPECT_NE(csv.find("CORRECTED_COVERAGE_P,CRPS,LOG_SCORE,BRIER_30,BRIER_50,BRIER_70,SIMPLE_BIAS"), std::string::npos);
  EXPECT_NE(csv.find(",3.0000,3.0000,0.0008,"), std::string::npos) << csv;
}

// Sums 1 (3 skeletons) and 2 (3) make one group, 3 (6) another, and the 2
// of sum 5 are too few for a group of their own and join the one below.
TEST(Validation, SummedScoreMeansPoolNeighbouringSums) {
  ReferenceSample sample;
  std::vector<IndividualEstimate> estimates;
  for (double age : {20.0, 22.0, 24.0}) sample.individuals.push_back(Scored(age, 1, 0, estimates));
  for (double age : {30.0, 32.0, 34.0}) sample.individuals.push_back(Scored(age, 2, 0, estimates));
  for (double age : {50.0, 50.0, 52.0, 54.0, 56.0, 58.0}) sample.individuals.push_back(Scored(age, 3, 0, estimates));
  for (double age : {80.0, 90.0}) sample.individuals.push_back(Scored(age, 5, 0, estimates));
  const std::size_t tested = sample.individuals.size();
  struct Case {
    std::int8_t stage;  // the summed stage of a single component
    double mean;
  };
  const double lowGroup = (20 + 22 + 24 + 30 + 32 + 34) / 6.0,
               highGroup = (50 + 50 + 52 + 54 + 56 + 58 + 80 + 90) / 8.0;
  const std::vector<Case> cases = {{1, lowGroup}, {2, lowGroup}, {3, highGroup}, {5, highGroup}, {9, highGroup}};
  for (const Case& c : cases) sample.individuals.push_back(Scored(99.0, c.stage, 1, estimates));
  ReferenceIndividual unscored = Scored(40.0, 1, 1, estimates);
  unscored.stages[0] = ComponentStages{};
  sample.individuals.push_back(unscored);
  AddSummedScoreEstimates(sample, estimates, 95);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const IndividualEstimate& e = estimates[tested + i];
    ASSERT_TRUE(e.simple);
    EXPECT_DOUBLE_EQ(e.simpleEstimate, cases[i].mean) << int{cases[i].stage};
  }
  // The range of the middle 95 % of the low group: 20 + 0.125 * 2 and 34 - 0.125 * 2.
  EXPECT_DOUBLE_EQ(estimates[tested].simpleLow, 20.25);
  EXPECT_DOUBLE_EQ(estimates[tested].simpleHigh, 33.75);
  EXPECT_FALSE(estimates.back().simple);
  // The held-out ages (99) take no part: fold 1's groups come from fold 0 alone.
  EXPECT_LT(estimates[tested + 4].simpleHigh, 90.0);
  // Between two groups a sum goes to the nearer: 2 + 0.25 to the low, 3 - 0.25 to the high.
  std::vector<IndividualEstimate> between = estimates;
  ReferenceSample two = sample;
  two.individuals[tested].stages[0].high[0] = 3;     // (2 + 3) / 2 = 2.5: a tie, the lower
  two.individuals[tested + 1].stages[0].low[0] = 3;  // 2 and 3 on two sides
  two.individuals[tested + 1].stages[0].low[1] = two.individuals[tested + 1].stages[0].high[1] = 3;  // 3 and 3
  AddSummedScoreEstimates(two, between, 95);
  EXPECT_DOUBLE_EQ(between[tested].simpleEstimate, lowGroup);       // 2.5
  EXPECT_DOUBLE_EQ(between[tested + 1].simpleEstimate, highGroup);  // (3 + 3) / 2 on one side, 3 on the other: 3
}

// A model fitted to ages drawn from it finds it again, as far as 4,000 ages can.
TEST(Validation, TheReferencePriorIsFittedToTheDocumentedAges) {
  const MortalityModel truth{0.01, 5e-05, 0.09};
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::vector<double> ages;
  for (int i = 0; i < 4000; ++i) ages.push_back(DrawAgeAtDeath(truth, uniform(random)));
  const MortalityModel fitted = FitMortalityToAges(ages);
  for (double x : {30.0, 50.0, 70.0, 90.0})
    EXPECT_NEAR(AgeAtDeathShare(fitted, x), AgeAtDeathShare(truth, x), 0.02) << x;
  EXPECT_NEAR(fitted.C, truth.C, 0.015);
  EXPECT_THROW(FitMortalityToAges({30.0, 120.0}), std::runtime_error);
}

// Nothing of the fold tested is fitted: with its documented ages changed,
// the ages of the other folds' skeletons stay, and their estimates are
// those of the unchanged sample, while its own change with the prior and
// the factors fitted on them.
TEST(Validation, NothingIsFittedOnTheFoldTested) {
  const ReferenceSample sample = test::SimulatedSample(test::SmallStructure(), 1600, 21);
  const std::vector<int> foldOf = FoldOfEach(sample, 4);
  ReferenceSample changed = sample;
  for (std::size_t i = 0; i < changed.individuals.size(); ++i)
    if (foldOf[i] == 0) changed.individuals[i].age = std::min(110.0, changed.individuals[i].age + 15.0);
  struct Case {
    const char* name;
    FittedPrior prior;
    bool fitVariance;
  };
  for (const Case c : {Case{"reference", FittedPrior::Reference, false}, Case{"sample", FittedPrior::Sample, false},
                       Case{"variance", FittedPrior::None, true}}) {
    ValidationOptions options;
    options.fittedPrior = c.prior;
    options.fitVariance = c.fitVariance;
    options.jobs = 2;
    std::vector<FoldNote> notes, changedNotes;
    const CalibrationOptions calibration{10, Pooling::None, DefaultMostAgeSE, nullptr};
    const auto a = CrossValidate(test::SmallStructure(), sample, 4, calibration, options, &notes);
    const auto b = CrossValidate(test::SmallStructure(), changed, 4, calibration, options, &changedNotes);
    ASSERT_EQ(notes.size(), 4u) << c.name;
    std::size_t movedElsewhere = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (foldOf[i] != 0) {
        movedElsewhere += a[i].corrected != b[i].corrected || a[i].simpleEstimate != b[i].simpleEstimate ? 1 : 0;
        continue;
      }
      EXPECT_EQ(a[i].estimate, b[i].estimate) << c.name << " " << i;
      EXPECT_EQ(a[i].corrected, b[i].corrected) << c.name << " " << i;
      EXPECT_EQ(a[i].high, b[i].high) << c.name << " " << i;
      EXPECT_EQ(a[i].simpleEstimate, b[i].simpleEstimate) << c.name << " " << i;
      EXPECT_EQ(a[i].posteriorMedian, b[i].posteriorMedian) << c.name << " " << i;
    }
    // The other folds were fitted on the changed ages, and show it.
    EXPECT_GT(movedElsewhere, a.size() / 4) << c.name;
    EXPECT_EQ(notes[0].prior.has_value(), c.prior != FittedPrior::None) << c.name;
    if (c.prior != FittedPrior::None) {
      EXPECT_EQ(notes[0].priorCases, notes[0].training);
      EXPECT_NE(notes[0].prior->C, notes[1].prior->C);
    }
    if (c.fitVariance) {
      ASSERT_FALSE(notes[0].varianceFactors.empty());
      EXPECT_EQ(notes[0].varianceFactors.back().first, "case");
    }
  }
}
