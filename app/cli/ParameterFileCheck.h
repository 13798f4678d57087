#pragma once
// The parameter file of a command, read and checked whole once, before any
// case uses it or anything is allocated for it.
#include <memory>
#include <ostream>
#include <string>

#include "params/ParameterCheck.h"

namespace vorla::cli {

// Reads and checks the file against the case table's fields; its plausibility
// warnings go to err, once. Throws ParameterFileError or ParameterVersionError.
std::shared_ptr<const CheckedParameters> CheckedParameterFile(const std::string& path, std::ostream& err);

}  // namespace vorla::cli
