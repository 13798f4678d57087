#include <gtest/gtest.h>

#include "store/DisplayFormat.h"

namespace vorla {
namespace {

TEST(DisplayFormat, ShowsNumbersAsThePictureSays) {
  const struct {
    const char* format;
    double value;
    const char* shown;
  } cases[] = {
      {" 0.00 ", 0.05, " 0.05 "},
      {" 0.00 ", 0.004, " 0.00 "},
      {" 0.0 ", 42.3, " 42.3 "},
      {" 0.0 ", 110.0, " 110.0 "},
      // Halves go away from zero on the decimal digits a reader sees.
      {"0.00", 0.125, "0.13"},
      {"0.00", 0.995, "1.00"},
      {"0.0", 9.96, "10.0"},
      {"0.0", -1.25, "-1.3"},
      {"0.0", -0.04, "0.0"},  // a value shown as zero has no sign
      {"0.##", 2.5, "2.5"},
      {"0.##", 2.0, "2"},
      {"#.##", 0.5, ".5"},
      {"000", 7.0, "007"},
      {"#,##0.0", 1234567.25, "1,234,567.3"},
      {"'p = '0.00", 0.5, "p = 0.50"},
      {"0", 1e20, "100000000000000000000"},
      {"abc", 3.0, "abc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFloat(c.format, c.value), c.shown) << '"' << c.format << "\" " << c.value;
  }
}

}  // namespace
}  // namespace vorla
