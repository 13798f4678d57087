#include "engine/TraceFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace vorla {

namespace {

// A value of -0 prints as 0.
double WithoutNegativeZero(double value) {
  return value == 0.0 ? 0.0 : value;
}

}  // namespace

std::string TraceReal(double value) {
  value = WithoutNegativeZero(value);
  if (!std::isfinite(value)) {
    std::string text = std::isnan(value) ? " NAN" : (value > 0 ? " INF" : "-INF");
    return text + std::string(23 - text.size(), ' ');
  }
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
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

char* FormatTraceFixed(char* out, double value, int decimals, int width) {
  value = WithoutNegativeZero(value);
  char buffer[400];
  char* end = buffer;
  const long double scale = decimals == 5 ? 1e5L : decimals == 2 ? 1e2L : 0.0L;
  if (scale != 0.0L && std::isfinite(value) && std::fabs(value) < 1e12) {
    // Scaled and rounded to the nearest integer, halves to even, as a correct
    // decimal conversion rounds; extended precision keeps the product exact
    // enough for every value the trace prints.
    unsigned long long units =
        static_cast<unsigned long long>(std::llrint(std::fabs(static_cast<long double>(value)) * scale));
    char digits[32];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + units % 10);
      units /= 10;
    } while (units > 0 || n <= decimals);
    if (value < 0) *end++ = '-';
    for (int i = n - 1; i >= 0; --i) {
      *end++ = digits[i];
      if (i == decimals) *end++ = '.';
    }
  } else {
    end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals).ptr;
  }
  for (int pad = width - static_cast<int>(end - buffer); pad > 0; --pad) *out++ = ' ';
  for (const char* c = buffer; c != end; ++c) *out++ = *c;
  return out;
}

std::string TraceFixed(double value, int decimals, int width) {
  char buffer[400];
  return std::string(buffer, FormatTraceFixed(buffer, value, decimals, width));
}

}  // namespace vorla
