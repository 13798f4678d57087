#include <cmath>

#include <gtest/gtest.h>

#include "engine/MaximumSearch.h"

using namespace vorla;

TEST(FindMaximum, ConstantStaysAtTheYoungestAge) {
  AgeProfile profile;
  const MaximumResult m = FindMaximum([](double) { return 0.7; }, profile);
  EXPECT_EQ(m.MLA, 15.0);
  EXPECT_EQ(m.ML, 0.7);
  EXPECT_TRUE(m.atEdge);
  for (int i = 0; i < AgeGridSize; ++i) {
    EXPECT_EQ(profile[i].Lik, 0.7);
    EXPECT_EQ(profile[i].Age, i * 0.25 + 15);
  }
}

TEST(FindMaximum, IncreasingFunctionEndsAtTheOldestAge) {
  AgeProfile profile;
  const MaximumResult m = FindMaximum([](double x) { return x / 200; }, profile);
  EXPECT_EQ(m.MLA, 110.0);
  EXPECT_EQ(m.ML, 0.55);
  EXPECT_TRUE(m.atEdge);
}

TEST(FindMaximum, TiesKeepTheYoungerAge) {
  // Equal heights at 30 and 60, lower everywhere else: the grid maximum is 30,
  // so the refinement runs around 30.
  AgeProfile profile;
  const auto f = [](double x) { return std::exp(-(x - 30) * (x - 30)) + std::exp(-(x - 60) * (x - 60)); };
  const MaximumResult m = FindMaximum(f, profile);
  EXPECT_NEAR(m.MLA, 30.0, 0.01);
  EXPECT_FALSE(m.atEdge);
}

TEST(FindMaximum, RefinesBetweenGridPoints) {
  AgeProfile profile;
  const MaximumResult m = FindMaximum([](double x) { return std::exp(-(x - 40.1) * (x - 40.1)); }, profile);
  EXPECT_NEAR(m.MLA, 40.1, 0.01);
  EXPECT_NEAR(m.ML, 1.0, 1e-4);
  EXPECT_FALSE(m.atEdge);
}

TEST(FindMaximum, ProfileKeepsRawValues) {
  AgeProfile profile;
  FindMaximum([](double x) { return 3 * x; }, profile);
  EXPECT_EQ(profile[4].Lik, 3 * 16.0);
}

TEST(FindMaximum, EndsOnAPathologicalFunction) {
  // Never reaches equal heights: the halving stops after its bounded rounds.
  AgeProfile profile;
  const auto f = [](double x) { return x == 50.0 ? 1e4 : std::sin(1e9 * x) * 1e3; };
  const MaximumResult m = FindMaximum(f, profile);
  EXPECT_GE(m.MLA, 49.75);
  EXPECT_LE(m.MLA, 50.25);
}

TEST(ConfidenceLimit, FindsTheRootOfAQuadratic) {
  const auto G = [](double x) { return (x - 50) * (x - 50) / 10 - 1.9208; };
  EXPECT_NEAR(ConfidenceLimit(G, 20, 50), 50 - std::sqrt(19.208), 1e-6);
  EXPECT_NEAR(ConfidenceLimit(G, 50, 110), 50 + std::sqrt(19.208), 1e-6);
}

TEST(ConfidenceLimit, SameSignAtBothEndsGivesZero) {
  EXPECT_EQ(ConfidenceLimit([](double) { return -1.0; }, 20, 50), 0.0);
  EXPECT_EQ(ConfidenceLimit([](double) { return 2.0; }, 20, 50), 0.0);
}

TEST(ConfidenceLimit, ZeroAtAnEndCountsAsARoot) {
  EXPECT_NEAR(ConfidenceLimit([](double x) { return x - 20; }, 20, 50), 20.0, 1e-6);
}
