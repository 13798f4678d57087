#include "engine/TraceFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace vorla {

namespace {

// A value of -0 prints as 0.
double WithoutNegativeZero(double value) { return value == 0.0 ? 0.0 : value; }

}  // namespace

std::string TraceReal(double value) {
  value = WithoutNegativeZero(value);
  if (!std::isfinite(value)) {
    std::string text = std::isnan(value) ? " NAN" : (value > 0 ? " INF" : "-INF");
    return text + std::string(23 - text.size(), ' ');
  }
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::scientific, 14);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t e = text.find('e');
  const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
  std::string out(1, value < 0 ? '-' : ' ');
  out.append(text.substr(0, e));
  out += 'E';
  out += exponent < 0 ? '-' : '+';
  const std::string digits = std::to_string(std::abs(exponent));
  out.append(4 - std::min<std::size_t>(4, digits.size()), '0');
  out += digits;
  return out;
}

std::string TraceFixed(double value, int decimals, int width) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, WithoutNegativeZero(value),
                                    std::chars_format::fixed, decimals);
  std::string text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
  return text;
}

}  // namespace vorla
