#pragma once
// The parameter file of a command, read and checked whole once, before any
// case uses it or anything is allocated for it.
#include <memory>
#include <ostream>
#include <string>

#include "params/ParameterCheck.h"

namespace vorla::cli {

// Reads and checks the file against the case table's built-in fields; its
// plausibility warnings go to err, once. The traits of the set's own are
// declared, so that a case table opened afterwards has their score fields.
// Throws ParameterFileError or ParameterVersionError.
std::shared_ptr<const CheckedParameters> CheckedParameterFile(const std::string& path, std::ostream& err);

// For the commands that move cases without analysing them (import, export,
// report, copy): the traits of one's own of the folder's Parameters.dat are
// declared when it has one that can be read; otherwise only the built-in
// fields are known, and a warning says why when the file is there.
// Returns the checked set, or none.
std::shared_ptr<const CheckedParameters> DeclareTraitsOfFolder(const std::string& dir, std::ostream& err);

// Says on err, once per run, that the set is a demonstration whose numbers
// are invented; nothing for any other set.
void NoteDemonstrationSet(const CheckedParameters& checked, std::ostream& err);

}  // namespace vorla::cli
