#include "engine/StageLikelihood.h"

#include <algorithm>
#include <cmath>

#include "engine/AnalysisError.h"
#include "engine/EngineSettings.h"
#include "engine/TextCase.h"

namespace vorla {

double Logit(double a, double b, double /*c*/, double /*d*/, double /*e*/, double x) {
  const double E = std::exp(a + b * x);
  // exp overflows only where the probability is 1 to the last digit.
  if (std::isinf(E)) return 1.0;
  return E / (E + 1.0);
}

void SelectLinkFunction(const std::string& name) {
  if (LowerCase(name) != "logit") throw AnalysisError("illegal linkfunction parameter: LF" + name);
  LinkFunction = &Logit;
}

double StageReachedProbability(const TraitComponent& component, int n, double x) {
  if (n > component.NumStagesOfComponent + 1) return 0.0;
  double p = 1.0;
  for (int j = 0; j <= n - 2; ++j)
    p *= LinkFunction(component.a[j], component.b[j], component.c[j], component.d[j], component.e[j], x);
  return p;
}

namespace {

// One side's stages in order, or none when the side takes no part: a side
// takes part only when both of its stages stand for a model stage, and a pair
// that came out reversed is taken in order. Stages past the last one are all
// alike (never reached), so they are held at N + 2.
struct SideStages {
  int low = 0, high = 0;
  bool used = false;
};

SideStages OrderedSide(int entered, int notOutOf, int lastStage) {
  if (entered <= 0 || notOutOf <= 0) return {};
  int low = std::min(entered, notOutOf), high = std::max(entered, notOutOf);
  low = std::min(low, lastStage + 1);
  high = std::min(high, lastStage + 1);
  return {low, high, true};
}

// P(stage between low and high) = reached(low) - reached(high + 1).
double SideProbability(const double* reached, const SideStages& side) {
  return side.used ? reached[side.low] - reached[side.high + 1] : 1.0;
}

}  // namespace

double ComponentLikelihood(const TraitComponent& component, double x) {
  const int transitions = std::clamp(component.NumStagesOfComponent, 0, MaxTransitions);
  const int lastStage = transitions + 1;
  const SideStages right = OrderedSide(component.EnteredRight, component.NotOutOfRight, lastStage);
  const SideStages left = OrderedSide(component.EnteredLeft, component.NotOutOfLeft, lastStage);
  const int highest = std::max(right.used ? right.high + 1 : 1, left.used ? left.high + 1 : 1);

  // reached[n] = StageReachedProbability(n): the same products, each
  // transition evaluated once.
  double reached[MaxTransitions + 4];
  reached[1] = 1.0;
  const int computed = std::min(highest, lastStage);
  double p = 1.0;
  const bool logit = LinkFunction == &Logit;
  for (int n = 2; n <= computed; ++n) {
    const int j = n - 2;
    p *= logit ? Logit(component.a[j], component.b[j], 0, 0, 0, x)
               : LinkFunction(component.a[j], component.b[j], component.c[j], component.d[j], component.e[j], x);
    reached[n] = p;
  }
  for (int n = std::max(computed + 1, 2); n <= highest; ++n) reached[n] = 0.0;

  const double L = SideProbability(reached, right) * SideProbability(reached, left);
  if (L == 0.0) return 1e-40;
  return L;
}

void ComponentLikelihoodOnGrid(const TraitComponent& component, std::array<double, AgeGridSize>& values) {
  const int transitions = std::clamp(component.NumStagesOfComponent, 0, MaxTransitions);
  const int lastStage = transitions + 1;
  const SideStages right = OrderedSide(component.EnteredRight, component.NotOutOfRight, lastStage);
  const SideStages left = OrderedSide(component.EnteredLeft, component.NotOutOfLeft, lastStage);
  const int highest = std::max(right.used ? right.high + 1 : 1, left.used ? left.high + 1 : 1);
  const int computed = std::min(highest, lastStage);

  // For each age, the running product of the transitions is the probability
  // of having reached the stage; the four stages the sides need are kept.
  std::array<double, AgeGridSize> product, rightLow, rightHigh, leftLow, leftHigh;
  product.fill(1.0);
  const auto keep = [&](int stage) {
    if (right.used && right.low == stage) rightLow = product;
    if (right.used && right.high + 1 == stage) rightHigh = product;
    if (left.used && left.low == stage) leftLow = product;
    if (left.used && left.high + 1 == stage) leftHigh = product;
  };
  keep(1);
  const bool logit = LinkFunction == &Logit;
  for (int n = 2; n <= computed; ++n) {
    const int j = n - 2;
    const TraitComponent& k = component;
    for (int i = 0; i < AgeGridSize; ++i) {
      const double x = GridAge(i);
      product[i] *= logit ? Logit(k.a[j], k.b[j], 0, 0, 0, x) : LinkFunction(k.a[j], k.b[j], k.c[j], k.d[j], k.e[j], x);
    }
    keep(n);
  }
  product.fill(0.0);  // stages past the computed ones are not reached
  for (int n = std::max(computed + 1, 2); n <= highest; ++n) keep(n);

  for (int i = 0; i < AgeGridSize; ++i) {
    const double pRight = right.used ? rightLow[i] - rightHigh[i] : 1.0;
    const double pLeft = left.used ? leftLow[i] - leftHigh[i] : 1.0;
    const double L = pRight * pLeft;
    values[i] = L == 0.0 ? 1e-40 : L;
  }
}

}  // namespace vorla
