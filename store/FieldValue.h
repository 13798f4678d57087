#pragma once
// The value of one field of a row, and the conversions between numbers and
// text that every reader and writer of the table shares. Numbers are written
// and read with '.' as decimal separator, whatever the locale.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "store/Schema.h"

namespace vorla {

// Empty (monostate), a whole number, a real or a text.
using FieldValue = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool IsNull(const FieldValue& value) {
  return std::holds_alternative<std::monostate>(value);
}

// Blanks (spaces, tabs, line ends) removed from both ends.
std::string_view TrimBlanks(std::string_view text);

// The shortest text that reads back as the same double: 42.3 -> "42.3", 110 -> "110".
std::string FormatReal(double value);

// A whole number within 32 bits, optionally signed, blanks around it allowed.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// A finite number ("15", "-0.5", "1e3"), blanks around it allowed.
std::optional<double> ParseReal(std::string_view text);

// Where the text stops being UTF-8 (the offset of the first byte that starts
// no character, or of a character written in too many bytes, a surrogate or
// one beyond U+10FFFF); none when it is UTF-8 throughout.
std::optional<std::size_t> FirstNonUtf8Byte(std::string_view text);

// The nearest whole number within 32 bits (halves to the even neighbour);
// none for values out of range or not finite.
std::optional<std::int32_t> RoundToInt32(double value);

// The value in the form a field of this kind keeps it: whole numbers for
// integer fields, reals for real fields, text for text fields. Values that
// do not fit (a text that is no number in a numeric field) stay as they are.
FieldValue NormalizeValue(FieldKind kind, FieldValue value);

}  // namespace vorla
