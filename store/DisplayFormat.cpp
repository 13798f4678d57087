#include "store/DisplayFormat.h"

#include <charconv>
#include <cmath>
#include <string>

#include "store/FieldValue.h"

namespace vorla {
namespace {

struct Picture {
  std::string prefix;
  std::string suffix;
  bool has_digits = false;
  int min_integer_digits = 0;  // '0' before the point
  int min_decimals = 0;        // up to the last '0' after the point
  int max_decimals = 0;        // '0' and '#' after the point
  bool grouping = false;
};

bool IsPlaceholder(char c) {
  return c == '0' || c == '#' || c == '.' || c == ',';
}

Picture ParsePicture(std::string_view format) {
  Picture picture;
  bool after_point = false;
  int decimals_seen = 0;
  std::string pending;  // literals since the last placeholder
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      const std::size_t close = format.find(c, i + 1);
      const std::size_t end = close == std::string_view::npos ? format.size() : close;
      pending.append(format.substr(i + 1, end - i - 1));
      i = end;
      continue;
    }
    if (!IsPlaceholder(c)) {
      pending += c;
      continue;
    }
    if (!picture.has_digits) {
      picture.prefix = pending;
      picture.has_digits = true;
    }
    pending.clear();  // literals between placeholders are dropped
    if (c == '.') {
      after_point = true;
    } else if (c == ',') {
      if (!after_point) picture.grouping = true;
    } else if (after_point) {
      ++decimals_seen;
      picture.max_decimals = decimals_seen;
      if (c == '0') picture.min_decimals = decimals_seen;
    } else if (c == '0') {
      ++picture.min_integer_digits;
    }
  }
  if (picture.has_digits) {
    picture.suffix = pending;
  } else {
    picture.prefix = pending;
  }
  return picture;
}

// Adds one unit in the last place of a string of decimal digits; true when
// the carry runs out of the front.
bool IncrementDigits(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it == '9') {
      *it = '0';
    } else {
      ++*it;
      return false;
    }
  }
  return true;
}

std::string GroupThousands(const std::string& digits) {
  std::string grouped;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace

std::string FormatFloat(std::string_view format, double value) {
  if (!std::isfinite(value)) return FormatReal(value);
  const Picture picture = ParsePicture(format);
  if (!picture.has_digits) return picture.prefix;

  // The shortest decimal form of the value, rounded as decimal digits, so
  // that 0.125 shown with two decimals is 0.13 as a reader expects.
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
  const std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
  const std::size_t point = text.find('.');
  std::string integer = text.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);

  const auto max_decimals = static_cast<std::size_t>(picture.max_decimals);
  if (fraction.size() > max_decimals) {
    const bool round_up = fraction[max_decimals] >= '5';
    fraction.resize(max_decimals);
    if (round_up && IncrementDigits(fraction) && IncrementDigits(integer)) {
      integer.insert(integer.begin(), '1');
    }
  }
  while (fraction.size() > static_cast<std::size_t>(picture.min_decimals) && fraction.back() == '0') {
    fraction.pop_back();
  }
  while (fraction.size() < static_cast<std::size_t>(picture.min_decimals)) fraction += '0';

  const std::size_t first_nonzero = integer.find_first_not_of('0');
  integer = first_nonzero == std::string::npos ? std::string() : integer.substr(first_nonzero);
  while (integer.size() < static_cast<std::size_t>(picture.min_integer_digits)) {
    integer.insert(integer.begin(), '0');
  }
  if (picture.grouping) integer = GroupThousands(integer);

  const bool shows_nonzero = (integer + fraction).find_first_of("123456789") != std::string::npos;
  std::string shown = picture.prefix;
  if (value < 0 && shows_nonzero) shown += '-';
  shown += integer;
  if (!fraction.empty()) {
    shown += '.';
    shown += fraction;
  }
  shown += picture.suffix;
  return shown;
}

}  // namespace vorla
