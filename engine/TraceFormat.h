#pragma once
// The number forms of the analysis trace, independent of the locale.
#include <cstdint>
#include <string>

namespace vorla {

// Scientific notation in 23 characters: sign or blank, d.dddddddddddddd, E, sign, 4 digits.
std::string TraceReal(double value);
// Fixed point with `decimals` decimals, right-aligned in `width` characters (wider when needed).
std::string TraceFixed(double value, int decimals, int width);
// The same, written at out (room for at least 400 characters); returns the end.
// The trace writes many thousands of these.
char* FormatTraceFixed(char* out, double value, int decimals, int width);

}  // namespace vorla
