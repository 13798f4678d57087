// Validation: the figures by age class, the analysis of simulated skeletons,
// and cross-validation with parameter sets fitted on the other folds.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

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
  EXPECT_NE(csv.find("\n50-69,0,,,,,,,90,1,,,,\n"), std::string::npos) << csv;
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
