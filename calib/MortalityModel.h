#pragma once
// A Gompertz-Makeham model of mortality from 15: the hazard of death at age
// x is A + B e^(C x), for a person alive at 15, and deaths are counted from
// 15 to 110, the ends of the age grid. The two built-in priors of the
// corrected estimate are models of this form.
#include <array>
#include <optional>
#include <string>

#include "engine/AnalysisTree.h"

namespace vorla::calib {

struct MortalityModel {
  double A = 0.0;  // age-independent hazard, per year
  double B = 0.0;  // level of the age-dependent hazard
  double C = 0.0;  // its rate of increase, per year
};

// The model of "gm:A,B,C" (A at least 0, B and C above 0, in "." decimals);
// none for a text not beginning with "gm:"; throws std::invalid_argument
// with the reason for another.
std::optional<MortalityModel> ParseMortalityModel(const std::string& text);

// The A, B and C of the prior "archeological" or "forensic" (any letter case); none for another name.
std::optional<MortalityModel> BuiltInModel(const std::string& name);

double Hazard(const MortalityModel& model, double x);
// Survival from 15 to x: exp(-A (x - 15) - B/C (e^(Cx) - e^(15C))).
double Survival(const MortalityModel& model, double x);

// The ages at death of the grid: the density h(x) S(x) at every grid age,
// weighted as the trapezoid rule weighs it (half at 15 and 110) and scaled
// to sum to 1, so that the sum over the grid of a profile times these
// shares is the integral of the profile against the density truncated to
// 15 to 110.
using GridShares = std::array<double, AgeGridSize>;
GridShares AgeAtDeathShares(const MortalityModel& model);

// P(age at death <= x) among deaths from 15 to 110.
double AgeAtDeathShare(const MortalityModel& model, double x);
// The age whose share is u (0 to 1): u uniform gives an age drawn from the model.
double DrawAgeAtDeath(const MortalityModel& model, double u);

// The integrals of s^(n-1) e^(C s) over s from 0 to u, for n = 1, 2, 3,
// exact also for C near 0 (the integrals of the age-dependent hazard and of
// its derivatives in C).
std::array<double, 3> GrowthIntegrals(double C, double u);

}  // namespace vorla::calib
