// The mortality fit against a maximisation of the same likelihood written
// here from scratch, its errors against a numerical information, its
// limits against a profile found here, and what it says of thin samples.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "calib/LifeTable.h"
#include "calib/MortalityFit.h"
#include "calib/PriorAges.h"

using namespace vorla;
using namespace vorla::calib;

namespace {

using Grid = std::array<double, AgeGridSize>;

// Cases whose likelihoods are bell curves of widths 3 to 12 years around an
// age drawn from the model and read with an error of that width.
std::vector<Grid> BellCases(const MortalityModel& truth, int count, unsigned seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::vector<Grid> cases;
  for (int i = 0; i < count; ++i) {
    const double width = 3.0 + 9.0 * uniform(random);
    const double centre = DrawAgeAtDeath(truth, uniform(random)) + width * std::normal_distribution<>()(random);
    Grid g;
    for (int j = 0; j < AgeGridSize; ++j) g[j] = std::exp(-0.5 * std::pow((15.0 + 0.25 * j - centre) / width, 2));
    cases.push_back(g);
  }
  return cases;
}

CaseProfiles Profiles(const std::vector<Grid>& cases) {
  CaseProfiles profiles;
  for (const Grid& g : cases) profiles.Add(g);
  return profiles;
}

// The likelihood, from its definition: the density h S of every grid age
// weighted by the trapezoid rule and scaled to sum 1, against each profile.
double BruteLogLikelihood(const std::vector<Grid>& cases, double A, double B, double C) {
  if (A < 0.0 || B <= 0.0) return -1e300;
  std::vector<double> p(AgeGridSize);
  double sum = 0.0;
  for (int j = 0; j < AgeGridSize; ++j) {
    const double x = 15.0 + 0.25 * j;
    const double S = std::exp(-A * (x - 15.0) - (B / C) * (std::exp(C * x) - std::exp(C * 15.0)));
    p[j] = (j == 0 || j == AgeGridSize - 1 ? 0.5 : 1.0) * (A + B * std::exp(C * x)) * S;
    sum += p[j];
  }
  double total = 0.0;
  for (const Grid& g : cases) {
    double D = 0.0;
    for (int j = 0; j < AgeGridSize; ++j) D += g[j] * p[j] / sum;
    total += std::log(D);
  }
  return total;
}

// Nelder and Mead's simplex, started again from its best point until that no longer moves.
std::vector<double> NelderMead(const std::function<double(const std::vector<double>&)>& f, std::vector<double> x,
                               const std::vector<double>& scale) {
  const std::size_t n = x.size();
  // Each start is smaller than the one before, around the best point so far.
  double shrink = 1.0;
  for (int restart = 0; restart < 4; ++restart, shrink *= 0.1) {
    std::vector<std::vector<double>> s(n + 1, x);
    for (std::size_t i = 0; i < n; ++i) s[i + 1][i] += scale[i] * shrink;
    std::vector<double> v(n + 1);
    for (std::size_t i = 0; i <= n; ++i) v[i] = f(s[i]);
    for (int round = 0; round < 5000; ++round) {
      std::vector<std::size_t> order(n + 1);
      for (std::size_t i = 0; i <= n; ++i) order[i] = i;
      std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return v[a] < v[b]; });
      const std::size_t best = order[0], worst = order[n], second = order[n - 1];
      if (std::abs(v[worst] - v[best]) < 1e-11) break;
      std::vector<double> centre(n, 0.0);
      for (std::size_t i = 0; i <= n; ++i)
        if (i != worst)
          for (std::size_t k = 0; k < n; ++k) centre[k] += s[i][k] / n;
      const auto along = [&](double t) {
        std::vector<double> y(n);
        for (std::size_t k = 0; k < n; ++k) y[k] = centre[k] + t * (s[worst][k] - centre[k]);
        return y;
      };
      const std::vector<double> reflected = along(-1.0);
      const double fr = f(reflected);
      if (fr < v[best]) {
        const std::vector<double> expanded = along(-2.0);
        const double fe = f(expanded);
        if (fe < fr) {
          s[worst] = expanded, v[worst] = fe;
        } else {
          s[worst] = reflected, v[worst] = fr;
        }
      } else if (fr < v[second]) {
        s[worst] = reflected, v[worst] = fr;
      } else {
        const std::vector<double> contracted = along(0.5);
        const double fc = f(contracted);
        if (fc < v[worst]) {
          s[worst] = contracted, v[worst] = fc;
        } else {
          for (std::size_t i = 0; i <= n; ++i)
            if (i != best) {
              for (std::size_t k = 0; k < n; ++k) s[i][k] = s[best][k] + 0.5 * (s[i][k] - s[best][k]);
              v[i] = f(s[i]);
            }
        }
      }
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i <= n; ++i)
      if (v[i] < v[best]) best = i;
    x = s[best];
  }
  return x;
}

struct FitCase {
  const char* label;
  MortalityForm form;
  MortalityModel truth;
};

const FitCase FitCases[] = {
    {"makeham", MortalityForm::Makeham, {0.012, 3e-5, 0.1}},
    {"gompertz", MortalityForm::Gompertz, {0.0, 2e-3, 0.045}},
};

}  // namespace

// The fit is the maximum of the likelihood as defined, found here by a
// simplex search on (A, log B, C); its errors are the inverse of the
// likelihood's curvature found by differences; at C's limits the profile
// found here has fallen by the level's constant.
TEST(MortalityFit, EqualsABruteForceMaximumOfTheSameLikelihood) {
  for (const FitCase& fc : FitCases) {
    SCOPED_TRACE(fc.label);
    const std::vector<Grid> cases = BellCases(fc.truth, 600, 7);
    const MortalityEstimate fit = FitMortality(Profiles(cases), fc.form, 95);
    ASSERT_TRUE(fit.determined) << fit.problem;
    // Summed on two threads, the same numbers to the last digit.
    const MortalityEstimate onTwo = FitMortality(Profiles(cases), fc.form, 95, 2);
    EXPECT_EQ(onTwo.logLikelihood, fit.logLikelihood);
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(onTwo.parameters[k].estimate, fit.parameters[k].estimate);
      EXPECT_EQ(onTwo.parameters[k].high, fit.parameters[k].high);
    }
    const bool makeham = fc.form == MortalityForm::Makeham;
    // Coordinates (A, log B, C), or (log B, C) with A held at 0.
    const auto model = [makeham](const std::vector<double>& y) {
      return makeham ? MortalityModel{y[0], std::exp(y[1]), y[2]} : MortalityModel{0.0, std::exp(y[0]), y[1]};
    };
    const auto negative = [&](const std::vector<double>& y) {
      const MortalityModel m = model(y);
      return -BruteLogLikelihood(cases, m.A, m.B, m.C);
    };
    const std::vector<double> start =
        makeham ? std::vector<double>{0.005, std::log(1e-4), 0.07} : std::vector<double>{std::log(1e-3), 0.05};
    const std::vector<double> scale = makeham ? std::vector<double>{0.002, 0.5, 0.01} : std::vector<double>{0.5, 0.01};
    const MortalityModel brute = model(NelderMead(negative, start, scale));
    EXPECT_NEAR(fit.model.B, brute.B, 1e-4 * brute.B);
    EXPECT_NEAR(fit.model.C, brute.C, 1e-4 * brute.C);
    EXPECT_NEAR(fit.model.A, brute.A, 1e-4 * brute.A);
    const double best = BruteLogLikelihood(cases, brute.A, brute.B, brute.C);
    EXPECT_NEAR(fit.logLikelihood, best, 1e-6 * std::abs(best));
    EXPECT_NEAR(MortalityLogLikelihood(Profiles(cases), fit.model), fit.logLikelihood, 1e-9 * std::abs(best));

    // The observed information by central differences in (A, B, C), inverted.
    const std::vector<int> fitted = makeham ? std::vector<int>{0, 1, 2} : std::vector<int>{1, 2};
    const double at[3] = {fit.model.A, fit.model.B, fit.model.C};
    const double step[3] = {1e-4 * fit.model.A, 1e-4 * fit.model.B, 1e-4 * fit.model.C};
    const auto ll = [&](int i, double di, int k, double dk) {
      double p[3] = {at[0], at[1], at[2]};
      p[i] += di;
      p[k] += dk;
      return BruteLogLikelihood(cases, p[0], p[1], p[2]);
    };
    const std::size_t n = fitted.size();
    std::vector<std::vector<double>> info(n, std::vector<double>(n));
    for (std::size_t a = 0; a < n; ++a)
      for (std::size_t b = 0; b < n; ++b) {
        const int i = fitted[a], k = fitted[b];
        const double hi = step[i], hk = step[k];
        info[a][b] = -(ll(i, hi, k, hk) - ll(i, hi, k, -hk) - ll(i, -hi, k, hk) + ll(i, -hi, k, -hk)) / (4 * hi * hk);
      }
    // The inverse's diagonal by Gauss-Jordan elimination.
    std::vector<std::vector<double>> inverse(n, std::vector<double>(n, 0.0));
    for (std::size_t a = 0; a < n; ++a) inverse[a][a] = 1.0;
    for (std::size_t c = 0; c < n; ++c) {
      const double pivot = info[c][c];
      for (std::size_t k = 0; k < n; ++k) info[c][k] /= pivot, inverse[c][k] /= pivot;
      for (std::size_t r = 0; r < n; ++r)
        if (r != c) {
          const double factor = info[r][c];
          for (std::size_t k = 0; k < n; ++k)
            info[r][k] -= factor * info[c][k], inverse[r][k] -= factor * inverse[c][k];
        }
    }
    for (std::size_t a = 0; a < n; ++a) {
      const ParameterEstimate& p = fit.parameters[static_cast<std::size_t>(fitted[a])];
      ASSERT_TRUE(p.se);
      EXPECT_NEAR(*p.se, std::sqrt(inverse[a][a]), 2e-3 * *p.se) << "parameter " << fitted[a];
    }
    if (!makeham) {
      EXPECT_FALSE(fit.parameters[0].fitted || fit.parameters[0].se || fit.parameters[0].low);
    }
    EXPECT_EQ(fit.model.A == 0.0, !makeham);

    // At each limit of C the likelihood maximised over the rest has fallen by 1.9208.
    for (const std::optional<double>& limit : {fit.parameters[2].low, fit.parameters[2].high}) {
      ASSERT_TRUE(limit);
      const auto negativeAtLimit = [&](const std::vector<double>& y) {
        return makeham ? -BruteLogLikelihood(cases, y[0], std::exp(y[1]), *limit)
                       : -BruteLogLikelihood(cases, 0.0, std::exp(y[0]), *limit);
      };
      const std::vector<double> from = makeham ? std::vector<double>{fit.model.A, std::log(fit.model.B)}
                                               : std::vector<double>{std::log(fit.model.B)};
      const std::vector<double> scales = makeham ? std::vector<double>{0.001, 0.3} : std::vector<double>{0.3};
      const double profile = -negativeAtLimit(NelderMead(negativeAtLimit, from, scales));
      EXPECT_NEAR(fit.logLikelihood - profile, 1.9208, 1e-4);
    }
    EXPECT_LT(*fit.parameters[2].low, fit.model.C);
    EXPECT_GT(*fit.parameters[2].high, fit.model.C);
  }
}

// A handful of cases cannot determine C, and the fit says so instead of
// giving numbers; with none there is nothing to fit.
TEST(MortalityFit, ThinSamplesAreSaidNotToDetermineC) {
  const MortalityModel truth{0.012, 3e-5, 0.1};
  for (int count : {0, 1, 3}) {
    const MortalityEstimate fit = FitMortality(Profiles(BellCases(truth, count, 3)), MortalityForm::Makeham, 95);
    EXPECT_FALSE(fit.determined) << count;
    EXPECT_FALSE(fit.problem.empty()) << count;
    EXPECT_EQ(fit.n, static_cast<std::size_t>(count));
  }
  CaseProfiles profiles;
  EXPECT_THROW(profiles.Add(Grid{}), std::invalid_argument);
}

// The life table against sums and integrals taken here: everyone alive at
// 15 dies in a class, the expectation of life at 15 is the mean age at death
// less 15, the mean is the integral of x f(x), and the mode is where the
// density stops rising (15 for the forensic prior, whose density falls from 15).
TEST(LifeTable, AgreesWithTheDensityOfAgeAtDeath) {
  for (const MortalityModel& m :
       {*BuiltInModel("archeological"), *BuiltInModel("forensic"), MortalityModel{0.0, 2e-3, 0.045}}) {
    const std::vector<LifeTableRow> table = LifeTable(m);
    ASSERT_EQ(table.size(), 19u);
    double deaths = 0.0;
    for (const LifeTableRow& row : table) deaths += row.dx;
    EXPECT_NEAR(deaths, 100000.0, 1e-6);
    EXPECT_DOUBLE_EQ(table.front().lx, 100000.0);
    EXPECT_DOUBLE_EQ(table.back().qx, 1.0);
    EXPECT_NEAR(table.front().ex + 15.0, MeanAgeAtDeath(m), 1e-9);
    const auto density = [&m](double x) { return Hazard(m, x) * Survival(m, x); };
    double mass = 0.0, moment = 0.0;
    const int steps = 190000;
    for (int i = 0; i < steps; ++i) {
      const double x = 15.0 + (i + 0.5) * 95.0 / steps;
      mass += density(x);
      moment += x * density(x);
    }
    EXPECT_NEAR(MeanAgeAtDeath(m), moment / mass, 1e-4);
    const double mode = ModalAgeAtDeath(m);
    if (mode > 15.0) {
      EXPECT_GT(density(mode), density(mode - 0.01));
      EXPECT_GT(density(mode), density(mode + 0.01));
    } else {
      EXPECT_GT(density(15.0), density(15.01));
    }
  }
  EXPECT_EQ(ModalAgeAtDeath(*BuiltInModel("forensic")), 15.0);
}

// gm:A,B,C names a model; the built-in priors drawn as models are drawn as before.
TEST(MortalityModel, ParsedFromItsTextAndDrawnAsThePriors) {
  const auto parsed = ParseMortalityModel("gm:0.01,2.5e-05,0.1");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->A, 0.01);
  EXPECT_EQ(parsed->B, 2.5e-05);
  EXPECT_EQ(parsed->C, 0.1);
  EXPECT_FALSE(ParseMortalityModel("prior:forensic"));
  for (const char* bad : {"gm:", "gm:0.01,2e-5", "gm:0.01,2e-5,0.1,4", "gm:-0.01,2e-5,0.1", "gm:0.01,0,0.1",
                          "gm:0.01,2e-5,0", "gm:0.01,x,0.1", "gm:0,2e-5,inf"})
    EXPECT_THROW(ParseMortalityModel(bad), std::invalid_argument) << bad;
  for (const char* prior : {"archeological", "forensic"})
    for (double x : {15.0, 20.0, 47.3, 90.0, 110.0})
      EXPECT_NEAR(AgeAtDeathShare(*BuiltInModel(prior), x), PriorAgeShare(prior, x), 1e-12) << prior << " " << x;
}
