#pragma once
// How likely the recorded stages of one scored trait are at a given age.
#include <array>
#include <string>

#include "engine/AnalysisTree.h"

namespace vorla {

// E / (E + 1) with E = exp(a + b x); c, d and e are accepted and ignored.
double Logit(double a, double b, double c, double d, double e, double x);

// "logit" in any letter case selects Logit; any other name is refused.
void SelectLinkFunction(const std::string& name);

// Probability that the trait has reached stage n at age x.
double StageReachedProbability(const TraitComponent& component, int n, double x);

// Likelihood of the component's recorded stages at age x; an exact zero becomes 1e-40.
double ComponentLikelihood(const TraitComponent& component, double x);

// ComponentLikelihood at every age of the grid: the same values, evaluated in
// the same order, one transition at a time over all ages.
void ComponentLikelihoodOnGrid(const TraitComponent& component, std::array<double, AgeGridSize>& values);

}  // namespace vorla
