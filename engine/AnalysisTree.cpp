#include "engine/AnalysisTree.h"

namespace vorla {

std::string CutText(std::string_view text, std::size_t length) {
  return std::string(text.substr(0, length));
}

// The lists are released link by link, so a long list never recurses deeply.
TraitComponent::~TraitComponent() {
  auto next = std::move(Next);
  while (next) next = std::move(next->Next);
}

TraitComplex::~TraitComplex() {
  auto next = std::move(Next);
  while (next) next = std::move(next->Next);
}

void FreeAnalysisTree(AnalysisTreePtr& record) {
  record.reset();
}

int CountComplexes(const TTransisionsAnalyseDataSet& record) {
  int n = 0;
  for (const TraitComplex* c = record.Complexes.get(); c; c = c->Next.get()) ++n;
  return n;
}

int CountComponents(const TraitComplex& complex) {
  int n = 0;
  for (const TraitComponent* k = complex.Components.get(); k; k = k->Next.get()) ++n;
  return n;
}

}  // namespace vorla
