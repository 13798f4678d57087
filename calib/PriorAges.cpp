#include "calib/PriorAges.h"

#include <cmath>
#include <stdexcept>

#include "engine/AnalysisTree.h"
#include "engine/PriorModels.h"

namespace vorla::calib {

namespace {

const HazardTableType& TableOf(const std::string& prior) {
  if (prior == "archeological") return ArcheologicalHazard;
  if (prior == "forensic") return ForensicHazard;
  throw std::invalid_argument("the prior is archeological or forensic, not " + prior);
}

// Survival from 15 to x: exp(-A (x - 15) - B / C (e^(Cx) - e^(15C))), the
// survival of the density the corrected estimate uses.
double Survival(const HazardTableType& h, double x) {
  const double A = h[2], B = h[3], C = h[4];
  return std::exp(-A * (x - AgeGridStart) - (B / C) * (std::exp(C * x) - std::exp(C * AgeGridStart)));
}

}  // namespace

double PriorAgeShare(const std::string& prior, double x) {
  const HazardTableType& h = TableOf(prior);
  if (x <= AgeGridStart) return 0.0;
  if (x >= AgeGridEnd) return 1.0;
  return (1.0 - Survival(h, x)) / (1.0 - Survival(h, AgeGridEnd));
}

double DrawPriorAge(const std::string& prior, double u) {
  TableOf(prior);
  double low = AgeGridStart, high = AgeGridEnd;
  // The share rises steadily with the age: halving the bracket 60 times
  // leaves it far below the hundredth of a year the ages are written to.
  for (int i = 0; i < 60; ++i) {
    const double middle = 0.5 * (low + high);
    (PriorAgeShare(prior, middle) < u ? low : high) = middle;
  }
  return 0.5 * (low + high);
}

std::optional<std::string> ParsePriorAges(const std::string& text) {
  if (text.rfind("prior:", 0) != 0) return std::nullopt;
  const std::string name = text.substr(6);
  if (name != "archeological" && name != "forensic")
    throw std::invalid_argument("the prior is prior:archeological or prior:forensic, not " + text);
  return name;
}

}  // namespace vorla::calib
