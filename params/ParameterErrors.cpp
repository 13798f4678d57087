#include "params/ParameterErrors.h"

namespace vorla {

ParameterVersionError::ParameterVersionError(double foundVersion, int foundLine)
    : AnalysisError(VersionMismatchMessage()), found(foundVersion), line(foundLine) {}

std::string VersionMismatchMessage() {
  return "Wrong version of parameter set. \nObtain version: 0.11";
}

std::string VersionMismatchMessage(const std::string& file, const ParameterVersionError& error) {
  return file + ", line " + std::to_string(error.line) + ": " + VersionMismatchMessage();
}

}  // namespace vorla
