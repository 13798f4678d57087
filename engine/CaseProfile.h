#pragma once
// The combined uncorrected likelihood of a loaded case on the age grid,
// without the searches for maxima and limits: what the mortality of a set
// of cases is estimated from.
#include <array>

#include "engine/AnalysisSettings.h"
#include "engine/AnalysisTree.h"

namespace vorla {

using GridValuesOfCase = std::array<double, AgeGridSize>;

// The case's likelihood at every grid age, proportional to the profile
// Analyse leaves in the case's Likelihood (every complex's components
// multiplied, each complex raised to 1 / its Resvar, the whole to 1 / the
// case's Resvar), scaled so that its largest grid value is 1. The product
// is taken in logarithms, so many components do not make it vanish.
GridValuesOfCase UncorrectedCaseProfile(const TTransisionsAnalyseDataSet& record, LinkFunctionType link);

}  // namespace vorla
