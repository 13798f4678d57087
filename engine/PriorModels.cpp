#include "engine/PriorModels.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/AnalysisError.h"
#include "engine/AnalysisTree.h"
#include "engine/TextCase.h"

namespace vorla {

const HazardTableType ArcheologicalHazard = {0, 0, 0.01273, 2.478e-05, 0.106, 0, 0, 0, 0.02003};
const HazardTableType ForensicHazard = {0, 0, 0, 0.03142, 0.01618, 0, 0, 0, 0.04006};

namespace {

// The parts of the density that depend on the table alone, worked out once
// per table: the same operations on the same values, so the same numbers.
struct DensityTerms {
  long double A = 0, B = 0, C = 0, D = 0, BOverC = 0, AtFifteen = 0;
  explicit DensityTerms(const HazardTableType& table)
      : A(table[2]), B(table[3]), C(table[4]), D(table[8]), BOverC(B / C), AtFifteen(std::exp(15.0L * C)) {}
};

double Density(const DensityTerms& t, double x) {
  const long double lx = x;
  const long double growth = std::exp(t.C * lx);
  const long double h = t.A + t.B * growth;
  const long double S = std::exp(-t.A * (lx - 15.0L) - t.BOverC * (growth - t.AtFifteen));
  return static_cast<double>(h * S / t.D);
}

// The terms of the table last asked for on this thread, found again by
// the table they were worked out from.
const DensityTerms& TermsOf(const HazardTableType& table) {
  thread_local HazardTableType last{};
  thread_local DensityTerms terms(last);
  if (table != last) {
    last = table;
    terms = DensityTerms(table);
  }
  return terms;
}

// The density at every grid age for the table last asked for on this
// thread: every case of a model asks for the same values.
struct GridDensities {
  HazardTableType table{};
  bool filled = false;
  std::array<double, AgeGridSize> values{};
};

}  // namespace

double HazardDensity(const HazardTableType& table, double x) {
  const double y = (x - AgeGridStart) / AgeGridStep;
  if (!(y >= 0.0 && y <= AgeGridSize - 1 && y == std::floor(y))) return Density(TermsOf(table), x);
  thread_local GridDensities grid;
  if (!grid.filled || grid.table != table) {
    grid.table = table;
    for (int i = 0; i < AgeGridSize; ++i)
      grid.values[static_cast<std::size_t>(i)] = Density(TermsOf(table), GridAge(i));
    grid.filled = true;
  }
  return grid.values[static_cast<std::size_t>(y)];
}

double FlatPrior(double /*x*/) {
  return 1.0;
}

const HazardTableType& HazardTableNamed(const std::string& name) {
  const std::string lower = LowerCase(name);
  if (lower == "archeological") return ArcheologicalHazard;
  if (lower == "forensic") return ForensicHazard;
  throw AnalysisError("illegal hazardfunction parameter: HF = " + name);
}

bool IsBuiltInModelName(const std::string& name) {
  const std::string lower = LowerCase(name);
  return lower == "archeological" || lower == "forensic";
}

const OwnMortalityModel* FindOwnModel(const std::string& name, const OwnMortalityModels& own) {
  const std::string lower = LowerCase(name);
  for (const OwnMortalityModel& m : own)
    if (LowerCase(m.name) == lower) return &m;
  return nullptr;
}

HazardTableType HazardTableOf(double A, double B, double C) {
  HazardTableType table{0, 0, A, B, C, 0, 0, 0, 1.0};
  double largest = 0.0;
  const DensityTerms terms(table);
  for (int i = 0; i < AgeGridSize; ++i) largest = std::max(largest, Density(terms, GridAge(i)));
  if (largest > 0.0) table[8] = largest;
  return table;
}

HazardTableType HazardTableNamed(const std::string& name, const OwnMortalityModels& own) {
  if (IsBuiltInModelName(name)) return HazardTableNamed(name);
  if (const OwnMortalityModel* m = FindOwnModel(name, own)) return HazardTableOf(m->A, m->B, m->C);
  throw AnalysisError("illegal hazardfunction parameter: HF = " + name);
}

int SelectGroup(const std::string& sex, const std::string& race) {
  int group = 1;
  if (LowerCase(sex) == "male") group += 1;
  if (LowerCase(race) == "black") group += 2;
  return group;
}

}  // namespace vorla
