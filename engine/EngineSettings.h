#pragma once
// The engine's process-wide settings: one set, read by every analysis.
#include <array>

namespace vorla {

using LinkFunctionType = double (*)(double a, double b, double c, double d, double e, double x);
using PriorDensityType = double (*)(double x);
using HazardTableType = std::array<double, 9>;

// Half the chi-square critical value of the chosen confidence level; 0 until set.
extern long double CriticalValue;
extern LinkFunctionType LinkFunction;
extern PriorDensityType PriorDensity;
extern HazardTableType HazardTable;

// The constant of a confidence level of 90, 95 or 99 %; throws for any other level.
long double CriticalValueForLevel(int level);

}  // namespace vorla
