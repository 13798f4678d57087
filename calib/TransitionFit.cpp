#include "calib/TransitionFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "calib/SquareMatrix.h"

namespace vorla::calib {

namespace {

constexpr double MinusInfinity = -std::numeric_limits<double>::infinity();
constexpr int MaxFittedTransitions = MaxParameters / 2;
constexpr int MostIterations = 200;
constexpr int MostHalvings = 60;
// The fit has converged when the likelihood can rise by no more than this
// (half the Newton decrement, in log-likelihood units).
constexpr double RiseTolerance = 1e-9;
// A slope this steep (per year) means the transition happens within a few
// weeks: the data only bound it from both sides, they do not place it.
constexpr double SteepestSlope = 5.0;

// A side that takes part and is not the whole stage range.
bool Informative(int low, int high, int transitions) {
  return low > 0 && !(low == 1 && high >= transitions + 1);
}

struct Logistic {
  double p, q, logP;  // probability of the transition, 1 - p, log p
  explicit Logistic(double eta) {
    if (eta >= 0) {
      const double e = std::exp(-eta);
      p = 1.0 / (1.0 + e);
      q = e / (1.0 + e);
      logP = -std::log1p(e);
    } else {
      const double e = std::exp(eta);
      p = e / (1.0 + e);
      q = 1.0 / (1.0 + e);
      logP = eta - std::log1p(e);
    }
  }
};

// log(1 - exp(x)) for x < 0, accurate at both ends.
double LogOneMinusExp(double x) {
  return x > -0.6931471805599453 ? std::log(-std::expm1(x)) : std::log1p(-std::exp(x));
}

// The log-likelihood of a component in the parameters theta = (alpha_0,
// beta_0, alpha_1, beta_1, ...) with eta_j = alpha_j + beta_j (age - centre),
// with its gradient and Hessian.
class Likelihood {
 public:
  Likelihood(int transitions, const std::vector<FitObservation>& observations, double centre)
      : n_(transitions), obs_(observations), centre_(centre) {}

  int Size() const { return 2 * n_; }

  double Evaluate(const Vector& theta, Vector* gradient, SquareMatrix* hessian) const {
    const int m = Size();
    if (gradient) *gradient = Vector(m);
    if (hessian) *hessian = SquareMatrix(m);
    double total = 0.0;
    std::vector<Logistic> link;
    link.reserve(static_cast<std::size_t>(n_));
    double gEta[MaxFittedTransitions];
    double hEta[MaxFittedTransitions][MaxFittedTransitions];
    for (const FitObservation& o : obs_) {
      const double u = o.age - centre_;
      link.clear();
      for (int j = 0; j < n_; ++j) link.emplace_back(theta[2 * j] + theta[2 * j + 1] * u);
      const auto at = [&link](int j) -> const Logistic& { return link[static_cast<std::size_t>(j)]; };
      const bool derivatives = gradient != nullptr;
      int top = -1;  // highest transition touched
      if (derivatives)
        for (int j = 0; j < n_; ++j) {
          gEta[j] = 0.0;
          for (int k = 0; k < n_; ++k) hEta[j][k] = 0.0;
        }
      for (int side = 0; side < 2; ++side) {
        const int low = o.low[side], high = o.high[side];
        if (!Informative(low, high, n_)) continue;
        // The stage low is reached: every transition before it was made.
        for (int j = 0; j <= low - 2; ++j) {
          const Logistic& l = at(j);
          total += l.logP;
          if (derivatives) {
            gEta[j] += l.q;
            hEta[j][j] -= l.p * l.q;
          }
          top = std::max(top, j);
        }
        if (high > n_) continue;  // the last stage: nothing beyond it to rule out
        // ... and stage high + 1 is not: not all of transitions low-1 .. high-1 were made.
        double logQ = 0.0;
        for (int j = low - 1; j <= high - 1; ++j) logQ += at(j).logP;
        if (!(logQ < 0.0)) return MinusInfinity;
        total += LogOneMinusExp(logQ);
        if (derivatives) {
          const double Q = std::exp(logQ);
          const double r = Q / -std::expm1(logQ);
          for (int j = low - 1; j <= high - 1; ++j) {
            const Logistic& lj = at(j);
            gEta[j] -= lj.q * r;
            hEta[j][j] += lj.p * lj.q * r;
            for (int k = low - 1; k <= high - 1; ++k) hEta[j][k] -= lj.q * at(k).q * r * (1.0 + r);
          }
        }
        top = std::max(top, high - 1);
      }
      if (!derivatives) continue;
      for (int j = 0; j <= top; ++j) {
        (*gradient)[2 * j] += gEta[j];
        (*gradient)[2 * j + 1] += gEta[j] * u;
        if (!hessian) continue;
        // Each pair of transitions fills a 2 x 2 block in (alpha, beta).
        for (int k = 0; k <= top; ++k) {
          const double h = hEta[j][k];
          if (h == 0.0) continue;
          SquareMatrix& H = *hessian;
          H(2 * j, 2 * k) += h;
          H(2 * j, 2 * k + 1) += h * u;
          H(2 * j + 1, 2 * k) += h * u;
          H(2 * j + 1, 2 * k + 1) += h * u * u;
        }
      }
    }
    return total;
  }

 private:
  int n_;
  const std::vector<FitObservation>& obs_;
  double centre_;
};

// The ascent direction: (information + shift)^-1 gradient, the shift as small
// as keeps the matrix positive definite.
bool AscentDirection(const SquareMatrix& hessian, const Vector& gradient, Vector& direction) {
  const SquareMatrix info = hessian.Negated();
  double largest = 0.0;
  for (int i = 0; i < info.Size(); ++i) largest = std::max(largest, std::abs(info(i, i)));
  if (!(largest > 0.0) || !std::isfinite(largest)) return false;
  for (double shift = 0.0; shift <= largest * 1e8; shift = shift == 0.0 ? largest * 1e-10 : shift * 10.0) {
    SquareMatrix m = info;
    for (int i = 0; i < m.Size(); ++i) m(i, i) += shift;
    if (CholeskyFactor(m)) {
      direction = CholeskySolve(m, gradient);
      return true;
    }
  }
  return false;
}

std::string Years(double age) {
  std::ostringstream text;
  text.precision(1);
  text << std::fixed << age;
  return text.str();
}

}  // namespace

std::string TransitionName(int j) {
  return "transition " + std::to_string(j + 1) + " (stage " + std::to_string(j + 1) + " to " + std::to_string(j + 2) +
         ")";
}

std::vector<TransitionSides> CountTransitionSides(int transitions, const std::vector<FitObservation>& observations) {
  std::vector<TransitionSides> sides(static_cast<std::size_t>(transitions));
  for (const FitObservation& o : observations) {
    for (int j = 0; j < transitions; ++j) {
      bool before = false, after = false, atRisk = false;
      for (int side = 0; side < 2; ++side) {
        if (!Informative(o.low[side], o.high[side], transitions)) continue;
        before |= o.low[side] == j + 1 && o.high[side] == j + 1;
        after |= o.low[side] >= j + 2;
        // The side's likelihood holds the transition: it was made (stage j + 2
        // reached), or it lies among those of which not all were made.
        atRisk |=
            o.low[side] >= j + 2 || (o.low[side] <= j + 1 && j + 1 <= o.high[side] && o.high[side] <= transitions);
      }
      TransitionSides& s = sides[static_cast<std::size_t>(j)];
      s.atRisk += atRisk ? 1 : 0;
      if (before) {
        s.youngestBefore = s.before == 0 ? o.age : std::min(s.youngestBefore, o.age);
        s.oldestBefore = s.before == 0 ? o.age : std::max(s.oldestBefore, o.age);
        ++s.before;
      }
      if (after) {
        s.youngestAfter = s.after == 0 ? o.age : std::min(s.youngestAfter, o.age);
        s.oldestAfter = s.after == 0 ? o.age : std::max(s.oldestAfter, o.age);
        ++s.after;
      }
    }
  }
  return sides;
}

std::vector<int> CountStages(int transitions, const std::vector<FitObservation>& observations) {
  std::vector<int> counts(static_cast<std::size_t>(transitions + 1), 0);
  for (const FitObservation& o : observations) {
    int seen[2] = {0, 0};
    for (int side = 0; side < 2; ++side)
      if (Informative(o.low[side], o.high[side], transitions) && o.low[side] == o.high[side] &&
          o.low[side] <= transitions + 1)
        seen[side] = o.low[side];
    for (int side = 0; side < 2; ++side)
      if (seen[side] > 0 && (side == 0 || seen[1] != seen[0])) ++counts[static_cast<std::size_t>(seen[side] - 1)];
  }
  return counts;
}

double ComponentLogLikelihood(int transitions, const std::vector<FitObservation>& observations,
                              const std::vector<double>& a, const std::vector<double>& b) {
  Vector theta(2 * transitions);
  for (int j = 0; j < transitions; ++j) {
    theta[2 * j] = a[static_cast<std::size_t>(j)];
    theta[2 * j + 1] = b[static_cast<std::size_t>(j)];
  }
  return Likelihood(transitions, observations, 0.0).Evaluate(theta, nullptr, nullptr);
}

namespace {

std::string Individuals(int count) {
  return std::to_string(count) + (count == 1 ? " individual" : " individuals");
}

// Records why transitions cannot be fitted: too few individuals on either of
// their sides, or sides that do not overlap in age; every such transition is
// listed. False when all can be fitted.
bool RefuseThinOrSeparated(int transitions, int minPerSide, ComponentFit& fit) {
  const auto refuse = [&fit](FitStatus status, int j, const std::string& why) {
    if (fit.problems.empty()) {
      fit.status = status;
      fit.problemTransition = j;
      fit.problem = TransitionName(j) + ": " + why;
    }
    fit.problems.push_back(TransitionName(j) + ": " + why);
  };
  for (int j = 0; j < transitions; ++j) {
    const TransitionSides& s = fit.sides[static_cast<std::size_t>(j)];
    const std::string stage = std::to_string(j + 1);
    if (s.before < minPerSide || s.after < minPerSide || s.before == 0 || s.after == 0) {
      refuse(FitStatus::TooFew, j,
             Individuals(s.before) + " seen in stage " + stage + " and " + std::to_string(s.after) +
                 " beyond it; at least " + std::to_string(std::max(minPerSide, 1)) + (minPerSide > 1 ? " are" : " is") +
                 " needed on each side");
      continue;
    }
    if (s.oldestBefore <= s.youngestAfter || s.oldestAfter <= s.youngestBefore)
      refuse(FitStatus::Separated, j,
             (s.oldestBefore <= s.youngestAfter
                  ? "every individual in stage " + stage + " (at most " + Years(s.oldestBefore) +
                        " years) is at most as old as every individual beyond it (at least " + Years(s.youngestAfter) +
                        " years)"
                  : "every individual beyond stage " + stage + " (at most " + Years(s.oldestAfter) +
                        " years) is at most as old as every individual in it (at least " + Years(s.youngestBefore) +
                        " years)") +
                 ", so the age of the transition cannot be determined (complete separation)");
  }
  return !fit.problems.empty();
}

// Where the search starts: every transition flat, at the log odds of the
// individuals beyond it against those before it.
Vector StartingPoint(int transitions, const ComponentFit& fit) {
  Vector theta(2 * transitions);
  for (int j = 0; j < transitions; ++j) {
    const TransitionSides& s = fit.sides[static_cast<std::size_t>(j)];
    theta[2 * j] = std::log((s.after + 0.5) / (s.before + 0.5));
  }
  return theta;
}

// Newton steps with a halving line search from theta to the maximum of the
// likelihood. On success theta, the value and the Hessian are those at the
// maximum; otherwise fit says why not.
bool ClimbToMaximum(const Likelihood& likelihood, int transitions, Vector& theta, double& value, SquareMatrix& hessian,
                    ComponentFit& fit) {
  Vector gradient, direction, trial(theta.Size());
  value = likelihood.Evaluate(theta, &gradient, &hessian);
  bool converged = false;
  for (fit.iterations = 0; fit.iterations < MostIterations && !converged; ++fit.iterations) {
    if (!AscentDirection(hessian, gradient, direction)) break;
    const double rise = gradient.Dot(direction);
    if (rise / 2.0 < RiseTolerance) {
      converged = true;
      break;
    }
    double step = 1.0, next = MinusInfinity;
    int halvings = 0;
    for (; halvings < MostHalvings; ++halvings, step /= 2.0) {
      for (int i = 0; i < theta.Size(); ++i) trial[i] = theta[i] + step * direction[i];
      next = likelihood.Evaluate(trial, nullptr, nullptr);
      if (std::isfinite(next) && next >= value + 1e-4 * step * rise) break;
    }
    if (halvings == MostHalvings) {
      // No step raises the likelihood measurably: it is as high as the
      // arithmetic can tell.
      converged = rise < 1e-6;
      break;
    }
    theta = trial;
    value = likelihood.Evaluate(theta, &gradient, &hessian);
    for (int j = 0; j < transitions; ++j)
      if (std::abs(theta[2 * j + 1]) > SteepestSlope) {
        fit.status = FitStatus::Separated;
        fit.problemTransition = j;
        fit.problem = TransitionName(j) +
                      ": the fitted transition becomes ever steeper, so its age cannot be determined"
                      " (the individuals on its two sides are separated by age)";
        return false;
      }
  }
  if (!converged) {
    fit.status = FitStatus::NotConverged;
    fit.problemTransition = 0;
    fit.problem = "the fit did not settle after " + std::to_string(fit.iterations) + " Newton steps";
    return false;
  }
  return true;
}

// Each transition's intercept, slope and age, with the age's standard error
// from the inverse of the observed information (none when it is singular).
std::vector<TransitionEstimate> Estimates(int transitions, const Vector& theta, const SquareMatrix& hessian,
                                          double centre) {
  SquareMatrix info = hessian.Negated();
  const bool invertible = CholeskyFactor(info);
  std::vector<TransitionEstimate> estimates;
  for (int j = 0; j < transitions; ++j) {
    const double alpha = theta[2 * j], beta = theta[2 * j + 1];
    TransitionEstimate t;
    t.b = beta;
    t.a = alpha - beta * centre;
    t.age = centre - alpha / beta;
    t.ageSE = std::numeric_limits<double>::quiet_NaN();
    if (invertible) {
      // Var(age) = g' C g with g the gradient of the age in (alpha_j, beta_j):
      // g' C g = |L^-1 g|^2 where g is spread over the full parameter vector.
      Vector g(theta.Size());
      g[2 * j] = -1.0 / beta;
      g[2 * j + 1] = alpha / (beta * beta);
      const Vector y = ForwardSolve(info, g);
      t.ageSE = std::sqrt(y.Dot(y));
    }
    estimates.push_back(t);
  }
  return estimates;
}

}  // namespace

ComponentFit FitComponent(int transitions, const std::vector<FitObservation>& all, int minPerSide) {
  if (transitions < 1 || transitions > MaxFittedTransitions)
    throw std::invalid_argument("a component has 1 to 10 transitions, not " + std::to_string(transitions));
  ComponentFit fit;
  std::vector<FitObservation> observations;
  for (const FitObservation& o : all)
    if (Informative(o.low[0], o.high[0], transitions) || Informative(o.low[1], o.high[1], transitions))
      observations.push_back(o);
  fit.individuals = static_cast<int>(observations.size());
  fit.sides = CountTransitionSides(transitions, observations);
  fit.stageCounts = CountStages(transitions, observations);
  if (observations.empty()) {
    fit.status = FitStatus::TooFew;
    fit.problemTransition = 0;
    fit.problem = TransitionName(0) + " and every later one: no individual has a usable score of this trait";
    fit.problems.push_back(fit.problem);
    return fit;
  }
  if (RefuseThinOrSeparated(transitions, minPerSide, fit)) return fit;

  double centre = 0.0;
  for (const FitObservation& o : observations) centre += o.age;
  centre /= static_cast<double>(observations.size());
  const Likelihood likelihood(transitions, observations, centre);

  Vector theta = StartingPoint(transitions, fit);
  double value = 0.0;
  SquareMatrix hessian;
  if (!ClimbToMaximum(likelihood, transitions, theta, value, hessian, fit)) {
    fit.problems.push_back(fit.problem);
    return fit;
  }
  fit.logLikelihood = value;
  fit.transitions = Estimates(transitions, theta, hessian, centre);
  return fit;
}

}  // namespace vorla::calib
