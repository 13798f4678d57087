#pragma once
// Where calibrate and validate read the reference sample from: a CSV file, or
// the cases with a documented age (AGE) of the case table in a folder (--dir).
#include <string>

#include "app/cli/CommandLine.h"
#include "calib/ReferenceSample.h"

namespace vorla::cli {

struct ReferenceSource {
  std::string csv;  // the CSV file; empty when the sample is a case table
  std::string dir;  // the case folder, ending in its separator; empty for a CSV file
};

// One CSV file named, or --dir DIR and no file. Throws UsageError.
ReferenceSource ReferenceSourceOption(const CommandLine& arguments);

// Reads and checks the sample (ReferenceSampleError when it cannot be used);
// a folder without a case table is refused as such.
calib::ReferenceSample ReadReference(const ReferenceSource& source, const calib::ParameterStructure& structure,
                                     const calib::ReferenceOptions& options);

}  // namespace vorla::cli
