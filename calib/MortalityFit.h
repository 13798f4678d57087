#pragma once
// The mortality of a set of cases, estimated from their uncorrected
// likelihood profiles: the Gompertz-Makeham model (calib/MortalityModel.h)
// that maximises the sum over the cases of log sum_j L_i(a_j) p_j, with p_j
// the model's shares of the age grid (AgeAtDeathShares), the integral of a
// case's likelihood against the model's density of age at death.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "calib/MortalityModel.h"

namespace vorla::calib {

// The likelihood profiles of the cases, one grid of values per case. A
// profile's scale is its own: it only moves the log-likelihood by a constant.
class CaseProfiles {
 public:
  // A profile with no positive value (a case that fits no age) is refused with std::invalid_argument.
  void Add(const std::array<double, AgeGridSize>& profile);
  std::size_t Count() const { return values_.size() / AgeGridSize; }
  const double* Profile(std::size_t i) const { return values_.data() + i * AgeGridSize; }

 private:
  std::vector<double> values_;
};

// Gompertz: A is 0, B and C are fitted; Makeham: all three, A at least 0.
enum class MortalityForm { Gompertz, Makeham };

// The log-likelihood of the cases under a model.
double MortalityLogLikelihood(const CaseProfiles& cases, const MortalityModel& model);

struct ParameterEstimate {
  double estimate = 0.0;
  bool fitted = true;          // false: held at 0 (A of a Gompertz fit)
  std::optional<double> se;    // from the observed information
  std::optional<double> low;   // profile-likelihood limits at the level; none when the
  std::optional<double> high;  // likelihood does not fall far enough on that side
  bool atBound = false;        // A estimated at its least value, 0
};

struct MortalityEstimate {
  MortalityForm form = MortalityForm::Makeham;
  int level = 95;
  std::size_t n = 0;
  MortalityModel model;
  std::array<ParameterEstimate, 3> parameters{};  // A, B, C
  double logLikelihood = 0.0;
  bool converged = false;
  // Whether the sample determines C: the fit converged to a maximum whose
  // information is positive definite and C's interval closes on both sides.
  bool determined = false;
  std::string problem;  // why not, in plain words
};

// Fits the model by Newton's method on (A, log B, C) with the exact
// derivatives of the log-likelihood, and finds each parameter's profile
// limits at the level (90, 95 or 99). The cases are summed on `jobs`
// threads; the result is the same for any number.
MortalityEstimate FitMortality(const CaseProfiles& cases, MortalityForm form, int level, int jobs = 1);

}  // namespace vorla::calib
