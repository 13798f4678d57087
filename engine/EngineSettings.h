#pragma once
// The engine's settings: the link function, the prior and the level of the
// limits. Every thread has its own set, which a run fills before it analyses
// on that thread: runs of a batch on several threads never share them.
#include <array>

namespace vorla {

using LinkFunctionType = double (*)(double a, double b, double c, double d, double e, double x);
using PriorDensityType = double (*)(double x);
using HazardTableType = std::array<double, 9>;

// Half the chi-square critical value of the chosen confidence level; 0 until set.
extern thread_local long double CriticalValue;
extern thread_local LinkFunctionType LinkFunction;
extern thread_local PriorDensityType PriorDensity;
extern thread_local HazardTableType HazardTable;

// The constant of a confidence level of 90, 95 or 99 %; throws for any other level.
long double CriticalValueForLevel(int level);

}  // namespace vorla
