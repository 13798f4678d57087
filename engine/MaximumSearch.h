#pragma once
// The two searches behind every estimate: the maximum of a likelihood over
// the age grid, refined by halving, and a confidence limit found by halving.
#include <cmath>

#include "engine/AnalysisTree.h"

namespace vorla {

// Guard against pathological parameter files; ordinary data ends far sooner.
inline constexpr int MaxHalvingRounds = 200;

struct MaximumResult {
  double MLA = 0.0;
  double ML = 0.0;
  bool atEdge = false;
};

// Tabulates f over the grid into profile, takes the youngest grid maximum and
// refines it until both ends of the bracket have equal heights.
template <class Function>
MaximumResult FindMaximum(Function&& f, AgeProfile& profile) {
  double bestAge = GridAge(0);
  double bestValue = 0.0;
  for (int i = 0; i < AgeGridSize; ++i) {
    const double x = GridAge(i);
    const double v = f(x);
    profile[i] = AgePoint{x, v};
    if (i == 0 || v > bestValue) {
      bestAge = x;
      bestValue = v;
    }
  }
  if (bestAge == AgeGridStart || bestAge == AgeGridEnd) return {bestAge, bestValue, true};

  double lo = bestAge - AgeGridStep, hi = bestAge + AgeGridStep;
  double fLo = f(lo), fHi = f(hi);
  for (int round = 0; round < MaxHalvingRounds && std::fabs(fHi - fLo) > 1e-6; ++round) {
    if (fHi > fLo) {
      lo = (lo + hi) / 2;
      fLo = f(lo);
    } else {
      hi = (lo + hi) / 2;
      fHi = f(hi);
    }
  }
  const double mla = (lo + hi) / 2;
  return {mla, f(mla), false};
}

// A root of G in [lowEnd, highEnd], or 0 when G has the same sign at both ends.
template <class Function>
double ConfidenceLimit(Function&& G, double lowEnd, double highEnd) {
  double a = lowEnd, b = highEnd;
  long double gA = G(a);
  const long double gB = G(b);
  if (gA * gB > 0) return 0.0;
  for (int round = 0; round < MaxHalvingRounds && std::fabs(b - a) > 1e-6; ++round) {
    const double m = (a + b) / 2;
    const long double gM = G(m);
    if ((gM < 0 && gA < 0) || (gM > 0 && gA > 0)) {
      a = m;
      gA = gM;
    } else {
      b = m;
    }
  }
  return (a + b) / 2;
}

}  // namespace vorla
