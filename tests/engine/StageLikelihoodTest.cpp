#include <cmath>

#include <gtest/gtest.h>

#include "TreeBuilders.h"
#include "engine/AnalysisError.h"
#include "engine/StageLikelihood.h"

using namespace vorla;

TEST(Logit, HalfAtTheTransitionAge) {
  EXPECT_EQ(Logit(-5, 0.1, 7, 8, 9, 50), 0.5);
  EXPECT_EQ(Logit(800, 1, 0, 0, 0, 50), 1.0);  // exp overflows: still a probability
  EXPECT_EQ(Logit(-800, 1, 0, 0, 0, 50), 0.0);
}

TEST(Logit, LinkSelectionIgnoresCaseAndRefusesOtherNames) {
  EXPECT_EQ(LinkFunctionNamed("LoGiT"), &Logit);
  try {
    LinkFunctionNamed("Probit");
    FAIL();
  } catch (const AnalysisError& e) {
    EXPECT_STREQ(e.what(), "illegal linkfunction parameter: LFProbit");
  }
}

class StageLikelihood : public ::testing::Test {
 protected:
  // Three transitions, four stages.
  std::unique_ptr<TraitComponent> kp = test::MakeComponent("PUB_TEXTURE", {{-3, 0.1}, {-5, 0.1}, {-8, 0.12}});
  TraitComponent& k = *kp;
};

TEST_F(StageLikelihood, StageReachedIsAProductOfTransitions) {
  const double x = 42.5;
  EXPECT_EQ(StageReachedProbability(k, &Logit, 1, x), 1.0);
  EXPECT_EQ(StageReachedProbability(k, &Logit, 0, x), 1.0);
  EXPECT_NEAR(StageReachedProbability(k, &Logit, 3, x), Logit(-3, 0.1, 0, 0, 0, x) * Logit(-5, 0.1, 0, 0, 0, x), 1e-15);
  EXPECT_EQ(StageReachedProbability(k, &Logit, 5, x), 0.0);
}

TEST_F(StageLikelihood, WholeRangeIntervalContributesOne) {
  test::SetStages(k, 1, 4, 0, 0);
  for (double x : {15.0, 40.0, 110.0}) EXPECT_DOUBLE_EQ(ComponentLikelihood(k, &Logit, x), 1.0);
}

TEST_F(StageLikelihood, FirstAndLastStages) {
  const double x = 37.0;
  test::SetStages(k, 1, 1, 0, 0);
  EXPECT_DOUBLE_EQ(ComponentLikelihood(k, &Logit, x), 1 - Logit(-3, 0.1, 0, 0, 0, x));
  test::SetStages(k, 4, 4, 0, 0);
  EXPECT_DOUBLE_EQ(ComponentLikelihood(k, &Logit, x), StageReachedProbability(k, &Logit, 4, x));
}

TEST_F(StageLikelihood, SidesMultiplyAndAnUnusedSideCountsOne) {
  const double x = 51.25;
  test::SetStages(k, 2, 3, 0, 0);
  const double right = ComponentLikelihood(k, &Logit, x);
  test::SetStages(k, 3, 3, 0, 0);
  const double left = ComponentLikelihood(k, &Logit, x);
  test::SetStages(k, 2, 3, 3, 3);
  EXPECT_NEAR(ComponentLikelihood(k, &Logit, x), right * left, 1e-16);
  EXPECT_NEAR(right, StageReachedProbability(k, &Logit, 2, x) - StageReachedProbability(k, &Logit, 4, x), 1e-16);
}

TEST_F(StageLikelihood, ExactZeroBecomesTheFloor) {
  auto hardp = test::MakeComponent("X", {{800, 0.0}});
  TraitComponent& hard = *hardp;
  test::SetStages(hard, 1, 1, 1, 1);  // stage 1 is left before any age of the grid
  EXPECT_EQ(ComponentLikelihood(hard, &Logit, 50), 1e-40);
}

TEST_F(StageLikelihood, SideWithAnUnusableStageTakesNoPart) {
  const double x = 45.0;
  test::SetStages(k, 2, 0, 0, 0);  // upper score stands for no stage
  EXPECT_EQ(ComponentLikelihood(k, &Logit, x), 1.0);
  test::SetStages(k, 2, 2, 3, 0);
  const double withBadLeft = ComponentLikelihood(k, &Logit, x);
  test::SetStages(k, 2, 2, 0, 0);
  EXPECT_EQ(withBadLeft, ComponentLikelihood(k, &Logit, x));
}

TEST_F(StageLikelihood, ReversedStagesAreTakenInOrder) {
  const double x = 60.0;
  test::SetStages(k, 3, 2, 4, 1);
  const double reversed = ComponentLikelihood(k, &Logit, x);
  test::SetStages(k, 2, 3, 1, 4);
  EXPECT_EQ(reversed, ComponentLikelihood(k, &Logit, x));
  EXPECT_GT(reversed, 0.0);
}

TEST_F(StageLikelihood, GridTabulationGivesTheSameValues) {
  // Every way a side can be scored, on both sides, including unusable and
  // reversed stages: the grid values equal the single evaluations exactly.
  const int stages[][2] = {{0, 0}, {1, 1}, {1, 4}, {2, 3}, {3, 2}, {4, 4}, {2, 0}, {0, 3}, {4, 1}, {5, 5}};
  std::array<double, AgeGridSize> grid;
  for (const auto& r : stages) {
    for (const auto& l : stages) {
      test::SetStages(k, r[0], r[1], l[0], l[1]);
      ComponentLikelihoodOnGrid(k, &Logit, grid);
      for (int i = 0; i < AgeGridSize; ++i)
        ASSERT_EQ(grid[i], ComponentLikelihood(k, &Logit, GridAge(i)))
            << r[0] << r[1] << l[0] << l[1] << " at " << GridAge(i);
    }
  }
}

// The grid values are shared between components with the same parameters:
// a component whose parameters change, or one of many hundreds of parameter
// sets (more than are kept), gets the values of its own parameters.
TEST_F(StageLikelihood, GridValuesFollowTheParametersOfEachComponent) {
  std::array<double, AgeGridSize> grid;
  const auto expectOwnValues = [&](const char* what) {
    ComponentLikelihoodOnGrid(k, &Logit, grid);
    for (int i = 0; i < AgeGridSize; i += 7)
      ASSERT_EQ(grid[i], ComponentLikelihood(k, &Logit, GridAge(i))) << what << " at " << GridAge(i);
  };
  test::SetStages(k, 3, 4, 2, 3);
  expectOwnValues("first parameters");
  const double firstValue = grid[100];
  k.b[1] *= 1.5;
  expectOwnValues("a slope changed");
  EXPECT_NE(grid[100], firstValue);
  k.b[1] /= 1.5;
  for (int n = 0; n < 600; ++n) {
    k.a[0] += 0.001;
    expectOwnValues("one of many parameter sets");
  }
  k.a[0] -= 0.6;
  expectOwnValues("the first parameters again");
}
