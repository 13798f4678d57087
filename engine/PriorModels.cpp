#include "engine/PriorModels.h"

#include <cmath>

#include "engine/AnalysisError.h"
#include "engine/TextCase.h"

namespace vorla {

const HazardTableType ArcheologicalHazard = {0, 0, 0.01273, 2.478e-05, 0.106, 0, 0, 0, 0.02003};
const HazardTableType ForensicHazard = {0, 0, 0, 0.03142, 0.01618, 0, 0, 0, 0.04006};

double HazardDensity(double x) {
  const long double A = HazardTable[2], B = HazardTable[3], C = HazardTable[4], D = HazardTable[8];
  const long double lx = x;
  const long double h = A + B * std::exp(C * lx);
  const long double S = std::exp(-A * (lx - 15.0L) - (B / C) * (std::exp(C * lx) - std::exp(15.0L * C)));
  return static_cast<double>(h * S / D);
}

double FlatPrior(double /*x*/) {
  return 1.0;
}

void SelectHazardModel(const std::string& name) {
  const std::string lower = LowerCase(name);
  if (lower == "archeological") {
    HazardTable = ArcheologicalHazard;
  } else if (lower == "forensic") {
    HazardTable = ForensicHazard;
  } else {
    throw AnalysisError("illegal hazardfunction parameter: HF = " + name);
  }
}

int SelectGroup(const std::string& sex, const std::string& race) {
  int group = 1;
  if (LowerCase(sex) == "male") group += 1;
  if (LowerCase(race) == "black") group += 2;
  return group;
}

}  // namespace vorla
