#pragma once
// Estimation of one loaded case: every component, every complex with its
// limits and consistency test, and the whole case uncorrected and corrected
// by the prior mortality model.
#include "engine/AnalysisSettings.h"
#include "engine/AnalysisTree.h"

namespace vorla {

// Product over the complex's components of their likelihood at x divided by
// their normalising constant.
double ComplexLikelihood(const TraitComplex& complex, LinkFunctionType link, double x);
// Product over the case's complexes of (ComplexLikelihood / ML) ^ (1 / Resvar).
double CaseLikelihood(const TTransisionsAnalyseDataSet& record, LinkFunctionType link, double x);

// Fills every profile and result of the case under the settings (their
// level, link and prior; the group was used when the case was loaded);
// given none it does nothing.
TTransisionsAnalyseDataSet* Analyse(TTransisionsAnalyseDataSet* record, const AnalysisSettings& settings);

}  // namespace vorla
