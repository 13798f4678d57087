#include "engine/ChiSq.h"

#include <cmath>

#include "engine/AnalysisError.h"

namespace vorla {

namespace {

// Guards both incomplete-gamma loops: ordinary arguments converge within a
// few hundred rounds.
constexpr int MaxGammaRounds = 10000;

constexpr long double GammaPolynomial[8] = {-0.577191652L, 0.988205891L, -0.897056937L, 0.918206857L,
                                            -0.756704078L, 0.482199394L, -0.193527818L, 0.035868343L};

[[noreturn]] void GammaDidNotConverge() {
  throw AnalysisError("IncompleteGammaP did not converge");
}

}  // namespace

double LnGamma(double x) {
  const long double lx = x;
  if (lx < 1e-10L) return static_cast<double>(-std::log(lx));
  if (lx > 15.0L) {
    const long double s = (lx - 0.5L) * std::log(lx) - lx + std::log(2.5066282746310005L);
    return static_cast<double>(s + 1.0L / (12.0L * lx) - 1.0L / (360.0L * lx * lx * lx) +
                               (1.0L / 1260.0L - 1.0L / (1680.0L * lx * lx)) * std::exp(-5.0L * std::log(lx)));
  }
  long double c = 0.0L;
  long double z = lx;
  if (lx < 1.0L) {
    c = -std::log(lx);
  } else if (lx < 2.0L) {
    z = lx - 1.0L;
  } else {
    do {
      c += std::log(z - 1.0L);
      z -= 1.0L;
    } while (z >= 2.0L);
    z -= 1.0L;
  }
  long double g = 1.0L;
  long double power = z;
  for (long double coefficient : GammaPolynomial) {
    g += coefficient * power;
    power *= z;
  }
  return static_cast<double>(std::log(g) + c);
}

double IncompleteGammaP(double a, double x, double lnGammaOfA) {
  if (x <= 0.0) return 0.0;
  const long double la = a, lx = x;
  const long double factor = std::exp(la * std::log(lx) - lx - lnGammaOfA);
  if (lx <= 1.0L || lx < la) {
    long double sum = 1.0L, term = 1.0L, r = la;
    int rounds = 0;
    do {
      if (++rounds > MaxGammaRounds) GammaDidNotConverge();
      r += 1.0L;
      term = term * lx / r;
      sum += term;
    } while (term > 1e-8L);
    return static_cast<double>(sum * factor / la);
  }
  long double u = 1.0L - la;
  long double v = u + lx + 1.0L;
  long double n = 0.0L;
  long double p1 = 1.0L, p2 = lx, p3 = lx + 1.0L, p4 = lx * v;
  long double g = p3 / p4;
  for (int rounds = 0;; ++rounds) {
    if (rounds >= MaxGammaRounds) GammaDidNotConverge();
    u += 1.0L;
    v += 2.0L;
    n += 1.0L;
    const long double w = u * n;
    const long double p5 = v * p3 - w * p1;
    const long double p6 = v * p4 - w * p2;
    if (p6 != 0.0L) {
      const long double r = p5 / p6;
      const long double d = std::fabs(g - r);
      if (d <= 1e-8L && d <= 1e-8L * r) break;
      g = r;
    }
    p1 = p3;
    p2 = p4;
    p3 = p5;
    p4 = p6;
    if (std::fabs(p5) >= 1e30L) {
      p1 /= 1e30L;
      p2 /= 1e30L;
      p3 /= 1e30L;
      p4 /= 1e30L;
    }
  }
  return static_cast<double>(1.0L - factor * g);
}

double Chi2(double df, double x) {
  if (!(df > 0.0 && x >= 0.0)) throw AnalysisError("Chi2 called by illegal input");
  // A statistic that overflowed (a likelihood that underflowed to 0) lies
  // beyond every finite quantile.
  if (std::isinf(x)) return 0.0;
  return 1.0 - IncompleteGammaP(df / 2.0, x / 2.0, LnGamma(df / 2.0));
}

}  // namespace vorla
