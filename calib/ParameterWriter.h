#pragma once
// Writes a parameter structure as a version 0.11 parameter file that the
// analysis reads back to the same numbers.
#include <string>

#include "calib/ParameterStructure.h"

namespace vorla::calib {

// The shortest decimal text that reads back as the same double ("." as separator).
std::string ExactReal(double value);

// The file text. `note` follows the version on the first line (line breaks
// and other control characters become blanks); complex and component header
// comments are kept.
std::string ParameterFileText(const ParameterStructure& structure, const std::string& note);

}  // namespace vorla::calib
