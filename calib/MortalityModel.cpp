#include "calib/MortalityModel.h"

#include <algorithm>
#include <cmath>

#include <stdexcept>

#include "engine/PriorModels.h"
#include "engine/TextCase.h"
#include "store/FieldValue.h"

namespace vorla::calib {

std::optional<MortalityModel> BuiltInModel(const std::string& name) {
  const std::string lower = LowerCase(name);
  if (lower != "archeological" && lower != "forensic") return std::nullopt;
  const HazardTableType& table = lower == "archeological" ? ArcheologicalHazard : ForensicHazard;
  return MortalityModel{table[2], table[3], table[4]};
}

std::optional<MortalityModel> ParseMortalityModel(const std::string& text) {
  if (text.rfind("gm:", 0) != 0) return std::nullopt;
  const std::string form = "the model is written gm:A,B,C (hazard A + B e^(C x)), not " + text;
  std::array<double, 3> values{};
  std::size_t from = 3;
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t comma = k < 2 ? text.find(',', from) : text.size();
    if (comma == std::string::npos) throw std::invalid_argument(form);
    const auto value = ParseReal(text.substr(from, comma - from));
    if (!value || !std::isfinite(*value)) throw std::invalid_argument(form);
    values[k] = *value;
    from = comma + 1;
  }
  const MortalityModel model{values[0], values[1], values[2]};
  if (model.A < 0.0 || !(model.B > 0.0) || !(model.C > 0.0))
    throw std::invalid_argument("the model gm:A,B,C has A at least 0 and B and C above 0, not " + text);
  return model;
}

std::array<double, 3> GrowthIntegrals(double C, double u) {
  const double cu = C * u;
  std::array<double, 3> e{};
  if (std::abs(cu) < 0.5) {
    // u^n times the sum over k of (C u)^k / (k! (n + k)); 30 terms leave
    // less than 1e-40 of it out.
    for (int n = 1; n <= 3; ++n) {
      double term = 1.0, sum = 0.0;
      for (int k = 0; k < 30; ++k) {
        sum += term / (n + k);
        term *= cu / (k + 1);
      }
      e[static_cast<std::size_t>(n - 1)] = std::pow(u, n) * sum;
    }
    return e;
  }
  const double grown = std::exp(cu);
  e[0] = std::expm1(cu) / C;
  e[1] = (u * grown - e[0]) / C;
  e[2] = (u * u * grown - 2.0 * e[1]) / C;
  return e;
}

double Hazard(const MortalityModel& m, double x) {
  return m.A + m.B * std::exp(m.C * x);
}

double Survival(const MortalityModel& m, double x) {
  const double u = x - AgeGridStart;
  const double growth = std::exp(m.C * AgeGridStart) * GrowthIntegrals(m.C, u)[0];
  return std::exp(-m.A * u - m.B * growth);
}

GridShares AgeAtDeathShares(const MortalityModel& m) {
  GridShares shares{};
  double sum = 0.0;
  for (int i = 0; i < AgeGridSize; ++i) {
    const double x = GridAge(i);
    const double weight = i == 0 || i == AgeGridSize - 1 ? 0.5 : 1.0;
    shares[static_cast<std::size_t>(i)] = weight * Hazard(m, x) * Survival(m, x);
    sum += shares[static_cast<std::size_t>(i)];
  }
  for (double& s : shares) s /= sum;
  return shares;
}

double AgeAtDeathShare(const MortalityModel& m, double x) {
  if (x <= AgeGridStart) return 0.0;
  if (x >= AgeGridEnd) return 1.0;
  return (1.0 - Survival(m, x)) / (1.0 - Survival(m, AgeGridEnd));
}

double DrawAgeAtDeath(const MortalityModel& m, double u) {
  double low = AgeGridStart, high = AgeGridEnd;
  // The share rises steadily with the age: halving the bracket 60 times
  // leaves it far below the hundredth of a year the ages are written to.
  for (int i = 0; i < 60; ++i) {
    const double middle = 0.5 * (low + high);
    (AgeAtDeathShare(m, middle) < u ? low : high) = middle;
  }
  return 0.5 * (low + high);
}

}  // namespace vorla::calib
