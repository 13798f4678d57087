#include "calib/TableText.h"

#include <cmath>
#include <cstdio>

namespace vorla::calib {

std::string Fixed(double value, int decimals) {
  if (!std::isfinite(value)) return "-";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

std::string Right(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Percent(double share) {
  return std::isfinite(share) ? Fixed(100.0 * share, 1) + " %" : "-";
}

}  // namespace vorla::calib
