#pragma once
#include <stdexcept>
#include <string>

namespace vorla {

// Every failure of the analysis engine and of the readers that feed it: the
// message is the text the user sees.
class AnalysisError : public std::runtime_error {
 public:
  explicit AnalysisError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vorla
