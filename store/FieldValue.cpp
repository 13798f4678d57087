#include "store/FieldValue.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace vorla {

std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\f\v";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::string FormatReal(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (result.ec != std::errc()) return {};
  return std::string(buffer, result.ptr);
}

namespace {

// The text without blanks around it and without a leading '+' (which
// from_chars does not take); empty when nothing number-like is left.
std::string_view NumberBody(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) return {};
  }
  return text;
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  const std::string_view body = NumberBody(text);
  if (body.empty()) return std::nullopt;
  std::int64_t value = 0;
  const auto result = std::from_chars(body.data(), body.data() + body.size(), value);
  if (result.ec != std::errc() || result.ptr != body.data() + body.size()) return std::nullopt;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

std::optional<std::size_t> FirstNonUtf8Byte(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // no character in too many bytes
      if (lead == 0xED) high = 0x9F;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
    } else {
      return i;
    }
    if (i + length > text.size()) return i;
    if (byte(i + 1) < low || byte(i + 1) > high) return i;
    for (std::size_t k = 2; k < length; ++k)
      if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return i;
    i += length;
  }
  return std::nullopt;
}

std::optional<double> ParseReal(std::string_view text) {
  const std::string_view body = NumberBody(text);
  if (body.empty()) return std::nullopt;
  double value = 0;
  const auto result = std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != body.data() + body.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int32_t> RoundToInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);
  if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(rounded);
}

FieldValue NormalizeValue(FieldKind kind, FieldValue value) {
  if (IsNull(value)) return value;
  if (kind == FieldKind::Text) {
    if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) return FormatReal(*d);
    return value;
  }
  if (const auto* s = std::get_if<std::string>(&value)) {
    if (TrimBlanks(*s).empty()) return std::monostate{};
    if (const auto i = ParseInteger(*s)) return NormalizeValue(kind, std::int64_t{*i});
    if (const auto d = ParseReal(*s)) return NormalizeValue(kind, *d);
    return value;
  }
  if (kind == FieldKind::Real) {
    if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
    return value;
  }
  // Key and integer fields: a whole real becomes a whole number.
  if (const auto* d = std::get_if<double>(&value)) {
    if (std::isfinite(*d) && *d == std::trunc(*d) && std::fabs(*d) < 9.0e15) {
      return static_cast<std::int64_t>(*d);
    }
  }
  return value;
}

}  // namespace vorla
