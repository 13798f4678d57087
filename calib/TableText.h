#pragma once
// The numbers of the validation and variance tables as text.
#include <cstddef>
#include <string>

namespace vorla::calib {

// The value with that many decimals; "-" when it is not a number.
std::string Fixed(double value, int decimals);
// The text right-aligned in that width (never cut).
std::string Right(const std::string& text, std::size_t width);
// A share (0 to 1) as a percentage with one decimal, "95.0 %"; "-" when unknown.
std::string Percent(double share);

}  // namespace vorla::calib
