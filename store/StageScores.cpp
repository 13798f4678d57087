#include "store/StageScores.h"

#include <algorithm>

#include "store/Schema.h"

namespace vorla {

StageScoreRules::StageScoreRules(std::vector<TraitStageScores> traits) : traits_(std::move(traits)) {}

const TraitStageScores* StageScoreRules::TraitOfField(const std::string& field) const {
  const std::string upper = UpperAscii(field);
  for (const TraitStageScores& trait : traits_)
    for (const std::string& name : trait.fields)
      if (UpperAscii(name) == upper) return &trait;
  return nullptr;
}

std::string ScoreRangeText(const std::vector<int>& scores) {
  if (scores.empty()) return "none";
  if (scores.back() - scores.front() + 1 == static_cast<int>(scores.size()))
    return scores.size() == 1 ? std::to_string(scores.front())
                              : std::to_string(scores.front()) + "-" + std::to_string(scores.back());
  std::string text;
  for (int s : scores) text += (text.empty() ? "" : ", ") + std::to_string(s);
  return text;
}

std::string StageScoreFault(const TraitStageScores& trait, std::int64_t score) {
  if (score == -1 || score == 0) return {};
  if (std::find(trait.scores.begin(), trait.scores.end(), score) != trait.scores.end()) return {};
  return "the score " + std::to_string(score) + " stands for no stage of " + trait.trait + "; the allowed scores are " +
         ScoreRangeText(trait.scores) + " (and -1 to withdraw the side)";
}

}  // namespace vorla
