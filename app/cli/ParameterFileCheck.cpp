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

StageScoreRules StageScoresOf(const CheckedParameters* checked) {
  if (checked == nullptr) return {};
  std::vector<TraitStageScores> traits;
  for (const ComplexStructure& c : checked->structure.complexes)
    for (const ComponentStructure& k : c.components) {
      TraitStageScores trait{k.name, ScoreFieldsOf(k.name, k.Paired()), {}};
      for (int score = 1; score <= 9; ++score)
        if (k.recoding[static_cast<std::size_t>(score - 1)] != 0) trait.scores.push_back(score);
      traits.push_back(std::move(trait));
    }
  return StageScoreRules(std::move(traits));
}

}  // namespace vorla::cli
