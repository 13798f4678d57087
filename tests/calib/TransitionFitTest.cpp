// The fit of a component's transitions: the likelihood is the analysis's own,
// the fit is its maximum, and the standard errors come from its curvature.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "calib/CalibrationReport.h"
#include "calib/TransitionFit.h"
#include "engine/AnalysisTree.h"
#include "engine/StageLikelihood.h"

using namespace vorla;
using namespace vorla::calib;

namespace {

struct Truth {
  std::vector<double> a, b;
  int N() const { return static_cast<int>(a.size()); }
  double Age(int j) const { return -a[static_cast<std::size_t>(j)] / b[static_cast<std::size_t>(j)]; }
};

int DrawStage(const Truth& t, double age, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  int stage = 1;
  for (int j = 0; j < t.N(); ++j) {
    if (!(u(rng) < Logit(t.a[static_cast<std::size_t>(j)], t.b[static_cast<std::size_t>(j)], 0, 0, 0, age))) break;
    ++stage;
  }
  return stage;
}

// Individuals aged 15 to 100, both sides drawn; a share of the sides is
// scored as an interval of two stages that holds the true one. Which
// intervals an observer may use does not depend on the true stage: the
// stages are cut either into 1-2, 3-4, ... or into 1, 2-3, 4-5, ...
std::vector<FitObservation> Draw(const Truth& t, int count, double intervalShare, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> age(15.0, 100.0), u(0.0, 1.0);
  std::vector<FitObservation> obs;
  for (int i = 0; i < count; ++i) {
    FitObservation o;
    o.age = age(rng);
    for (int side = 0; side < 2; ++side) {
      int stage = DrawStage(t, o.age, rng);
      int low = stage, high = stage;
      if (u(rng) < intervalShare) {
        const int shift = u(rng) < 0.5 ? 0 : 1;  // which way of cutting
        low = ((stage - 1 + shift) / 2) * 2 + 1 - shift;
        high = std::min(low + 1, t.N() + 1);
        low = std::max(low, 1);
      }
      o.low[static_cast<std::size_t>(side)] = static_cast<std::int8_t>(low);
      o.high[static_cast<std::size_t>(side)] = static_cast<std::int8_t>(high);
    }
    obs.push_back(o);
  }
  return obs;
}

// Inverse of a small symmetric matrix by Gauss-Jordan elimination.
std::vector<double> Inverse(std::vector<double> m, int n) {
  std::vector<double> inv(static_cast<std::size_t>(n * n), 0.0);
  for (int i = 0; i < n; ++i) inv[static_cast<std::size_t>(i * n + i)] = 1.0;
  for (int c = 0; c < n; ++c) {
    int pivot = c;
    for (int r = c + 1; r < n; ++r)
      if (std::abs(m[static_cast<std::size_t>(r * n + c)]) > std::abs(m[static_cast<std::size_t>(pivot * n + c)]))
        pivot = r;
    for (int k = 0; k < n; ++k) {
      std::swap(m[static_cast<std::size_t>(c * n + k)], m[static_cast<std::size_t>(pivot * n + k)]);
      std::swap(inv[static_cast<std::size_t>(c * n + k)], inv[static_cast<std::size_t>(pivot * n + k)]);
    }
    const double d = m[static_cast<std::size_t>(c * n + c)];
    for (int k = 0; k < n; ++k) {
      m[static_cast<std::size_t>(c * n + k)] /= d;
      inv[static_cast<std::size_t>(c * n + k)] /= d;
    }
    for (int r = 0; r < n; ++r) {
      if (r == c) continue;
      const double f = m[static_cast<std::size_t>(r * n + c)];
      for (int k = 0; k < n; ++k) {
        m[static_cast<std::size_t>(r * n + k)] -= f * m[static_cast<std::size_t>(c * n + k)];
        inv[static_cast<std::size_t>(r * n + k)] -= f * inv[static_cast<std::size_t>(c * n + k)];
      }
    }
  }
  return inv;
}

const Truth ThreeTransitions{{-4.0, -4.2, -4.5}, {0.16, 0.105, 0.075}};  // ages 25, 40, 60

}  // namespace

TEST(TransitionFit, LikelihoodIsTheAnalysisComponentLikelihood) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const int N = 5;
  TraitComponent k;
  k.NumStagesOfComponent = N;
  std::vector<double> a, b;
  for (int j = 0; j < N; ++j) {
    a.push_back(-1.0 - 7.0 * u(rng));
    b.push_back(0.03 + 0.25 * u(rng));
    k.a[static_cast<std::size_t>(j)] = a.back();
    k.b[static_cast<std::size_t>(j)] = b.back();
  }
  std::vector<FitObservation> obs;
  double expected = 0.0;
  for (int i = 0; i < 500; ++i) {
    FitObservation o;
    o.age = 15.0 + 95.0 * u(rng);
    int stages[2][2] = {{0, 0}, {0, 0}};
    for (int side = 0; side < 2; ++side) {
      if (side == 1 && u(rng) < 0.3) continue;  // one side only
      int low = 1 + static_cast<int>(u(rng) * (N + 1)), high = 1 + static_cast<int>(u(rng) * (N + 1));
      if (u(rng) < 0.6) high = low;  // mostly single stages, some intervals
      if (low > high) std::swap(low, high);
      stages[side][0] = low;
      stages[side][1] = high;
      o.low[static_cast<std::size_t>(side)] = static_cast<std::int8_t>(low);
      o.high[static_cast<std::size_t>(side)] = static_cast<std::int8_t>(high);
    }
    k.EnteredRight = stages[0][0];
    k.NotOutOfRight = stages[0][1];
    k.EnteredLeft = stages[1][0];
    k.NotOutOfLeft = stages[1][1];
    expected += std::log(ComponentLikelihood(k, &Logit, o.age));
    obs.push_back(o);
  }
  EXPECT_NEAR(ComponentLogLikelihood(N, obs, a, b), expected, 1e-9 * std::abs(expected));
}

TEST(TransitionFit, FindsTheMaximumAndItsCurvature) {
  const std::vector<FitObservation> obs = Draw(ThreeTransitions, 1500, 0.3, 11);
  const ComponentFit fit = FitComponent(3, obs, 20);
  ASSERT_EQ(fit.status, FitStatus::Converged) << fit.problem;
  EXPECT_EQ(fit.individuals, 1500);
  ASSERT_EQ(fit.transitions.size(), 3u);

  std::vector<double> a, b;
  for (const TransitionEstimate& t : fit.transitions) {
    a.push_back(t.a);
    b.push_back(t.b);
    EXPECT_NEAR(t.age, -t.a / t.b, 1e-9);
  }
  const double top = ComponentLogLikelihood(3, obs, a, b);
  EXPECT_NEAR(top, fit.logLikelihood, 1e-8 * std::abs(top));

  // No nearby point is higher: the fit is the maximum.
  for (int p = 0; p < 6; ++p)
    for (double step : {-1e-3, 1e-3}) {
      std::vector<double> a2 = a, b2 = b;
      (p % 2 == 0 ? a2 : b2)[static_cast<std::size_t>(p / 2)] += (p % 2 == 0 ? step : step / 50.0);
      EXPECT_LT(ComponentLogLikelihood(3, obs, a2, b2), top + 1e-9) << "parameter " << p;
    }

  // Standard errors of the ages from a numerical Hessian agree with the fit's.
  const auto value = [&](const std::vector<double>& x) {
    return ComponentLogLikelihood(3, obs, {x[0], x[2], x[4]}, {x[1], x[3], x[5]});
  };
  const std::vector<double> x0 = {a[0], b[0], a[1], b[1], a[2], b[2]};
  const double h[6] = {1e-3, 2e-5, 1e-3, 2e-5, 1e-3, 2e-5};
  std::vector<double> info(36);
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j) {
      auto at = [&](double si, double sj) {
        std::vector<double> x = x0;
        x[static_cast<std::size_t>(i)] += si * h[i];
        x[static_cast<std::size_t>(j)] += sj * h[j];
        return value(x);
      };
      info[static_cast<std::size_t>(i * 6 + j)] = -(at(1, 1) - at(1, -1) - at(-1, 1) + at(-1, -1)) / (4 * h[i] * h[j]);
    }
  const std::vector<double> cov = Inverse(info, 6);
  for (int t = 0; t < 3; ++t) {
    const double ga = -1.0 / b[static_cast<std::size_t>(t)];
    const double gb =
        a[static_cast<std::size_t>(t)] / (b[static_cast<std::size_t>(t)] * b[static_cast<std::size_t>(t)]);
    const int i = 2 * t;
    const double variance = ga * ga * cov[static_cast<std::size_t>(i * 6 + i)] +
                            2 * ga * gb * cov[static_cast<std::size_t>(i * 6 + i + 1)] +
                            gb * gb * cov[static_cast<std::size_t>((i + 1) * 6 + i + 1)];
    EXPECT_NEAR(fit.transitions[static_cast<std::size_t>(t)].ageSE, std::sqrt(variance), 0.01 * std::sqrt(variance))
        << "transition " << t + 1;
  }
}

TEST(TransitionFit, IntervalScoresAreUsedNotDropped) {
  // Most sides are scored as an interval of two stages that holds the true one.
  const std::vector<FitObservation> obs = Draw(ThreeTransitions, 3000, 0.6, 3);
  const ComponentFit fit = FitComponent(3, obs, 20);
  ASSERT_EQ(fit.status, FitStatus::Converged) << fit.problem;
  EXPECT_EQ(fit.individuals, 3000);
  for (int t = 0; t < 3; ++t) {
    const TransitionEstimate& e = fit.transitions[static_cast<std::size_t>(t)];
    EXPECT_LT(std::abs(e.age - ThreeTransitions.Age(t)), 4 * e.ageSE) << "transition " << t + 1;
  }
  // Without the interval sides the same individuals tell less.
  std::vector<FitObservation> exactOnly;
  for (FitObservation o : obs) {
    for (std::size_t side = 0; side < 2; ++side)
      if (o.low[side] != o.high[side]) o.low[side] = o.high[side] = 0;
    if (o.low[0] > 0 || o.low[1] > 0) exactOnly.push_back(o);
  }
  const ComponentFit reduced = FitComponent(3, exactOnly, 20);
  ASSERT_EQ(reduced.status, FitStatus::Converged) << reduced.problem;
  for (int t = 0; t < 3; ++t)
    EXPECT_LT(fit.transitions[static_cast<std::size_t>(t)].ageSE,
              reduced.transitions[static_cast<std::size_t>(t)].ageSE)
        << "transition " << t + 1;
}

TEST(TransitionFit, SidesOfEachTransitionAreCountedPerIndividual) {
  auto single = [](double age, int right, int left) {
    FitObservation o;
    o.age = age;
    o.low = {static_cast<std::int8_t>(right), static_cast<std::int8_t>(left)};
    o.high = o.low;
    return o;
  };
  std::vector<FitObservation> obs = {single(20, 3, 0), single(30, 2, 3), single(40, 4, 4)};
  FitObservation interval;  // stages 2 to 3: past transition 1, the rest unknown
  interval.age = 50;
  interval.low = {2, 0};
  interval.high = {3, 0};
  obs.push_back(interval);
  FitObservation everything;  // stages 1 to 4 of a 3-transition trait tell nothing
  everything.age = 60;
  everything.low = {1, 0};
  everything.high = {4, 0};
  obs.push_back(everything);
  const std::vector<TransitionSides> s = CountTransitionSides(3, obs);
  EXPECT_EQ(s[0].before, 0);
  EXPECT_EQ(s[0].after, 4);
  EXPECT_EQ(s[1].before, 1);  // the right side at 30
  EXPECT_EQ(s[1].after, 3);   // 20, the left side at 30, 40
  EXPECT_EQ(s[2].before, 2);  // 20 and the left side at 30
  EXPECT_EQ(s[2].after, 1);
  EXPECT_DOUBLE_EQ(s[2].youngestBefore, 20);
  EXPECT_DOUBLE_EQ(s[2].oldestBefore, 30);
  EXPECT_DOUBLE_EQ(s[0].oldestAfter, 50);
  // At risk: every informative individual has reached stage 1 and 2; stage 3
  // is reached by 20, 30 (left), 40, and is possible for the interval at 50.
  EXPECT_EQ(s[0].atRisk, 4);
  EXPECT_EQ(s[1].atRisk, 4);
  EXPECT_EQ(s[2].atRisk, 4);
  // By stage: the sides of 30 count in stages 2 and 3, the alike sides of 40
  // once, the interval and the whole range nowhere.
  EXPECT_EQ(CountStages(3, obs), (std::vector<int>{0, 1, 2, 1}));
  obs.push_back(single(70, 1, 1));
  EXPECT_EQ(CountTransitionSides(3, obs)[1].atRisk, 4);  // stage 1 only: not at risk of leaving stage 2
}

TEST(TransitionFit, UndeterminedTransitionsStopTheFitAndSayWhich) {
  std::vector<FitObservation> obs = Draw(ThreeTransitions, 300, 0.0, 8);
  // Few individuals stay in stage 1: transition 1 has too few before it.
  ComponentFit fit = FitComponent(3, obs, 100);
  EXPECT_EQ(fit.status, FitStatus::TooFew);
  EXPECT_EQ(fit.problemTransition, 0);
  EXPECT_NE(fit.problem.find("transition 1 (stage 1 to 2): "), std::string::npos) << fit.problem;
  EXPECT_NE(fit.problem.find("at least 100 are needed on each side"), std::string::npos);
  // Every thin transition is listed, not just the first.
  fit = FitComponent(3, obs, 150);
  ASSERT_EQ(fit.problems.size(), 3u);
  for (int j = 0; j < 3; ++j)
    EXPECT_EQ(fit.problems[static_cast<std::size_t>(j)].rfind(TransitionName(j) + ": ", 0), 0u) << fit.problems[j];
  ASSERT_EQ(fit.stageCounts.size(), 4u);
  for (std::size_t j = 0; j < 3; ++j) EXPECT_EQ(fit.stageCounts[j], fit.sides[j].before);

  auto single = [](double age, int stage) {
    FitObservation o;
    o.age = age;
    o.low = {static_cast<std::int8_t>(stage), 0};
    o.high = o.low;
    return o;
  };
  std::vector<FitObservation> separated;
  for (int i = 0; i < 30; ++i) separated.push_back(single(20 + i * 0.5, 1));
  for (int i = 0; i < 30; ++i) separated.push_back(single(35 + i * 0.5, 2));
  fit = FitComponent(1, separated, 20);
  EXPECT_EQ(fit.status, FitStatus::Separated);
  EXPECT_EQ(fit.problemTransition, 0);
  EXPECT_NE(fit.problem.find("at most 34.5 years"), std::string::npos) << fit.problem;
  EXPECT_NE(fit.problem.find("complete separation"), std::string::npos);

  // The same ages with the stages the other way round are just as undetermined.
  std::vector<FitObservation> reversed = separated;
  for (FitObservation& o : reversed) o.low[0] = o.high[0] = static_cast<std::int8_t>(3 - o.low[0]);
  EXPECT_EQ(FitComponent(1, reversed, 20).status, FitStatus::Separated);

  // Ages that touch at one point leave it undetermined; an overlap settles it.
  separated.push_back(single(34.5, 2));
  EXPECT_EQ(FitComponent(1, separated, 20).status, FitStatus::Separated);
  separated.push_back(single(38, 1));
  separated.push_back(single(31, 2));
  const ComponentFit overlapping = FitComponent(1, separated, 20);
  EXPECT_EQ(overlapping.status, FitStatus::Converged) << overlapping.problem;
  EXPECT_NEAR(overlapping.transitions[0].age, 34.5, 1.5);
}

TEST(TransitionFit, FlagsOfAFittedComponent) {
  ComponentFit fit;
  fit.transitions = {{-4.0, 0.1, 40.0, 1.0}, {-3.0, 0.1, 30.0, 1.0}, {-5.0, -0.1, -50.0, NAN}};
  EXPECT_EQ(TransitionFlag(fit, 0), "");
  EXPECT_EQ(TransitionFlag(fit, 1), "age below that of transition 1");
  EXPECT_EQ(TransitionFlag(fit, 2),
            "age below that of transition 2; slope not positive; not determined by this sample (age outside 15-110)");

  // Ages the sample cannot carry: beyond the age range, or too uncertain.
  ComponentFit loose;
  loose.transitions = {
      {-1.48, 0.1, 14.8, 3.0}, {-4.0, 0.1, 40.0, 25.0}, {-11.7, 0.1, 117.0, 5.0}, {-12.0, 0.1, 120.0, NAN}};
  EXPECT_EQ(TransitionFlag(loose, 0), "not determined by this sample (age outside 15-110)");
  EXPECT_EQ(TransitionFlag(loose, 1), "not determined by this sample (standard error above 20 years)");
  EXPECT_EQ(TransitionFlag(loose, 1, 30.0), "");
  EXPECT_EQ(TransitionFlag(loose, 2), "not determined by this sample (age outside 15-110)");
  EXPECT_EQ(TransitionFlag(loose, 3), "not determined by this sample (age outside 15-110)");
  ComponentFit unknown;
  unknown.transitions = {{-4.0, 0.1, 40.0, NAN}};
  EXPECT_EQ(TransitionFlag(unknown, 0), "not determined by this sample (standard error unknown)");
}
