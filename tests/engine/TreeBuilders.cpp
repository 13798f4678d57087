#include "TreeBuilders.h"

namespace vorla::test {

std::unique_ptr<TraitComponent> MakeComponent(const std::string& name,
                                              std::initializer_list<std::pair<double, double>> ab) {
  auto k = std::make_unique<TraitComponent>();
  k->ComponentName = name;
  int j = 0;
  for (auto [a, b] : ab) {
    k->a[j] = a;
    k->b[j] = b;
    ++j;
  }
  k->NumStagesOfComponent = j;
  return k;
}

void SetStages(TraitComponent& k, int enteredRight, int notOutOfRight, int enteredLeft, int notOutOfLeft) {
  k.EnteredRight = enteredRight;
  k.NotOutOfRight = notOutOfRight;
  k.EnteredLeft = enteredLeft;
  k.NotOutOfLeft = notOutOfLeft;
  k.RawScores = {enteredRight, notOutOfRight, enteredLeft, notOutOfLeft};
}

std::unique_ptr<TraitComplex> MakeComplex(const std::string& name, double resvar,
                                          std::initializer_list<TraitComponent*> components) {
  auto c = std::make_unique<TraitComplex>();
  c->Complexname = name;
  c->Resvar = resvar;
  std::unique_ptr<TraitComponent>* tail = &c->Components;
  for (TraitComponent* k : components) {
    tail->reset(k);
    tail = &(*tail)->Next;
  }
  return c;
}

std::unique_ptr<TraitComponent> RealisticComponent(const std::string& name, int stage, double shift) {
  // Transition t happens on average at 25 + 12 t + shift years, spread by 1 / b.
  auto k = MakeComponent(name, {});
  for (int j = 0; j < 4; ++j) {
    const double b = 0.12 - 0.01 * j;
    const double age = 25 + 12 * j + shift;
    k->a[j] = -b * age;
    k->b[j] = b;
  }
  k->NumStagesOfComponent = 4;
  SetStages(*k, stage, stage, 0, 0);
  return k;
}

AnalysisTreePtr MakeCase(std::initializer_list<TraitComplex*> complexes) {
  auto s = std::make_unique<TTransisionsAnalyseDataSet>();
  std::unique_ptr<TraitComplex>* tail = &s->Complexes;
  for (TraitComplex* c : complexes) {
    tail->reset(c);
    tail = &(*tail)->Next;
  }
  return s;
}

}  // namespace vorla::test
