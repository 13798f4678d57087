#include "calib/LifeTable.h"

#include <algorithm>
#include <cmath>

namespace vorla::calib {

namespace {

constexpr double Radix = 100000.0;

// Of Radix alive at 15, those still alive at x among the deaths up to 110.
double Alive(const MortalityModel& m, double x) {
  if (x >= AgeGridEnd) return 0.0;
  const double last = Survival(m, AgeGridEnd);
  return Radix * (Survival(m, x) - last) / (1.0 - last);
}

// Years lived from x to 110 by the Radix, by Simpson's rule at steps of
// at most a twentieth of a year.
double YearsLived(const MortalityModel& m, double x) {
  const int steps = 2 * static_cast<int>(std::ceil((AgeGridEnd - x) * 10.0));
  if (steps == 0) return 0.0;
  const double h = (AgeGridEnd - x) / steps;
  double sum = Alive(m, x) + Alive(m, AgeGridEnd);
  for (int i = 1; i < steps; ++i) sum += Alive(m, x + i * h) * (i % 2 ? 4.0 : 2.0);
  return sum * h / 3.0;
}

double Density(const MortalityModel& m, double x) {
  return Hazard(m, x) * Survival(m, x);
}

}  // namespace

std::vector<LifeTableRow> LifeTable(const MortalityModel& m) {
  std::vector<LifeTableRow> rows;
  for (int age = AgeGridStart; age < AgeGridEnd; age += 5) {
    LifeTableRow row;
    row.age = age;
    row.lx = Alive(m, age);
    row.dx = row.lx - Alive(m, age + 5);
    row.qx = row.lx > 0.0 ? row.dx / row.lx : 1.0;
    row.ex = row.lx > 0.0 ? YearsLived(m, age) / row.lx : 0.0;
    rows.push_back(row);
  }
  return rows;
}

double MeanAgeAtDeath(const MortalityModel& m) {
  return AgeGridStart + YearsLived(m, AgeGridStart) / Radix;
}

double ModalAgeAtDeath(const MortalityModel& m) {
  // The highest density at quarter years, then a golden-section search
  // within a quarter year of it.
  double best = AgeGridStart;
  for (int i = 1; i < AgeGridSize; ++i)
    if (Density(m, GridAge(i)) > Density(m, best)) best = GridAge(i);
  double a = std::max<double>(AgeGridStart, best - AgeGridStep), b = std::min<double>(AgeGridEnd, best + AgeGridStep);
  const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
  for (int i = 0; i < 60; ++i) {
    const double c = b - ratio * (b - a), d = a + ratio * (b - a);
    if (Density(m, c) > Density(m, d))
      b = d;
    else
      a = c;
  }
  const double mode = 0.5 * (a + b);
  // A density that falls from 15 on has its mode at 15 itself.
  return best == AgeGridStart && Density(m, AgeGridStart) >= Density(m, mode) ? AgeGridStart : mode;
}

}  // namespace vorla::calib
