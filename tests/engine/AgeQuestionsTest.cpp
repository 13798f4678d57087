#include "engine/AgeQuestions.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "TreeBuilders.h"
#include "engine/Analysis.h"
#include "engine/AnalysisError.h"
#include "engine/AnalysisSettings.h"
#include "engine/PriorModels.h"
#include "engine/StageLikelihood.h"

using namespace vorla;
using test::MakeCase;
using test::MakeComplex;
using test::RealisticComponent;

namespace {

double NormalUpperTail(double z) {
  return 0.5 * std::erfc(z / std::sqrt(2.0));
}

// A case whose combined likelihood is a bell of the given centre and spread.
AnalysisTreePtr BellCase(double centre, double spread) {
  AnalysisTreePtr s = MakeCase({});
  for (int i = 0; i < AgeGridSize; ++i) {
    const double z = (GridAge(i) - centre) / spread;
    s->Likelihood[i] = {GridAge(i), std::exp(-0.5 * z * z)};
  }
  return s;
}

// Composite Simpson's rule with n (even) intervals, independent of the grid.
template <class F>
double Simpson(F&& f, double a, double b, int n = 20000) {
  const double h = (b - a) / n;
  double sum = f(a) + f(b);
  for (int i = 1; i < n; ++i) sum += f(a + i * h) * (i % 2 ? 4.0 : 2.0);
  return sum * h / 3.0;
}

double ForensicPrior(double x) {
  return HazardDensity(ForensicHazard, x);
}

}  // namespace

// Closed forms: a bell likelihood under a flat prior is a normal posterior;
// under an exponential prior exp(-k x) it is a normal shifted by -k s^2.
TEST(AgeQuestions, ClosedFormsOfABellLikelihood) {
  AnalysisTreePtr s = BellCase(50.0, 5.0);
  const AgeAnswers flat = AnswerAgeQuestions(*s, &Logit, FlatPrior, {{50.0, 60.0, 18.0}, 50.0, 95});
  EXPECT_NEAR(flat.probabilityAtLeast[0], 0.5, 1e-4);
  EXPECT_NEAR(flat.probabilityAtLeast[1], NormalUpperTail(2.0), 2e-4);
  EXPECT_NEAR(flat.probabilityAtLeast[2], 1.0, 1e-9);
  EXPECT_NEAR(flat.median, 50.0, 0.01);
  EXPECT_NEAR(flat.interval.low, 50.0 - 1.959964 * 5.0, 0.02);
  EXPECT_NEAR(flat.interval.high, 50.0 + 1.959964 * 5.0, 0.02);
  // LR(50) = 1 / (the bell's area / 95 years) under the flat prior on 15-110.
  EXPECT_NEAR(*flat.likelihoodRatio, 95.0 / (5.0 * std::sqrt(2.0 * M_PI)), 1e-3);

  const double k = 0.1;
  const AgeAnswers tilted =
      AnswerAgeQuestions(*s, &Logit, [k](double x) { return std::exp(-k * x); }, {{50.0}, 40.0, 90});
  const double centre = 50.0 - k * 25.0;
  EXPECT_NEAR(tilted.median, centre, 0.01);
  EXPECT_NEAR(tilted.probabilityAtLeast[0], NormalUpperTail((50.0 - centre) / 5.0), 2e-4);
  EXPECT_NEAR(tilted.interval.low, centre - 1.644854 * 5.0, 0.02);
  EXPECT_NEAR(tilted.interval.high, centre + 1.644854 * 5.0, 0.02);
}

class AgeQuestionsOfAnalysedCase : public ::testing::Test {
 protected:
  static AnalysisTreePtr OneComponentCase(int stage, double resvar = 1.0) {
    AnalysisTreePtr s =
        MakeCase({MakeComplex("PUBIS", 1.0, {RealisticComponent("PUB_RELIEF", stage).release()}).release()});
    s->Resvar = resvar;
    Analyse(s.get(), ChooseAnalysisSettings(95, "logit", "forensic", "", ""));
    return s;
  }
  // The unnormalised posterior f(x) L(x), L evaluated afresh at any age.
  static double Product(const TTransisionsAnalyseDataSet& s, double x) {
    return ForensicPrior(x) * std::pow(CaseLikelihood(s, &Logit, x), 1.0 / s.Resvar);
  }
};

// A one-component case under the forensic prior, against a fine Simpson
// reference that evaluates the likelihood between the grid ages.
TEST_F(AgeQuestionsOfAnalysedCase, AgreeWithAFineReference) {
  for (int stage : {1, 2, 3}) {
    for (double resvar : {1.0, 2.5}) {
      SCOPED_TRACE(::testing::Message() << "stage " << stage << ", Resvar " << resvar);
      AnalysisTreePtr s = OneComponentCase(stage, resvar);
      const auto g = [&](double x) { return Product(*s, x); };
      const double total = Simpson(g, 15.0, 110.0);
      const AgeAnswers a = AnswerAgeQuestions(*s, &Logit, ForensicPrior, {{18.0, 33.3, 50.0, 71.1}, 34.1, 95});
      const double thresholds[] = {18.0, 33.3, 50.0, 71.1};
      for (int j = 0; j < 4; ++j)
        EXPECT_NEAR(a.probabilityAtLeast[j], Simpson(g, thresholds[j], 110.0) / total, 5e-4) << thresholds[j];
      EXPECT_NEAR(Simpson(g, 15.0, a.median) / total, 0.5, 5e-4);
      const double priorMass = Simpson(ForensicPrior, 15.0, 110.0);
      const double reference = std::pow(CaseLikelihood(*s, &Logit, 34.1), 1.0 / resvar) / (total / priorMass);
      EXPECT_NEAR(*a.likelihoodRatio / reference, 1.0, 1e-3);
    }
  }
}

TEST_F(AgeQuestionsOfAnalysedCase, ThresholdProbabilitiesAreComplementaryAndOrdered) {
  AnalysisTreePtr s = OneComponentCase(2);
  const PosteriorAge p = PosteriorOfCase(*s, ForensicPrior);
  double previous = 1.0;
  for (double t = 15.0; t <= 110.0; t += 0.37) {
    const double atLeast = ProbabilityAtLeast(p, t);
    EXPECT_DOUBLE_EQ(atLeast + ProbabilityBelow(p, t), 1.0) << t;
    EXPECT_LE(atLeast, previous + 1e-15) << t;
    EXPECT_GE(atLeast, 0.0);
    previous = atLeast;
  }
  EXPECT_DOUBLE_EQ(ProbabilityAtLeast(p, 15.0), 1.0);
  EXPECT_NEAR(ProbabilityAtLeast(p, 110.0), 0.0, 1e-12);
}

// A share that lies wholly on one side of the threshold is exactly 0 on the
// other, at and between grid ages: never the remainder of 1 minus a sum.
TEST_F(AgeQuestionsOfAnalysedCase, NoProbabilityWhereThePosteriorHasNoMass) {
  AnalysisTreePtr s = OneComponentCase(2);
  const PosteriorAge young = PosteriorOfCase(*s, [](double x) { return x < 40.0 ? ForensicPrior(x) : 0.0; });
  const PosteriorAge old = PosteriorOfCase(*s, [](double x) { return x > 30.0 ? ForensicPrior(x) : 0.0; });
  for (double t : {40.0, 40.1, 50.0, 77.3, 109.9}) {
    EXPECT_EQ(ProbabilityAtLeast(young, t), 0.0) << t;
    EXPECT_EQ(ProbabilityBelow(young, t), 1.0) << t;
  }
  for (double t : {15.0, 15.2, 22.0, 29.9, 30.0}) {
    EXPECT_EQ(ProbabilityBelow(old, t), 0.0) << t;
    EXPECT_EQ(ProbabilityAtLeast(old, t), 1.0) << t;
  }
  EXPECT_GT(ProbabilityAtLeast(young, 39.0), 0.0);
  EXPECT_GT(ProbabilityBelow(old, 31.0), 0.0);
}

// Integrated against the prior, the likelihood ratio averages to 1: a random
// death from the prior population is on average as probable as the prior
// predicts. Off-grid ages are evaluated afresh, so Simpson on its own pitch
// is an independent check.
TEST_F(AgeQuestionsOfAnalysedCase, LikelihoodRatioIntegratesAgainstThePriorToOne) {
  for (int stage : {0, 2, 4}) {
    AnalysisTreePtr s = OneComponentCase(stage);
    const PosteriorAge p = PosteriorOfCase(*s, ForensicPrior);
    const double priorMass = Simpson(ForensicPrior, 15.0, 110.0);
    const double integral =
        Simpson([&](double a) { return LikelihoodRatio(p, *s, &Logit, a) * ForensicPrior(a) / priorMass; }, 15.0, 110.0,
                3001 * 2);
    EXPECT_NEAR(integral, 1.0, 1e-3) << "stage " << stage;
  }
}

TEST_F(AgeQuestionsOfAnalysedCase, IntervalHoldsTheLevelsMassAndIsTheShortest) {
  for (int stage : {1, 2, 3}) {
    AnalysisTreePtr s = OneComponentCase(stage);
    const auto g = [&](double x) { return Product(*s, x); };
    const double total = Simpson(g, 15.0, 110.0);
    const PosteriorAge p = PosteriorOfCase(*s, ForensicPrior);
    for (double level : {0.90, 0.95, 0.99}) {
      SCOPED_TRACE(::testing::Message() << "stage " << stage << ", level " << level);
      const AgeInterval hdi = HighestDensityInterval(p, level);
      EXPECT_NEAR(Simpson(g, hdi.low, hdi.high) / total, level, 1e-3);
      // Shorter than (or as short as) the equal-tailed interval.
      const double tails = PosteriorQuantile(p, 1.0 - (1.0 - level) / 2) - PosteriorQuantile(p, (1.0 - level) / 2);
      EXPECT_LE(hdi.high - hdi.low, tails + 1e-6);
      // An interior interval ends where the density is the same at both ends.
      if (hdi.low > 15.01) {
        EXPECT_NEAR(g(hdi.low) / g(hdi.high), 1.0, 0.02);
      }
    }
  }
}

// The youngest stage piles the posterior against 15: the interval starts there.
TEST_F(AgeQuestionsOfAnalysedCase, YoungCaseIntervalStartsAtTheGridsStart) {
  AnalysisTreePtr s = OneComponentCase(0);
  const AgeAnswers a = AnswerAgeQuestions(*s, &Logit, ForensicPrior, {{18.0}, std::nullopt, 95});
  EXPECT_EQ(a.interval.low, 15.0);
  EXPECT_GT(a.interval.high, 15.0);
  EXPECT_LT(a.median, a.interval.high);
  EXPECT_FALSE(a.likelihoodRatio);
}

// A wider likelihood (variance factor above 1) pulls the answers towards the prior.
TEST_F(AgeQuestionsOfAnalysedCase, VarianceFactorWidensThePosterior) {
  AnalysisTreePtr narrow = OneComponentCase(3, 1.0);
  AnalysisTreePtr wide = OneComponentCase(3, 3.0);
  const AgeAnswers n = AnswerAgeQuestions(*narrow, &Logit, ForensicPrior, {{}, std::nullopt, 95});
  const AgeAnswers w = AnswerAgeQuestions(*wide, &Logit, ForensicPrior, {{}, std::nullopt, 95});
  EXPECT_GT(w.interval.high - w.interval.low, n.interval.high - n.interval.low + 1.0);
}

TEST_F(AgeQuestionsOfAnalysedCase, RefusesAgesOutsideTheGridAndOtherLevels) {
  AnalysisTreePtr s = OneComponentCase(2);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double bad : {14.99, 110.01, nan, std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(AnswerAgeQuestions(*s, &Logit, ForensicPrior, {{bad}, std::nullopt, 95}), AnalysisError);
    EXPECT_THROW(AnswerAgeQuestions(*s, &Logit, ForensicPrior, {{}, bad, 95}), AnalysisError);
  }
  EXPECT_THROW(AnswerAgeQuestions(*s, &Logit, ForensicPrior, {{}, std::nullopt, 80}), AnalysisError);
  EXPECT_NO_THROW(AnswerAgeQuestions(*s, &Logit, ForensicPrior, {{15.0, 110.0}, 110.0, 99}));
  // A likelihood that vanishes wherever the prior lives cannot be answered.
  AnalysisTreePtr nothing = MakeCase({});
  EXPECT_THROW(PosteriorOfCase(*nothing, ForensicPrior), AnalysisError);
}

TEST(AgeQuestions, AgeTextHasNoTrailingZeros) {
  EXPECT_EQ(AgeText(18.0), "18");
  EXPECT_EQ(AgeText(34.5), "34.5");
}
