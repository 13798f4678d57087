#pragma once
// A reference sample kept in a case table: the cases with a documented age
// (AGE) are the individuals, read and checked exactly as the lines of a CSV
// reference sample.
#include <string>

#include "calib/ReferenceSample.h"

namespace vorla::calib {

// Reads the cases with an AGE from the case table at the location (a case
// folder or a connection URI; the traits of one's own must be declared
// before). Faults name the case by its number and SKELETON_ID. A table
// without any case of documented age is refused (ReferenceSampleError).
ReferenceSample ReadReferenceTable(const std::string& location, const ParameterStructure& structure,
                                   ReferenceOptions options);

}  // namespace vorla::calib
