#include "paint/StageScoresOfSet.h"

#include "store/Schema.h"

namespace vorla {

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

}  // namespace vorla
