#include <cmath>

#include <gtest/gtest.h>

#include "engine/AnalysisError.h"
#include "engine/ChiSq.h"

using namespace vorla;

TEST(ChiSq, KnownUpperTailProbabilities) {
  EXPECT_EQ(Chi2(1, 0), 1.0);
  EXPECT_NEAR(Chi2(2, 2), std::exp(-1.0), 1e-7);
  EXPECT_NEAR(Chi2(2, 10), 0.0067379, 1e-7);
  EXPECT_NEAR(Chi2(1, 3.8415), 0.0500, 5e-5);
  EXPECT_NEAR(Chi2(1, 6.6349), 0.0100, 5e-5);
  EXPECT_NEAR(Chi2(3, 7.8147), 0.0500, 5e-5);
  EXPECT_NEAR(Chi2(10, 18.307), 0.0500, 5e-5);
}

TEST(ChiSq, BothBranchesOfTheIncompleteGammaAgree) {
  // x < a takes the series, x >= a the continued fraction; P is continuous across.
  const double a = 3.0, lng = LnGamma(a);
  EXPECT_NEAR(IncompleteGammaP(a, 2.999999, lng), IncompleteGammaP(a, 3.0, lng), 1e-6);
  EXPECT_EQ(IncompleteGammaP(a, 0.0, lng), 0.0);
  EXPECT_EQ(IncompleteGammaP(a, -1.0, lng), 0.0);
}

TEST(ChiSq, IllegalInputIsRefused) {
  for (auto [df, x] : {std::pair{0.0, 1.0}, {1.0, -0.5}, {-2.0, 3.0}, {1.0, std::nan("")}}) {
    try {
      Chi2(df, x);
      ADD_FAILURE() << "no error for df " << df << ", x " << x;
    } catch (const AnalysisError& e) {
      EXPECT_STREQ(e.what(), "Chi2 called by illegal input");
    }
  }
}

TEST(ChiSq, InfiniteStatisticHasProbabilityZeroAndEnds) {
  EXPECT_EQ(Chi2(2, INFINITY), 0.0);
  // A huge finite statistic ends too, with a probability of 0 within rounding.
  EXPECT_NEAR(Chi2(3, 1e300), 0.0, 1e-12);
}

TEST(LnGamma, ExactAndReferenceValues) {
  EXPECT_EQ(LnGamma(1), 0.0);
  EXPECT_EQ(LnGamma(2), 0.0);
  EXPECT_NEAR(LnGamma(3), std::log(2.0), 1e-7);
  EXPECT_NEAR(LnGamma(0.5), std::log(std::sqrt(M_PI)), 1e-6);
  // 15 itself takes the recursion and the polynomial, 15.5 the Stirling series.
  EXPECT_NEAR(LnGamma(15), std::lgamma(15.0), 1e-10);
  EXPECT_NEAR(LnGamma(15.5), std::lgamma(15.5), 1e-10);
  EXPECT_NEAR(LnGamma(1e-12), -std::log(1e-12), 1e-9);
}
