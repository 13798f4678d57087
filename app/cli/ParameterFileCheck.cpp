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

std::shared_ptr<const CheckedParameters> DeclareTraitsOfFolder(const std::string& dir, std::ostream& err) {
  DeclareOwnTraits({});
  const std::string path = (std::filesystem::path(dir) / "Parameters.dat").string();
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) return nullptr;
  try {
    auto checked = CheckParameterFile(path, &IsBuiltInField, &IsBuiltInScoreField);
    Declare(*checked);
    return checked;
  } catch (const std::exception& e) {
    err << "Warning: only the built-in traits are known, as the folder's parameter file cannot be used: " << e.what()
        << "\n";
  }
  return nullptr;
}

void NoteDemonstrationSet(const CheckedParameters& checked, std::ostream& err) {
  if (checked.identity.demonstration)
    err << DemonstrationMark << ": " << checked.identity.fileName << " says \"" << checked.identity.firstLine
        << "\".\n";
}

}  // namespace vorla::cli
