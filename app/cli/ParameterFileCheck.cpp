#include "app/cli/ParameterFileCheck.h"

#include "store/Schema.h"

namespace vorla::cli {

std::shared_ptr<const CheckedParameters> CheckedParameterFile(const std::string& path, std::ostream& err) {
  auto checked = CheckParameterFile(path, &IsCaseField);
  for (const std::string& warning : checked->warnings) err << "Warning: " << warning << "\n";
  return checked;
}

}  // namespace vorla::cli
