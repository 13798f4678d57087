#include "params/OpenLimits.h"

#include "engine/AnalysisTree.h"

namespace vorla {

bool IsEstimateOrLimit(const std::string& field) {
  return field.ends_with("MAX_LIKELIHOOD") || field.ends_with("LOW95P_CONF") || field.ends_with("UPPER95P_CONF");
}

OpenEnd OpenEndOf(const std::string& field, const std::optional<double>& value) {
  if (!value || !IsEstimateOrLimit(field)) return OpenEnd::None;
  if (*value <= AgeGridStart) return OpenEnd::Low;
  if (*value >= AgeGridEnd) return OpenEnd::High;
  return OpenEnd::None;
}

const char* OpenEndName(OpenEnd end) {
  return end == OpenEnd::Low ? "low" : end == OpenEnd::High ? "high" : "";
}

std::string MarkedOpen(OpenEnd end, const std::string& number) {
  if (number.empty()) return number;
  return end == OpenEnd::Low ? "\u2264 " + number : end == OpenEnd::High ? "\u2265 " + number : number;
}

}  // namespace vorla
