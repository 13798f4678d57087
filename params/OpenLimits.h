#pragma once
// An estimate or confidence limit stored at an end of the age range (15 or
// 110 years) is open at that end: the age may lie beyond it. Every place
// that shows results to a person marks it the same way, "≤ 15.0" or
// "≥ 110.0"; files keep the stored number unchanged.
#include <optional>
#include <string>

namespace vorla {

enum class OpenEnd { None, Low, High };

// Whether a result field is an estimate or a limit (MAX_LIKELIHOOD,
// LOW95P_CONF, UPPER95P_CONF of any complex).
bool IsEstimateOrLimit(const std::string& field);
OpenEnd OpenEndOf(const std::string& field, const std::optional<double>& value);
// "low", "high" or "".
const char* OpenEndName(OpenEnd end);
// The number as shown, with "≤ " or "≥ " before it at an open end.
std::string MarkedOpen(OpenEnd end, const std::string& number);

}  // namespace vorla
