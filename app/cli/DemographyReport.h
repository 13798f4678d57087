#pragma once
// What vorla-cli demography prints of a mortality estimate: a readable
// table, CSV or JSON, each with the estimates, their errors and limits, the
// fit, the mean and modal age at death, the life table and the
// log-likelihood of each built-in model.
#include <ostream>
#include <string>
#include <vector>

#include "app/cli/ResultReport.h"
#include "calib/MortalityFit.h"

namespace vorla::cli {

struct BuiltInLikelihood {
  std::string name;  // "archeological", "forensic"
  double logLikelihood = 0.0;
};

struct DemographyReport {
  calib::MortalityEstimate estimate;
  std::vector<BuiltInLikelihood> builtIn;
};

// "gompertz" or "makeham".
const char* FormName(calib::MortalityForm form);

void PrintDemography(const DemographyReport& report, ReportFormat format, std::ostream& out);

}  // namespace vorla::cli
