#pragma once
// What the store is told of a checked parameter set when cases move in
// without being analysed (import, copy), by the window and the headless
// tool alike: the scores that stand for a stage of every trait.
#include "params/ParameterCheck.h"
#include "store/StageScores.h"

namespace vorla {

// Every trait of the set, built-in or of its own; none without a set.
StageScoreRules StageScoresOf(const CheckedParameters* checked);

}  // namespace vorla
