#include "calib/MortalityFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "engine/AnalysisSettings.h"
#include "params/ParallelWork.h"

namespace vorla::calib {

void CaseProfiles::Add(const std::array<double, AgeGridSize>& profile) {
  if (!std::any_of(profile.begin(), profile.end(), [](double v) { return v > 0.0; }))
    throw std::invalid_argument("the case's likelihood is 0 at every age");
  values_.insert(values_.end(), profile.begin(), profile.end());
}

namespace {

constexpr std::size_t N = AgeGridSize;
// The coordinates of the fit: A, log B and C.
constexpr int IndexA = 0, IndexLogB = 1, IndexC = 2;
using Vec3 = std::array<double, 3>;
using Mat3 = std::array<Vec3, 3>;
using Free = std::array<bool, 3>;

MortalityModel ModelAt(const Vec3& x) {
  return {x[IndexA], std::exp(x[IndexLogB]), x[IndexC]};
}

// Where a fit may look: beyond these a sample says nothing sensible.
bool Plausible(const Vec3& x) {
  return x[IndexA] >= 0.0 && x[IndexA] <= 1.0 && x[IndexLogB] >= -60.0 && x[IndexLogB] <= 5.0 && x[IndexC] >= -0.5 &&
         x[IndexC] <= 1.5;
}

// The model's shares of the grid and, for the derivatives, every age's score
// s_j = d log p_j / dx (x = A, log B, C) and the matrix
// T_j = d2 log p_j / dx2 + s_j s_j'.
struct GridTerms {
  std::array<double, N> share{};
  std::array<std::array<double, N>, 3> score{};
  std::array<Mat3, N> curvature{};
};

void FillTerms(const Vec3& x, bool derivatives, GridTerms& t) {
  const double A = x[IndexA], B = std::exp(x[IndexLogB]), C = x[IndexC];
  const double e15 = std::exp(C * AgeGridStart);
  std::array<double, N> logShare;
  std::array<Vec3, N> d;
  std::array<Mat3, N> H;
  for (std::size_t j = 0; j < N; ++j) {
    const double a = GridAge(static_cast<int>(j)), u = a - AgeGridStart;
    const double BE = B * std::exp(C * a), h = A + BE;
    // K, K1, K2: the integral of e^(Ct) over t from 15 to a, and its first two derivatives in C.
    const std::array<double, 3> I = GrowthIntegrals(C, u);
    const double K = e15 * I[0];
    const double K1 = e15 * (AgeGridStart * I[0] + I[1]);
    const double K2 = e15 * (AgeGridStart * AgeGridStart * I[0] + 2.0 * AgeGridStart * I[1] + I[2]);
    const double weight = j == 0 || j == N - 1 ? 0.5 : 1.0;
    logShare[j] = std::log(weight) + std::log(h) - A * u - B * K;
    if (!derivatives) continue;
    const double r = BE / h, ra = r * a;
    d[j] = {1.0 / h - u, r - B * K, ra - B * K1};
    const double hh = h * h;
    H[j][0] = {-1.0 / hh, -BE / hh, -BE * a / hh};
    H[j][1] = {H[j][0][1], r - r * r - B * K, ra - r * ra - B * K1};
    H[j][2] = {H[j][0][2], H[j][1][2], ra * a - ra * ra - B * K2};
  }
  const double top = *std::max_element(logShare.begin(), logShare.end());
  double sum = 0.0;
  for (std::size_t j = 0; j < N; ++j) sum += t.share[j] = std::exp(logShare[j] - top);
  for (double& p : t.share) p /= sum;
  if (!derivatives) return;
  // log p_j = log g_j - log Z: its derivatives take those of log Z off.
  Vec3 mean{};
  Mat3 second{};
  for (std::size_t j = 0; j < N; ++j)
    for (int a = 0; a < 3; ++a) {
      mean[a] += t.share[j] * d[j][a];
      for (int b = 0; b < 3; ++b) second[a][b] += t.share[j] * (H[j][a][b] + d[j][a] * d[j][b]);
    }
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) second[a][b] -= mean[a] * mean[b];
  for (std::size_t j = 0; j < N; ++j) {
    Vec3 s;
    for (int a = 0; a < 3; ++a) t.score[a][j] = s[a] = d[j][a] - mean[a];
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) t.curvature[j][a][b] = H[j][a][b] - second[a][b] + s[a] * s[b];
  }
}

struct Evaluation {
  double logLikelihood = -std::numeric_limits<double>::infinity();
  Vec3 gradient{};
  Mat3 hessian{};
};

// What one part of the cases adds to the log-likelihood and its derivatives.
struct PartSums {
  long double logLikelihood = 0.0L;
  bool positive = true;  // every case's integral above 0
  Vec3 gradient{};
  Mat3 outer{};
  std::array<double, N> Q{};
};

// The log-likelihood at x and, when asked, its gradient and Hessian:
// with q_ij = L_ij p_j / D_i (D_i = sum_j L_ij p_j), m_i = sum_j q_ij s_j and
// Q_j = sum_i q_ij, the gradient is sum_i m_i and the Hessian is
// sum_j Q_j T_j - sum_i m_i m_i'. The cases are summed in parts of a fixed
// size, on the pool's threads, and the parts added in their order: the sums
// are the same for any number of threads.
class Likelihood {
 public:
  Likelihood(const CaseProfiles& cases, int jobs) : cases_(cases), pool_(std::max(jobs, 1) - 1) {
    parts_.resize((cases.Count() + PartSize - 1) / PartSize);
  }

  Evaluation Evaluate(const Vec3& x, bool derivatives) {
    FillTerms(x, derivatives, terms_);
    pool_.ForEachIndex(parts_.size(), [&](std::size_t part) { SumPart(part, derivatives); });
    Evaluation e;
    long double sum = 0.0L;  // of many cases: the last digits of the maximum depend on it
    Mat3 outer{};
    std::array<double, N> Q{};
    for (const PartSums& p : parts_) {
      if (!p.positive) return e;
      sum += p.logLikelihood;
      if (!derivatives) continue;
      for (int a = 0; a < 3; ++a) {
        e.gradient[a] += p.gradient[a];
        for (int b = 0; b < 3; ++b) outer[a][b] += p.outer[a][b];
      }
      for (std::size_t j = 0; j < N; ++j) Q[j] += p.Q[j];
    }
    e.logLikelihood = static_cast<double>(sum);
    if (!derivatives) return e;
    for (std::size_t j = 0; j < N; ++j)
      for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) e.hessian[a][b] += Q[j] * terms_.curvature[j][a][b];
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) e.hessian[a][b] -= outer[a][b];
    return e;
  }

 private:
  static constexpr std::size_t PartSize = 256;

  void SumPart(std::size_t part, bool derivatives) {
    PartSums& sums = parts_[part];
    sums = PartSums{};
    const GridTerms& t = terms_;
    const std::size_t end = std::min(cases_.Count(), (part + 1) * PartSize);
    // Each sum over the grid runs in Lanes interleaved partial sums, which
    // the processor adds side by side, then added up in a fixed order.
    constexpr std::size_t Lanes = 4, Whole = N / Lanes * Lanes;
    std::array<double, N> w;
    for (std::size_t i = part * PartSize; i < end; ++i) {
      const double* L = cases_.Profile(i);
      double d[Lanes] = {};
      for (std::size_t j = 0; j < Whole; j += Lanes)
        for (std::size_t l = 0; l < Lanes; ++l) d[l] += w[j + l] = L[j + l] * t.share[j + l];
      for (std::size_t j = Whole; j < N; ++j) d[0] += w[j] = L[j] * t.share[j];
      const double D = (d[0] + d[1]) + (d[2] + d[3]);
      if (!(D > 0.0)) {
        sums.positive = false;
        return;
      }
      sums.logLikelihood += std::log(D);
      if (!derivatives) continue;
      const double inverse = 1.0 / D;
      double m0[Lanes] = {}, m1[Lanes] = {}, m2[Lanes] = {};
      const auto add = [&](std::size_t j, std::size_t l) {
        const double q = w[j] * inverse;
        sums.Q[j] += q;
        m0[l] += q * t.score[0][j];
        m1[l] += q * t.score[1][j];
        m2[l] += q * t.score[2][j];
      };
      for (std::size_t j = 0; j < Whole; j += Lanes)
        for (std::size_t l = 0; l < Lanes; ++l) add(j + l, l);
      for (std::size_t j = Whole; j < N; ++j) add(j, 0);
      const Vec3 m{(m0[0] + m0[1]) + (m0[2] + m0[3]), (m1[0] + m1[1]) + (m1[2] + m1[3]),
                   (m2[0] + m2[1]) + (m2[2] + m2[3])};
      for (int a = 0; a < 3; ++a) {
        sums.gradient[a] += m[a];
        for (int b = 0; b < 3; ++b) sums.outer[a][b] += m[a] * m[b];
      }
    }
  }

  const CaseProfiles& cases_;
  WorkerPool pool_;
  GridTerms terms_;
  std::vector<PartSums> parts_;
};

// Solves m y = v for the coordinates in `use` by Cholesky; false when m is
// not positive definite on them.
bool SolvePositive(const Mat3& m, const Vec3& v, const Free& use, Vec3& y) {
  int index[3], n = 0;
  for (int a = 0; a < 3; ++a)
    if (use[a]) index[n++] = a;
  double L[3][3] = {};
  for (int r = 0; r < n; ++r)
    for (int c = 0; c <= r; ++c) {
      double s = m[index[r]][index[c]];
      for (int k = 0; k < c; ++k) s -= L[r][k] * L[c][k];
      if (r == c) {
        if (!(s > 0.0)) return false;
        L[r][r] = std::sqrt(s);
      } else {
        L[r][c] = s / L[c][c];
      }
    }
  double z[3];
  for (int r = 0; r < n; ++r) {
    double s = v[index[r]];
    for (int k = 0; k < r; ++k) s -= L[r][k] * z[k];
    z[r] = s / L[r][r];
  }
  y = {};
  for (int r = n - 1; r >= 0; --r) {
    double s = z[r];
    for (int k = r + 1; k < n; ++k) s -= L[k][r] * y[index[k]];
    y[index[r]] = s / L[r][r];
  }
  return true;
}

struct Maximum {
  Vec3 x{};
  Evaluation at;
  bool converged = false;
  bool atBound = false;  // A held at 0 by its bound
};

// Newton's method with a halving line search over the free coordinates, the
// others held; A never goes below 0, and where the likelihood still rises
// beyond 0 A stays there. A step is taken once the likelihood with its
// derivatives at the new point has not fallen.
Maximum Maximise(Likelihood& cases, Vec3 x, const Free& free) {
  Maximum best;
  best.x = x;
  best.at = cases.Evaluate(x, true);
  for (int round = 0; round < 200; ++round) {
    const Evaluation& e = best.at;
    if (!std::isfinite(e.logLikelihood)) return best;
    Free use = free;
    best.atBound = free[IndexA] && best.x[IndexA] <= 0.0 && e.gradient[IndexA] <= 0.0;
    if (best.atBound) use[IndexA] = false;
    Mat3 negative;
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) negative[a][b] = -e.hessian[a][b];
    Vec3 step;
    // Where the likelihood is not concave the step is damped towards the gradient's.
    for (double damping = 0.0; !SolvePositive(negative, e.gradient, use, step);
         damping = damping == 0.0 ? 1e-6 : damping * 10.0) {
      if (damping > 1e12) return best;
      for (int a = 0; a < 3; ++a) negative[a][a] = -e.hessian[a][a] + damping * (1.0 + std::abs(e.hessian[a][a]));
    }
    // Converged when the step would raise the log-likelihood by no more
    // than its last digits can hold.
    double decrement = 0.0;
    for (int a = 0; a < 3; ++a) decrement += use[a] ? step[a] * e.gradient[a] : 0.0;
    const double resolution = 1e-10 + 1e-13 * std::abs(e.logLikelihood);
    if (decrement < resolution) {
      best.converged = true;
      return best;
    }
    // No step moves C by more than 0.05, log B by more than 2 or A by more than 0.02.
    double t = 1.0;
    const Vec3 largest{0.02, 2.0, 0.05};
    for (int a = 0; a < 3; ++a)
      if (use[a] && std::abs(step[a]) * t > largest[a]) t = largest[a] / std::abs(step[a]);
    // The whole step is tried with the derivatives, which the next round
    // needs; shorter ones with the likelihood alone until one does not lower it.
    bool rose = false;
    for (int halving = 0; halving < 40 && !rose; ++halving, t *= 0.5) {
      Vec3 next = best.x;
      for (int a = 0; a < 3; ++a)
        if (use[a]) next[a] += t * step[a];
      next[IndexA] = std::max(next[IndexA], 0.0);
      if (!Plausible(next)) continue;
      Evaluation there = cases.Evaluate(next, halving == 0);
      if (there.logLikelihood >= e.logLikelihood) {
        rose = true;
        best.x = next;
        best.at = halving == 0 ? there : cases.Evaluate(next, true);
      }
    }
    if (!rose) {
      // No step raises it: the maximum within the precision of the sums.
      best.converged = decrement < 1e3 * resolution;
      return best;
    }
  }
  return best;
}

Vec3 Coordinates(const MortalityModel& m) {
  return {m.A, std::log(m.B), m.C};
}

// The start of the fit: the best of a few models spread over the range of
// human mortality, the built-in ones among them.
Vec3 StartingPoint(Likelihood& cases, MortalityForm form) {
  std::vector<MortalityModel> starts = {*BuiltInModel("archeological"),
                                        *BuiltInModel("forensic"),
                                        {0.005, 1e-4, 0.07},
                                        {0.002, 1e-3, 0.04},
                                        {0.01, 1e-5, 0.12},
                                        {0.02, 1e-6, 0.15}};
  Vec3 best{};
  double bestValue = -std::numeric_limits<double>::infinity();
  for (MortalityModel m : starts) {
    if (form == MortalityForm::Gompertz) m.A = 0.0;
    const Vec3 x = Coordinates(m);
    const double value = cases.Evaluate(x, false).logLikelihood;
    if (value > bestValue) {
      bestValue = value;
      best = x;
    }
  }
  return best;
}

// One profile limit of coordinate k: the value beyond the estimate, in the
// direction given, where the likelihood maximised over the other free
// coordinates has fallen by `critical`; none when it has not fallen so far
// within the plausible range. A limit of A below the estimate stops at 0.
// Newton's method on the profile, whose slope is the likelihood's slope in
// x_k at the maximum over the others, kept within a bracket once one is found.
std::optional<double> ProfileLimit(Likelihood& cases, const Maximum& fit, const Free& free, int k, double direction,
                                   double firstStep, double critical) {
  const double target = fit.at.logLikelihood - critical;
  Free others = free;
  others[k] = false;
  Maximum last = fit;
  double inside = fit.x[k], outside = std::numeric_limits<double>::quiet_NaN();
  double value = fit.x[k] + direction * firstStep;
  for (int round = 0; round < 100; ++round) {
    if (k == IndexA) value = std::max(value, 0.0);
    // The others start where they would move to at first order: -H_oo^-1 H_ok per unit of x_k.
    Vec3 start = last.x, shift{}, column;
    for (int a = 0; a < 3; ++a) column[a] = last.at.hessian[a][k] * (value - last.x[k]);
    Mat3 negative;
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) negative[a][b] = -last.at.hessian[a][b];
    if (SolvePositive(negative, column, others, shift))
      for (int a = 0; a < 3; ++a) start[a] += shift[a];
    start[k] = value;
    start[IndexA] = std::max(start[IndexA], 0.0);
    if (!Plausible(start)) {
      if (!std::isnan(outside)) {
        value = 0.5 * (inside + outside);
        continue;
      }
      return std::nullopt;
    }
    const Maximum m = Maximise(cases, start, others);
    if (!std::isfinite(m.at.logLikelihood)) return std::nullopt;
    const double f = m.at.logLikelihood - target;
    if (std::abs(f) < 1e-7) return value;
    if (f > 0.0) {
      if (k == IndexA && value == 0.0) return 0.0;
      inside = value;
      last = m;
    } else {
      outside = value;
    }
    const double slope = m.at.gradient[k];
    double next = value - f / slope;
    const bool bracketed = !std::isnan(outside);
    const double lowEnd = bracketed ? std::min(inside, outside) : -std::numeric_limits<double>::infinity();
    const double highEnd = bracketed ? std::max(inside, outside) : std::numeric_limits<double>::infinity();
    // A step that goes back past the estimate, or out of the bracket, halves instead.
    if (!std::isfinite(next) || (next - fit.x[k]) * direction <= 0.0 || next <= lowEnd || next >= highEnd)
      next = bracketed ? 0.5 * (inside + outside) : value + direction * 2.0 * std::abs(value - fit.x[k]);
    if (bracketed && std::abs(outside - inside) < 1e-12 * (1.0 + std::abs(value))) return 0.5 * (inside + outside);
    value = next;
  }
  return std::nullopt;
}

}  // namespace

double MortalityLogLikelihood(const CaseProfiles& cases, const MortalityModel& model) {
  Likelihood likelihood(cases, 1);
  return likelihood.Evaluate(Coordinates(model), false).logLikelihood;
}

MortalityEstimate FitMortality(const CaseProfiles& profiles, MortalityForm form, int level, int jobs) {
  Likelihood cases(profiles, jobs);
  const double critical = static_cast<double>(CriticalValueForLevel(level));
  MortalityEstimate result;
  result.form = form;
  result.level = level;
  result.n = profiles.Count();
  if (profiles.Count() == 0) {
    result.problem = "there is no case";
    return result;
  }
  const Free free{form == MortalityForm::Makeham, true, true};
  Maximum fit = Maximise(cases, StartingPoint(cases, form), free);
  result.model = ModelAt(fit.x);
  result.logLikelihood = fit.at.logLikelihood;
  result.converged = fit.converged && Plausible(fit.x);
  ParameterEstimate& A = result.parameters[IndexA];
  A.estimate = result.model.A;
  A.fitted = form == MortalityForm::Makeham;
  A.atBound = A.fitted && fit.atBound;
  result.parameters[IndexLogB].estimate = result.model.B;
  result.parameters[IndexC].estimate = result.model.C;
  if (!result.converged) {
    result.problem = "the fit did not converge";
    return result;
  }

  // The standard errors: the inverse of the observed information over the
  // coordinates not at a bound.
  Free estimated = free;
  if (A.atBound) estimated[IndexA] = false;
  Mat3 information;
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) information[a][b] = -fit.at.hessian[a][b];
  Vec3 se{};
  bool positive = true;
  for (int k = 0; k < 3 && positive; ++k) {
    if (!estimated[k]) continue;
    Vec3 unit{}, column{};
    unit[k] = 1.0;
    positive = SolvePositive(information, unit, estimated, column);
    se[k] = positive && column[k] > 0.0 ? std::sqrt(column[k]) : 0.0;
  }
  if (!positive) {
    result.problem = "the likelihood has no clear maximum: its information is not positive definite";
    return result;
  }
  const double z = std::sqrt(2.0 * critical);
  for (int k = 0; k < 3; ++k) {
    if (!free[k]) continue;
    ParameterEstimate& p = result.parameters[k];
    // log B's error and limits become B's: B se(log B), and e^ of the limits.
    const auto natural = [k](double v) { return k == IndexLogB ? std::exp(v) : v; };
    if (estimated[k]) p.se = k == IndexLogB ? result.model.B * se[k] : se[k];
    const double firstStep = estimated[k] ? z * se[k] : 0.001;
    if (const auto low = ProfileLimit(cases, fit, free, k, -1.0, firstStep, critical)) p.low = natural(*low);
    if (const auto high = ProfileLimit(cases, fit, free, k, +1.0, firstStep, critical)) p.high = natural(*high);
  }
  const ParameterEstimate& C = result.parameters[IndexC];
  if (!C.low || !C.high) {
    result.problem = "the likelihood does not fall far enough on both sides of C's estimate to bound it";
    return result;
  }
  result.determined = true;
  return result;
}

}  // namespace vorla::calib
