#pragma once
// Display formats of numeric fields, in the picture notation of the classic
// desktop databases: '0' is a digit that is always shown, '#' a digit shown
// only when significant, '.' the decimal point, ',' (anywhere before the
// point) groups thousands, text in quotes and every other character is shown
// as it stands. Literals before the first and after the last digit
// placeholder are kept; literals between placeholders are dropped. The last
// shown decimal is rounded half away from zero.
#include <string>
#include <string_view>

namespace vorla {

// " 0.00 " shows 0.05 as " 0.05 " and 0.004 as " 0.00 "; " 0.0 " shows 42.3 as " 42.3 ".
std::string FormatFloat(std::string_view format, double value);

}  // namespace vorla
