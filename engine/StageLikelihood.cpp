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
  long double p = 1.0L;
  for (int j = 0; j <= n - 2; ++j)
    p *= LinkFunction(component.a[j], component.b[j], component.c[j], component.d[j],
                      component.e[j], x);
  return static_cast<double>(p);
}

namespace {

// The stage-reached probabilities 1 .. N + 2 of one component at one age, each
// transition evaluated once; reached[n] equals StageReachedProbability(n).
struct ReachedTable {
  double reached[MaxTransitions + 4];

  ReachedTable(const TraitComponent& k, int highest, double x) {
    const int last = std::min(highest, k.NumStagesOfComponent + 1);
    long double p = 1.0L;
    reached[1] = 1.0;
    for (int n = 2; n <= last; ++n) {
      const int j = n - 2;
      p *= LinkFunction(k.a[j], k.b[j], k.c[j], k.d[j], k.e[j], x);
      reached[n] = static_cast<double>(p);
    }
    for (int n = std::max(last + 1, 2); n <= highest; ++n) reached[n] = 0.0;
  }
};

// A side takes part only when both of its stages stand for a model stage; a
// pair that came out reversed is taken in order.
bool SideTakesPart(int entered, int notOutOf) { return entered > 0 && notOutOf > 0; }

}  // namespace

double ComponentLikelihood(const TraitComponent& component, double x) {
  const int stageLimit = std::min(component.NumStagesOfComponent, MaxTransitions) + 1;
  const bool right = SideTakesPart(component.EnteredRight, component.NotOutOfRight);
  const bool left = SideTakesPart(component.EnteredLeft, component.NotOutOfLeft);
  auto lowOf = [&](int s1, int s2) { return std::min({s1, s2, stageLimit + 1}); };
  auto highOf = [&](int s1, int s2) { return std::min(std::max(s1, s2), stageLimit + 1); };

  int highest = 1;
  if (right) highest = std::max(highest, highOf(component.EnteredRight, component.NotOutOfRight) + 1);
  if (left) highest = std::max(highest, highOf(component.EnteredLeft, component.NotOutOfLeft) + 1);
  const ReachedTable table(component, highest, x);

  long double pRight = 1.0L, pLeft = 1.0L;
  if (right) {
    pRight = static_cast<long double>(table.reached[lowOf(component.EnteredRight, component.NotOutOfRight)]) -
             table.reached[highOf(component.EnteredRight, component.NotOutOfRight) + 1];
  }
  if (left) {
    pLeft = static_cast<long double>(table.reached[lowOf(component.EnteredLeft, component.NotOutOfLeft)]) -
            table.reached[highOf(component.EnteredLeft, component.NotOutOfLeft) + 1];
  }
  const double L = static_cast<double>(pRight * pLeft);
  if (L == 0.0) return 1e-40;
  return L;
}

}  // namespace vorla
