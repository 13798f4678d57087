#include "engine/StageLikelihood.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "engine/AnalysisError.h"
#include "engine/TextCase.h"

namespace vorla {

double Logit(double a, double b, double /*c*/, double /*d*/, double /*e*/, double x) {
  const double E = std::exp(a + b * x);
  // exp overflows only where the probability is 1 to the last digit.
  if (std::isinf(E)) return 1.0;
  return E / (E + 1.0);
}

LinkFunctionType LinkFunctionNamed(const std::string& name) {
  if (LowerCase(name) != "logit") throw AnalysisError("illegal linkfunction parameter: LF" + name);
  return &Logit;
}

double StageReachedProbability(const TraitComponent& component, LinkFunctionType link, int n, double x) {
  if (n > component.NumStagesOfComponent + 1) return 0.0;
  double p = 1.0;
  for (int j = 0; j <= n - 2; ++j)
    p *= link(component.a[j], component.b[j], component.c[j], component.d[j], component.e[j], x);
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

double ComponentLikelihood(const TraitComponent& component, LinkFunctionType link, double x) {
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
  const bool logit = link == &Logit;
  for (int n = 2; n <= computed; ++n) {
    const int j = n - 2;
    p *= logit ? Logit(component.a[j], component.b[j], 0, 0, 0, x)
               : link(component.a[j], component.b[j], component.c[j], component.d[j], component.e[j], x);
    reached[n] = p;
  }
  for (int n = std::max(computed + 1, 2); n <= highest; ++n) reached[n] = 0.0;

  const double L = SideProbability(reached, right) * SideProbability(reached, left);
  if (L == 0.0) return 1e-40;
  return L;
}

namespace {

using GridValues = std::array<double, AgeGridSize>;

// The running products of a trait's transitions over the grid: stage n's
// row is the probability of having reached stage n at every grid age,
// multiplied out in the order ComponentLikelihood multiplies. They depend
// only on the trait's parameters, so the components of every case that
// share them share one table; a table grows only as far as a case needs it.
class ReachedTables {
 public:
  // Rows 1 to `stage` of the table of these parameters.
  const std::vector<GridValues>& Rows(const TraitComponent& k, int transitions, int stage) {
    Table& table = Find(k, transitions);
    while (static_cast<int>(table.rows.size()) < stage) {
      const int n = static_cast<int>(table.rows.size()) + 1;  // the stage to add
      GridValues next = table.rows.back();
      const int j = n - 2;
      for (int i = 0; i < AgeGridSize; ++i) next[i] *= Logit(k.a[j], k.b[j], 0, 0, 0, GridAge(i));
      table.rows.push_back(next);
    }
    return table.rows;
  }

 private:
  struct Table {
    TransitionParameters a, b;
    int transitions;
    std::vector<GridValues> rows;  // rows[n - 1] for stage n
  };

  // Parameter files hold a few hundred traits at most; past that (a
  // calibration trying parameters) the tables are dropped and begun afresh.
  static constexpr std::size_t MostTables = 512;

  Table& Find(const TraitComponent& k, int transitions) {
    std::uint64_t hash = 1469598103934665603ull ^ static_cast<std::uint64_t>(transitions);
    const auto mix = [&hash](double value) {
      std::uint64_t bits;
      std::memcpy(&bits, &value, sizeof bits);
      hash = (hash ^ bits) * 1099511628211ull;
      hash ^= hash >> 29;
    };
    for (int j = 0; j < transitions; ++j) {
      mix(k.a[j]);
      mix(k.b[j]);
    }
    const auto same = [&](const Table& t) {
      if (t.transitions != transitions) return false;
      for (int j = 0; j < transitions; ++j)
        if (!SameBits(t.a[j], k.a[j]) || !SameBits(t.b[j], k.b[j])) return false;
      return true;
    };
    auto [first, last] = tables_.equal_range(hash);
    for (auto it = first; it != last; ++it)
      if (same(it->second)) return it->second;
    if (tables_.size() >= MostTables) tables_.clear();
    Table table{k.a, k.b, transitions, {}};
    table.rows.emplace_back();
    table.rows.back().fill(1.0);  // stage 1 is reached at every age
    return tables_.emplace(hash, std::move(table))->second;
  }

  static bool SameBits(double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; }

  std::unordered_multimap<std::uint64_t, Table> tables_;
};

}  // namespace

void ComponentLikelihoodOnGrid(const TraitComponent& component, LinkFunctionType link,
                               std::array<double, AgeGridSize>& values) {
  const int transitions = std::clamp(component.NumStagesOfComponent, 0, MaxTransitions);
  const int lastStage = transitions + 1;
  const SideStages right = OrderedSide(component.EnteredRight, component.NotOutOfRight, lastStage);
  const SideStages left = OrderedSide(component.EnteredLeft, component.NotOutOfLeft, lastStage);
  const int highest = std::max(right.used ? right.high + 1 : 1, left.used ? left.high + 1 : 1);
  const int computed = std::min(highest, lastStage);

  if (link == &Logit) {
    // Each thread keeps its own tables, found by the parameters they were
    // built from: they hold no choice of a run, and threads share nothing.
    thread_local ReachedTables tables;
    const std::vector<GridValues>& rows = tables.Rows(component, transitions, computed);
    static const GridValues unreached{};  // stages past the computed ones
    const auto row = [&](int stage) -> const GridValues& {
      return stage <= computed ? rows[static_cast<std::size_t>(stage - 1)] : unreached;
    };
    // A side that takes no part counts as 1: its rows are those of stage 1.
    const GridValues& rightLow = row(right.used ? right.low : 1);
    const GridValues& rightHigh = row(right.used ? right.high + 1 : 1);
    const GridValues& leftLow = row(left.used ? left.low : 1);
    const GridValues& leftHigh = row(left.used ? left.high + 1 : 1);
    for (int i = 0; i < AgeGridSize; ++i) {
      const double pRight = right.used ? rightLow[i] - rightHigh[i] : 1.0;
      const double pLeft = left.used ? leftLow[i] - leftHigh[i] : 1.0;
      const double L = pRight * pLeft;
      values[i] = L == 0.0 ? 1e-40 : L;
    }
    return;
  }

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
  for (int n = 2; n <= computed; ++n) {
    const int j = n - 2;
    const TraitComponent& k = component;
    for (int i = 0; i < AgeGridSize; ++i) product[i] *= link(k.a[j], k.b[j], k.c[j], k.d[j], k.e[j], GridAge(i));
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
