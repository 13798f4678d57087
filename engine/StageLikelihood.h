#pragma once
// How likely the recorded stages of one scored trait are at a given age.
#include <array>
#include <string>

#include "engine/AnalysisSettings.h"
#include "engine/AnalysisTree.h"

namespace vorla {

// E / (E + 1) with E = exp(a + b x); c, d and e are accepted and ignored.
double Logit(double a, double b, double c, double d, double e, double x);

// "logit" in any letter case names Logit; any other name is refused.
LinkFunctionType LinkFunctionNamed(const std::string& name);

// Probability that the trait has reached stage n at age x, under the link.
double StageReachedProbability(const TraitComponent& component, LinkFunctionType link, int n, double x);

// Likelihood of the component's recorded stages at age x; an exact zero becomes 1e-40.
double ComponentLikelihood(const TraitComponent& component, LinkFunctionType link, double x);

// ComponentLikelihood at every age of the grid: the same values, evaluated in
// the same order, one transition at a time over all ages.
void ComponentLikelihoodOnGrid(const TraitComponent& component, LinkFunctionType link,
                               std::array<double, AgeGridSize>& values);

}  // namespace vorla
