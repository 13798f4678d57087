#pragma once
// The prior distributions of age at death used by the corrected estimate, and
// the choice of the sex and ancestry group.
#include <string>
#include <vector>

#include "engine/AnalysisSettings.h"

namespace vorla {

extern const HazardTableType ArcheologicalHazard;
extern const HazardTableType ForensicHazard;

// Gompertz-Makeham density of age x for a person alive at 15, divided by D,
// computed from entries 2, 3, 4 and 8 of the table.
double HazardDensity(const HazardTableType& table, double x);
double FlatPrior(double x);

// "archeological" or "forensic" in any letter case names its table; any
// other name is refused.
const HazardTableType& HazardTableNamed(const std::string& name);

// A mortality model of a case folder's own: its name and the A, B and C of
// its hazard A + B e^(C x).
struct OwnMortalityModel {
  std::string name;
  double A = 0.0, B = 0.0, C = 0.0;
};
using OwnMortalityModels = std::vector<OwnMortalityModel>;

// The table of a model of one's own: A, B and C in entries 2, 3 and 4, and
// as divisor D the largest undivided density on the age grid, so that the
// prior peaks at 1 as the built-in ones nearly do.
HazardTableType HazardTableOf(double A, double B, double C);

// Whether the name (any letter case) is that of a built-in model.
bool IsBuiltInModelName(const std::string& name);
// The folder's model of that name, in any letter case; null when it has none.
const OwnMortalityModel* FindOwnModel(const std::string& name, const OwnMortalityModels& own);

// The built-in models by their names, then the folder's own; any other name
// is refused with the message of HazardTableNamed.
HazardTableType HazardTableNamed(const std::string& name, const OwnMortalityModels& own);

// 1, plus 1 for sex "male", plus 2 for ancestry "black", in any letter case.
int SelectGroup(const std::string& sex, const std::string& race);

}  // namespace vorla
