#pragma once
// The prior distributions of age at death used by the corrected estimate, and
// the choice of the sex and ancestry group.
#include <string>

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

// 1, plus 1 for sex "male", plus 2 for ancestry "black", in any letter case.
int SelectGroup(const std::string& sex, const std::string& race);

}  // namespace vorla
