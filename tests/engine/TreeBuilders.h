#pragma once
// Small analysis trees for the engine's tests.
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "engine/AnalysisTree.h"

namespace vorla::test {

// A component with one (a, b) pair per transition and stages 0.
std::unique_ptr<TraitComponent> MakeComponent(const std::string& name,
                                              std::initializer_list<std::pair<double, double>> ab);
void SetStages(TraitComponent& k, int enteredRight, int notOutOfRight, int enteredLeft, int notOutOfLeft);

// A complex of the given components, appended in order.
std::unique_ptr<TraitComplex> MakeComplex(const std::string& name, double resvar,
                                          std::initializer_list<TraitComponent*> components);

// A realistic four-transition trait whose stage s is the most likely around
// `centre` + 12 s years; the component is scored as the single stage `stage`.
std::unique_ptr<TraitComponent> RealisticComponent(const std::string& name, int stage, double shift = 0);

// A case of the given complexes (taking ownership), group 1, Resvar 1.
AnalysisTreePtr MakeCase(std::initializer_list<TraitComplex*> complexes);

}  // namespace vorla::test
