#pragma once
// Ages at death drawn from a mortality prior: the Gompertz-Makeham model of
// the corrected estimate, for a person alive at 15, cut at 110.
#include <optional>
#include <string>

namespace vorla::calib {

// P(age at death <= x) among deaths from 15 to 110 under the prior
// "archeological" or "forensic"; throws std::invalid_argument for another name.
double PriorAgeShare(const std::string& prior, double x);

// The age whose share is u (0 to 1): u uniform gives an age drawn from the prior.
double DrawPriorAge(const std::string& prior, double u);

// The prior of "prior:archeological" or "prior:forensic"; none for any text
// not beginning with "prior:"; throws std::invalid_argument for another prior.
std::optional<std::string> ParsePriorAges(const std::string& text);

}  // namespace vorla::calib
