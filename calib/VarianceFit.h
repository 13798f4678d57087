#pragma once
// The variance factor of every complex, estimated from a reference sample by
// cross-validation. The sample is dealt to folds as for a cross-validated
// validation; each fold's skeletons are scored with the transitions
// calibrated on the other folds. For a skeleton and a complex, the 95 %
// interval of the complex covers the documented age exactly when the factor
// is at least ln(L(best age) / L(documented age)) / c, with L the complex's
// likelihood and c the critical value of the 95 % level; the fitted factor is
// the smallest that covers 95 % of the skeletons scored in the complex. The
// case's factor, which scales the interval of all complexes together, is then
// fitted the same way on the combined likelihood with the fitted complex
// factors: complexes of one skeleton that agree more than the model says (all
// ahead of or all behind its age) make the combined interval too narrow even
// when each complex's is right.
#include <cstddef>
#include <string>
#include <vector>

#include "calib/Calibration.h"

namespace vorla::calib {

// Fewer skeletons scored in a complex than this leave its factor as it was.
inline constexpr std::size_t LeastForVarianceFit = 20;
inline constexpr int VarianceFolds = 5;

struct ComplexVariance {
  std::string complexName;
  std::size_t individuals = 0;  // skeletons scored in the complex
  double templateFactor = 1.0;
  double fittedFactor = 1.0;  // the template's when too few skeletons are scored
  bool fitted = false;
  double coverageBefore = 0.0, coverageAfter = 0.0;  // of the complex's 95 % interval, cross-validated
};

struct VarianceFitResult {
  int folds = VarianceFolds;
  std::vector<ComplexVariance> complexes;  // in file order
  std::size_t individuals = 0;             // skeletons scored in at least one complex
  // The case's factor, and the coverage of the interval of all complexes
  // together, without the prior, at the template's factors and at the fitted ones.
  double templateCaseFactor = 1.0, fittedCaseFactor = 1.0;
  bool caseFitted = false;
  double overallBefore = 0.0, overallAfter = 0.0;
};

// The folds' calibrations need ceil(4/5 of options.minPerTransition)
// individuals on each side of a transition, as a fold's training part holds
// four fifths of the sample. Throws CalibrationError when a fold cannot be
// calibrated.
VarianceFitResult FitVarianceFactors(const ParameterStructure& templateStructure, const ReferenceSample& sample,
                                     const CalibrationOptions& options);

// Puts the fitted factors into the structure: the complexes' and the case's.
void ApplyVarianceFactors(const VarianceFitResult& fit, ParameterStructure& structure);

std::string VarianceFitText(const VarianceFitResult& fit);
std::string VarianceFitCsv(const VarianceFitResult& fit);

}  // namespace vorla::calib
