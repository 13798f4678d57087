#include "app/cli/ParameterFileCheck.h"

#include <filesystem>

#include "store/Schema.h"

namespace vorla::cli {

namespace {

void Declare(const CheckedParameters& checked) {
  std::vector<OwnTraitColumns> columns;
  for (const OwnTrait& trait : checked.ownTraits) columns.push_back({trait.name, trait.paired});
  DeclareOwnTraits(columns);
}

}  // namespace

std::shared_ptr<const CheckedParameters> CheckedParameterFile(const std::string& path, std::ostream& err) {
  DeclareOwnTraits({});
  auto checked = CheckParameterFile(path, &IsBuiltInField, &IsBuiltInScoreField);
  for (const std::string& warning : checked->warnings) err << "Warning: " << warning << "\n";
  Declare(*checked);
  return checked;
}

void DeclareTraitsOfFolder(const std::string& dir, std::ostream& err) {
  DeclareOwnTraits({});
  const std::string path = (std::filesystem::path(dir) / "Parameters.dat").string();
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) return;
  try {
    Declare(*CheckParameterFile(path, &IsBuiltInField, &IsBuiltInScoreField));
  } catch (const std::exception& e) {
    err << "Warning: only the built-in traits are known, as the folder's parameter file cannot be used: " << e.what()
        << "\n";
  }
}

}  // namespace vorla::cli
