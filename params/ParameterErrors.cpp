#include "params/ParameterErrors.h"

namespace vorla {

ParameterVersionError::ParameterVersionError(double foundVersion)
    : AnalysisError(VersionMismatchMessage()), found(foundVersion) {}

std::string VersionMismatchMessage() {
  return "Wrong version of parameter set. \nObtain version: 0.11";
}

}  // namespace vorla
