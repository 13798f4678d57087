#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TreeBuilders.h"
#include "engine/Analysis.h"
#include "engine/AnalysisError.h"
#include "engine/AnalysisSettings.h"
#include "engine/ChiSq.h"
#include "engine/PriorModels.h"
#include "engine/StageLikelihood.h"

using namespace vorla;
using test::MakeCase;
using test::MakeComplex;
using test::RealisticComponent;

class Analysis : public ::testing::Test {
 protected:
  const AnalysisSettings settings = ChooseAnalysisSettings(95, "logit", "archeological", "", "");
};

TEST_F(Analysis, NoneStaysNone) {
  EXPECT_EQ(Analyse(nullptr, settings), nullptr);
}

TEST_F(Analysis, OneComponentHasNoTest) {
  AnalysisTreePtr s = MakeCase({MakeComplex("PUBIS", 1.0, {RealisticComponent("PUB_RELIEF", 3).release()}).release()});
  Analyse(s.get(), settings);
  const TraitComplex& c = *s->Complexes;
  EXPECT_EQ(c.DF, 0);
  EXPECT_EQ(s->DF, 0);
  EXPECT_EQ(c.Consistensy, 0.0);
  EXPECT_EQ(c.PConsistensy, -1.0);
  EXPECT_EQ(s->PConsistensy, -1.0);
  EXPECT_EQ(c.SE, 1.0);
  // One complex of one component: every level peaks at the same age.
  // (the refinement stops on heights, so the refined ages differ a little).
  EXPECT_NEAR(s->MLA, c.MLA, 0.05);
  EXPECT_NEAR(c.MLA, c.Components->MLA, 0.05);
  EXPECT_GT(c.MLA, 40);
  EXPECT_LT(c.MLA, 75);
  EXPECT_LT(c.CILow, c.MLA);
  EXPECT_GT(c.CIHigh, c.MLA);
  EXPECT_NEAR(s->CILow, c.CILow, 1e-6);
  for (int i = 0; i < AgeGridSize; ++i) {
    EXPECT_EQ(s->Likelihood[i].Age, GridAge(i));
    EXPECT_EQ(s->HazardLikelihood[i].Age, GridAge(i));
    EXPECT_EQ(c.Profile[i].Age, GridAge(i));
    EXPECT_LE(c.Components->Profile[i].Lik, 1.0 + 1e-9);
  }
}

TEST_F(Analysis, DegreesOfFreedomAndStatistics) {
  AnalysisTreePtr s = MakeCase({
      MakeComplex("SUTURES", 1.0,
                  {RealisticComponent("A", 2).release(), RealisticComponent("B", 3).release(),
                   RealisticComponent("C", 4).release()})
          .release(),
      MakeComplex("PUBIS", 1.0, {RealisticComponent("D", 2).release()}).release(),
      MakeComplex("AURICULAR", 1.5, {RealisticComponent("E", 4).release()}).release(),
  });
  Analyse(s.get(), settings);
  const TraitComplex& c = *s->Complexes;
  EXPECT_EQ(c.DF, 2);
  EXPECT_EQ(s->DF, 2);
  EXPECT_NEAR(c.Consistensy, -2 * std::log(c.ML), 1e-12);
  EXPECT_GT(c.Consistensy, 0.0);
  EXPECT_NEAR(c.PConsistensy, Chi2(2, c.Consistensy), 1e-12);
  // Disagreeing complexes: the case statistic is positive and its probability below 1.
  EXPECT_GT(s->Consistensy, 0.0);
  EXPECT_LT(s->PConsistensy, 1.0);
  // The case maximum is stored raised to 1 / Resvar (1 here).
  EXPECT_NEAR(s->ML, std::exp(-s->Consistensy / 2), 1e-9);
}

TEST_F(Analysis, ComplexProfileIsTheScaledRatio) {
  AnalysisTreePtr s =
      MakeCase({MakeComplex("PUBIS", 1.25, {RealisticComponent("A", 3).release(), RealisticComponent("B", 3).release()})
                    .release()});
  Analyse(s.get(), settings);
  const TraitComplex& c = *s->Complexes;
  for (int i : {0, 100, 200, 380}) {
    const double x = GridAge(i);
    EXPECT_NEAR(c.Profile[i].Lik, std::pow(ComplexLikelihood(c, &Logit, x) / c.ML, 0.8), 1e-12);
  }
  ASSERT_GT(c.CILow, 15.0);
  ASSERT_LT(c.CIHigh, 110.0);
  // The limits lie where the scaled ratio falls to exp(-CriticalValue).
  EXPECT_NEAR(std::pow(ComplexLikelihood(c, &Logit, c.CILow) / c.ML, 0.8), std::exp(-1.9208), 1e-5);
  EXPECT_NEAR(std::pow(ComplexLikelihood(c, &Logit, c.CIHigh) / c.ML, 0.8), std::exp(-1.9208), 1e-5);
}

TEST_F(Analysis, MaximumAtFifteenLeavesLimitsOpen) {
  // Stage 1 of an early trait: most likely at the youngest age.
  AnalysisTreePtr s =
      MakeCase({MakeComplex("SUTURES", 1.0,
                            {RealisticComponent("A", 1, -20).release(), RealisticComponent("B", 1, -20).release()})
                    .release()});
  Analyse(s.get(), settings);
  const TraitComplex& c = *s->Complexes;
  EXPECT_EQ(c.MLA, 15.0);
  EXPECT_EQ(c.CILow, 0.0);
  EXPECT_EQ(c.Consistensy, 0.0);
  EXPECT_EQ(c.PConsistensy, -1.0);
  EXPECT_EQ(s->MLA, 15.0);
  EXPECT_EQ(s->CILow, 15.0);
  EXPECT_GT(s->CIHigh, 15.0);
}

TEST_F(Analysis, WideLikelihoodAboveThresholdAtFifteen) {
  // The whole-range score is flat; with a second gentle component the case
  // likelihood stays above the threshold at 15: the case shows 15, the complex 0.
  auto flat = RealisticComponent("A", 1);
  test::SetStages(*flat, 1, 5, 0, 0);
  auto gentle = test::MakeComponent("B", {{-0.6, 0.02}});
  test::SetStages(*gentle, 1, 1, 0, 0);
  AnalysisTreePtr s = MakeCase({MakeComplex("PUBIS", 1.0, {flat.release(), gentle.release()}).release()});
  Analyse(s.get(), settings);
  EXPECT_EQ(s->Complexes->CILow, 0.0);
  EXPECT_EQ(s->CILow, 15.0);
}

TEST_F(Analysis, NegativeStatisticFromRefinementCountsAsAgreement) {
  // A whole-range trait beside another: the refined maximum of the complex can
  // fall a hair short of 1 from above, giving -2 ln(ML) slightly below 0.
  auto whole = RealisticComponent("A", 1);
  test::SetStages(*whole, 1, 5, 0, 0);
  AnalysisTreePtr s =
      MakeCase({MakeComplex("PUBIS", 1.0, {whole.release(), RealisticComponent("B", 3).release()}).release()});
  Analyse(s.get(), settings);
  const TraitComplex& c = *s->Complexes;
  EXPECT_GE(c.Consistensy, 0.0);
  if (c.ML >= 1.0) {
    EXPECT_EQ(c.Consistensy, 0.0);
    EXPECT_EQ(c.PConsistensy, 1.0);
  }
}

TEST_F(Analysis, HigherLevelWidensOnlyTheIntervals) {
  auto build = [] {
    return MakeCase(
        {MakeComplex("SUTURES", 1.2, {RealisticComponent("A", 2).release(), RealisticComponent("B", 3).release()})
             .release(),
         MakeComplex("PUBIS", 1.0, {RealisticComponent("C", 3, 5).release()}).release()});
  };
  AnalysisTreePtr at95 = build(), at99 = build();
  Analyse(at95.get(), settings);
  Analyse(at99.get(), ChooseAnalysisSettings(99, "logit", "archeological", "", ""));
  EXPECT_EQ(at95->MLA, at99->MLA);
  EXPECT_EQ(at95->ML, at99->ML);
  EXPECT_EQ(at95->Consistensy, at99->Consistensy);
  EXPECT_EQ(at95->PConsistensy, at99->PConsistensy);
  EXPECT_EQ(at95->Complexes->MLA, at99->Complexes->MLA);
  EXPECT_LT(at99->CILow, at95->CILow);
  EXPECT_GT(at99->CIHigh, at95->CIHigh);
  EXPECT_LT(at99->Hazard_CILow, at95->Hazard_CILow);
  EXPECT_LT(at99->Complexes->CILow, at95->Complexes->CILow);
}

TEST_F(Analysis, ModelsChangeOnlyTheCorrectedEstimate) {
  auto build = [] {
    return MakeCase(
        {MakeComplex("PUBIS", 1.0, {RealisticComponent("A", 3).release(), RealisticComponent("B", 4).release()})
             .release()});
  };
  AnalysisTreePtr arch = build(), forensic = build();
  Analyse(arch.get(), settings);
  Analyse(forensic.get(), ChooseAnalysisSettings(95, "logit", "forensic", "", ""));
  EXPECT_EQ(arch->MLA, forensic->MLA);
  EXPECT_EQ(arch->CILow, forensic->CILow);
  EXPECT_EQ(arch->CIHigh, forensic->CIHigh);
  EXPECT_NE(arch->Hazard_MLA, forensic->Hazard_MLA);
  EXPECT_EQ(arch->Hazard_SE, 1.0);
}

TEST_F(Analysis, UnderflowingCaseGivesProbabilityZero) {
  // Two complexes that cannot both be true: the combined likelihood underflows
  // and the statistic is infinite; the run still ends, with p = 0.
  auto young = test::MakeComponent("Y", {{-800, 10.0}});
  test::SetStages(*young, 1, 1, 0, 0);
  auto old = test::MakeComponent("O", {{-800, 10.0}});
  test::SetStages(*old, 2, 2, 0, 0);
  AnalysisTreePtr s = MakeCase(
      {MakeComplex("SUTURES", 1.0, {young.release()}).release(), MakeComplex("PUBIS", 1.0, {old.release()}).release()});
  Analyse(s.get(), settings);
  EXPECT_GE(s->Consistensy, 0.0);
  EXPECT_GE(s->PConsistensy, -1.0);
  EXPECT_LE(s->PConsistensy, 1.0);
  EXPECT_FALSE(std::isnan(s->PConsistensy));
}

TEST(AnalysisSettings, ChosenByNamesInAnyCaseAndRefusedInOrder) {
  const AnalysisSettings s = ChooseAnalysisSettings(99, "Logit", "FORENSIC", "MALE", "white");
  EXPECT_EQ(s.criticalValue, 3.315L);
  EXPECT_EQ(s.link, &Logit);
  EXPECT_EQ(s.prior, ForensicHazard);
  EXPECT_EQ(s.group, 2);
  const auto refusal = [](int level, const std::string& link, const std::string& model) {
    try {
      ChooseAnalysisSettings(level, link, model, "Male", "White");
    } catch (const AnalysisError& e) {
      return std::string(e.what());
    }
    return std::string("chosen");
  };
  EXPECT_EQ(refusal(80, "probit", ""), "illegal confidence level: 80");
  EXPECT_EQ(refusal(95, "probit", ""), "illegal linkfunction parameter: LFprobit");
  EXPECT_EQ(refusal(95, "logit", ""), "illegal hazardfunction parameter: HF = ");
}

// A run's settings are its own: on one thread, runs under other levels and
// priors before it, in any order, leave its numbers as they are when it runs
// alone on a thread of its own.
TEST(AnalysisSettings, RunsOnOneThreadDoNotDependOnEachOther) {
  const std::vector<AnalysisSettings> choices = {ChooseAnalysisSettings(95, "logit", "archeological", "", ""),
                                                 ChooseAnalysisSettings(99, "logit", "forensic", "", ""),
                                                 ChooseAnalysisSettings(90, "logit", "forensic", "", "")};
  const auto numbersOf = [](const AnalysisSettings& settings) {
    AnalysisTreePtr s = MakeCase(
        {MakeComplex("SUTURES", 1.2, {RealisticComponent("A", 2).release(), RealisticComponent("B", 3).release()})
             .release(),
         MakeComplex("PUBIS", 1.0, {RealisticComponent("C", 3, 5).release()}).release()});
    Analyse(s.get(), settings);
    std::vector<double> numbers = {s->MLA,        s->CILow,        s->CIHigh,        s->ML,
                                   s->Hazard_MLA, s->Hazard_CILow, s->Hazard_CIHigh, s->Hazard_ML};
    for (const TraitComplex* c = s->Complexes.get(); c; c = c->Next.get())
      numbers.insert(numbers.end(), {c->MLA, c->CILow, c->CIHigh});
    for (const AgePoint& p : s->HazardLikelihood) numbers.push_back(p.Lik);
    return numbers;
  };
  std::vector<std::vector<double>> alone;
  for (const AnalysisSettings& settings : choices) std::thread([&] { alone.push_back(numbersOf(settings)); }).join();
  EXPECT_NE(alone[0], alone[1]);
  EXPECT_NE(alone[1], alone[2]);
  for (const std::vector<std::size_t>& order : {std::vector<std::size_t>{0, 1, 2}, {2, 1, 0}, {1, 0, 2, 1}})
    for (std::size_t i : order) EXPECT_EQ(numbersOf(choices[i]), alone[i]) << "settings " << i;
}
