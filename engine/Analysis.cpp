#include "engine/Analysis.h"

#include <array>
#include <cmath>
#include <vector>

#include "engine/ChiSq.h"
#include "engine/MaximumSearch.h"
#include "engine/PriorModels.h"
#include "engine/StageLikelihood.h"

namespace vorla {

namespace {

// The grid index of an age that lies exactly on the grid, else -1. Values at
// grid ages are taken from the profiles already tabulated: they are the very
// numbers a fresh evaluation would give.
int GridIndexOf(double x) {
  const double y = (x - AgeGridStart) / AgeGridStep;
  if (y >= 0.0 && y <= AgeGridSize - 1 && y == std::floor(y)) return static_cast<int>(y);
  return -1;
}

// A variance factor of 1 leaves a value as it is; pow would return the
// very same number, only later.
double Power(double base, double exponent) {
  return exponent == 1.0 ? base : std::pow(base, exponent);
}

// One term of a complex's likelihood: a component normalised to its maximum.
double ComponentTerm(const TraitComponent& k, LinkFunctionType link, double x, int gridIndex) {
  if (gridIndex >= 0) return k.Profile[gridIndex].Lik;
  return ComponentLikelihood(k, link, x) / k.ComponentNormalizingConst;
}

double ComplexLikelihoodAt(const TraitComplex& c, LinkFunctionType link, double x, int gridIndex) {
  long double product = 1.0L;
  for (const TraitComponent* k = c.Components.get(); k; k = k->Next.get())
    product *= ComponentTerm(*k, link, x, gridIndex);
  return static_cast<double>(product);
}

// One term of the case's likelihood; the complex profile holds it on the grid
// once the complex has been analysed.
double ComplexTerm(const TraitComplex& c, LinkFunctionType link, double x, int gridIndex) {
  if (gridIndex >= 0) return c.Profile[gridIndex].Lik;
  return Power(ComplexLikelihoodAt(c, link, x, -1) / c.ML, 1.0 / c.Resvar);
}

double CaseLikelihoodAt(const TTransisionsAnalyseDataSet& s, LinkFunctionType link, double x, int gridIndex) {
  long double product = 1.0L;
  for (const TraitComplex* c = s.Complexes.get(); c; c = c->Next.get()) product *= ComplexTerm(*c, link, x, gridIndex);
  return static_cast<double>(product);
}

// The consistency statistic -2 ln(ML) with its probability. A refined maximum
// may fall a hair short of the true one and make the statistic negative;
// the true statistic is never below 0, so that counts as full agreement.
void ConsistencyTest(double ml, int df, double& statistic, double& probability) {
  const double value = static_cast<double>(-2.0L * std::log(static_cast<long double>(ml)));
  statistic = value < 0.0 ? 0.0 : value;
  probability = Chi2(df, statistic);
}

// G(x) = -ln(value(x) / maximum) / resvar - criticalValue.
long double LimitFunction(double value, double maximum, double resvar, long double criticalValue) {
  return -std::log(static_cast<long double>(value) / maximum) / resvar - criticalValue;
}

void AnalyseComponents(TraitComplex& c, LinkFunctionType link) {
  for (TraitComponent* k = c.Components.get(); k; k = k->Next.get()) {
    std::array<double, AgeGridSize> grid;
    ComponentLikelihoodOnGrid(*k, link, grid);
    const auto likelihood = [k, link, &grid](double x) {
      const int i = GridIndexOf(x);
      return i >= 0 ? grid[i] : ComponentLikelihood(*k, link, x);
    };
    const MaximumResult m = FindMaximum(likelihood, k->Profile);
    k->MLA = m.MLA;
    k->ComponentNormalizingConst = m.ML;
    for (AgePoint& p : k->Profile) p.Lik /= k->ComponentNormalizingConst;
  }
}

void AnalyseComplex(TraitComplex& c, const AnalysisSettings& settings) {
  AnalyseComponents(c, settings.link);
  const int components = CountComponents(c);
  c.DF = components > 1 ? components - 1 : 0;

  const auto likelihood = [&c, link = settings.link](double x) {
    return ComplexLikelihoodAt(c, link, x, GridIndexOf(x));
  };
  const MaximumResult m = FindMaximum(likelihood, c.Profile);
  c.MLA = m.MLA;
  c.ML = m.ML;
  if (!m.atEdge && c.DF > 0) {
    ConsistencyTest(c.ML, c.DF, c.Consistensy, c.PConsistensy);
  } else {
    c.Consistensy = 0.0;
    c.PConsistensy = -1.0;
  }
  for (AgePoint& p : c.Profile) p.Lik = Power(p.Lik / c.ML, 1.0 / c.Resvar);

  const auto G = [&c, &likelihood, critical = settings.criticalValue](double x) {
    return LimitFunction(likelihood(x), c.ML, c.Resvar, critical);
  };
  if (c.MLA <= AgeGridStart) {
    c.CILow = 0.0;
    c.CIHigh = ConfidenceLimit(G, c.MLA, AgeGridEnd);
  } else if (c.MLA < AgeGridEnd) {
    c.CILow = ConfidenceLimit(G, AgeGridStart, c.MLA);
    c.CIHigh = ConfidenceLimit(G, c.MLA, AgeGridEnd);
  } else {
    c.CILow = ConfidenceLimit(G, AgeGridStart, c.MLA);
    c.CIHigh = 0.0;
  }
  c.SE = 1.0;
}

// Both limits of a case-level estimate; an open limit becomes the grid's end.
template <class Function>
void CaseLimits(Function&& G, double mla, double& low, double& high) {
  auto orEnd = [](double limit, double end) { return limit == 0.0 ? end : limit; };
  if (mla <= AgeGridStart) {
    low = AgeGridStart;
    high = orEnd(ConfidenceLimit(G, mla, AgeGridEnd), AgeGridEnd);
  } else if (mla < AgeGridEnd) {
    low = orEnd(ConfidenceLimit(G, AgeGridStart, mla), AgeGridStart);
    high = orEnd(ConfidenceLimit(G, mla, AgeGridEnd), AgeGridEnd);
  } else {
    low = orEnd(ConfidenceLimit(G, AgeGridStart, mla), AgeGridStart);
    high = AgeGridEnd;
  }
}

}  // namespace

double ComplexLikelihood(const TraitComplex& complex, LinkFunctionType link, double x) {
  return ComplexLikelihoodAt(complex, link, x, -1);
}

double CaseLikelihood(const TTransisionsAnalyseDataSet& record, LinkFunctionType link, double x) {
  return CaseLikelihoodAt(record, link, x, -1);
}

TTransisionsAnalyseDataSet* Analyse(TTransisionsAnalyseDataSet* record, const AnalysisSettings& settings) {
  if (!record) return nullptr;
  TTransisionsAnalyseDataSet& s = *record;
  int complexes = 0;
  for (TraitComplex* c = s.Complexes.get(); c; c = c->Next.get()) {
    AnalyseComplex(*c, settings);
    ++complexes;
  }
  s.DF = complexes > 1 ? complexes - 1 : 0;

  const LinkFunctionType link = settings.link;
  const long double critical = settings.criticalValue;
  const auto caseLikelihood = [&s, link](double x) { return CaseLikelihoodAt(s, link, x, GridIndexOf(x)); };
  const MaximumResult m = FindMaximum(caseLikelihood, s.Likelihood);
  s.MLA = m.MLA;
  const double M = m.ML;
  s.ML = M;
  if (!m.atEdge && s.DF > 0) {
    ConsistencyTest(M, s.DF, s.Consistensy, s.PConsistensy);
  } else {
    s.Consistensy = 0.0;
    s.PConsistensy = -1.0;
  }

  // The raw combined likelihood on the grid stays at hand for the corrected search.
  std::vector<double> rawCase(AgeGridSize);
  for (int i = 0; i < AgeGridSize; ++i) rawCase[i] = s.Likelihood[i].Lik;
  const auto caseValue = [&](double x) {
    const int i = GridIndexOf(x);
    return i >= 0 ? rawCase[i] : CaseLikelihoodAt(s, link, x, -1);
  };

  for (AgePoint& p : s.Likelihood) p.Lik = Power(p.Lik, 1.0 / s.Resvar);
  const auto flatG = [&](double x) { return LimitFunction(FlatPrior(x) * caseValue(x), M, s.Resvar, critical); };
  CaseLimits(flatG, s.MLA, s.CILow, s.CIHigh);
  s.ML = Power(M, 1.0 / s.Resvar);

  const HazardTableType& prior = settings.prior;
  const auto corrected = [&](double x) { return HazardDensity(prior, x) * caseValue(x); };
  const MaximumResult h = FindMaximum(corrected, s.HazardLikelihood);
  s.Hazard_MLA = h.MLA;
  const double H = h.ML;
  for (AgePoint& p : s.HazardLikelihood) p.Lik = Power(p.Lik, 1.0 / s.Resvar);
  const auto priorG = [&](double x) { return LimitFunction(corrected(x), H, s.Resvar, critical); };
  CaseLimits(priorG, s.Hazard_MLA, s.Hazard_CILow, s.Hazard_CIHigh);
  s.SE = 1.0;
  s.Hazard_SE = 1.0;
  s.Hazard_ML = Power(H, 1.0 / s.Resvar);
  return record;
}

}  // namespace vorla
