#pragma once
// The scores that stand for a stage of each trait, as plain data: the
// command that moves cases takes them from the checked parameter set and
// hands them to the import or the copy, which refuse any other score.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorla {

struct TraitStageScores {
  std::string trait;                // as the parameter set names it
  std::vector<std::string> fields;  // its score fields
  std::vector<int> scores;          // the scores (1 to 9) that stand for a stage, ascending
};

class StageScoreRules {
 public:
  StageScoreRules() = default;
  explicit StageScoreRules(std::vector<TraitStageScores> traits);

  bool Empty() const { return traits_.empty(); }
  // The trait whose score field this is (without regard to case), or none.
  const TraitStageScores* TraitOfField(const std::string& field) const;

 private:
  std::vector<TraitStageScores> traits_;
};

// Empty when a score field of the trait may hold this score: one that stands
// for a stage, -1 (the side withdrawn) or 0 (not scored); otherwise what is
// wrong, naming the allowed scores.
std::string StageScoreFault(const TraitStageScores& trait, std::int64_t score);

// "1-4" for scores in a row, "1, 2, 4" otherwise, "none" for none.
std::string ScoreRangeText(const std::vector<int>& scores);

}  // namespace vorla
