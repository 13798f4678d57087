#pragma once
// The number forms of the analysis trace, independent of the locale.
#include <cstdint>
#include <string>

namespace vorla {

// Scientific notation in 23 characters: sign or blank, d.dddddddddddddd, E, sign, 4 digits.
std::string TraceReal(double value);
// Fixed point with `decimals` decimals, right-aligned in `width` characters (wider when needed).
std::string TraceFixed(double value, int decimals, int width);

}  // namespace vorla
