#include "app/cli/ReferenceSource.h"

#include <filesystem>

#include "app/cli/DatabaseChoice.h"
#include "calib/ReferenceTable.h"

namespace vorla::cli {

ReferenceSource ReferenceSourceOption(const CommandLine& a) {
  ReferenceSource source;
  if (const auto dir = a.Value("--dir")) {
    if (!a.Words().empty()) throw UsageError("name either a reference sample (a CSV file) or --dir, not both");
    if (dir->empty()) throw UsageError("--dir names the case folder whose cases of documented age are the sample");
    source.dir = (std::filesystem::path(*dir) / "").string();
    return source;
  }
  if (a.Words().size() != 1)
    throw UsageError("name one reference sample (a CSV file), or the case folder that holds it with --dir");
  source.csv = a.Words().front();
  return source;
}

calib::ReferenceSample ReadReference(const ReferenceSource& source, const calib::ParameterStructure& structure,
                                     const calib::ReferenceOptions& options) {
  if (source.dir.empty()) return calib::ReadReferenceSample(source.csv, structure, options);
  if (!HasCaseTable(source.dir))
    throw calib::ReferenceSampleError("The folder " + source.dir + " holds no case table TAData.db.");
  return calib::ReadReferenceTable(CaseTableLocation(source.dir), structure, options);
}

}  // namespace vorla::cli
