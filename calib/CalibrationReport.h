#pragma once
// The report of a calibration: per component, group and transition the
// individuals at risk, a, b, the transition age -a/b with its standard error, and
// the log-likelihood of the component's fit; as aligned text or as CSV.
#include <string>

#include "calib/Calibration.h"

namespace vorla::calib {

// What is odd about a fitted transition: its age lies below the previous
// transition's, or its slope is not positive, or the sample does not
// determine it (its age lies outside 15-110, or its standard error is
// unknown or above mostAgeSE years). Empty when nothing is.
std::string TransitionFlag(const ComponentFit& fit, int transition, double mostAgeSE = DefaultMostAgeSE);
// Whether the sample leaves the transition's age undetermined, as above.
bool Undetermined(const TransitionEstimate& estimate, double mostAgeSE);

std::string CalibrationReportText(const CalibrationResult& result, const std::string& sampleName,
                                  const std::string& templateName);
std::string CalibrationReportCsv(const CalibrationResult& result);

}  // namespace vorla::calib
