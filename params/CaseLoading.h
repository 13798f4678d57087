#pragma once
// Loading one case: the scores of every component through the checked
// parameter set, and the case's header fields.
#include <string>

#include "engine/AnalysisTree.h"
#include "params/CaseRecord.h"
#include "params/ParameterCheck.h"
#include "params/ParameterReader.h"
#include "store/CaseRow.h"

namespace vorla {

// The four normalised scores of a component from the current row: -1 in
// either field withdraws the side, a missing upper score equals the lower one.
ScorePairs ReadCaseScores(const CaseRow& row, const std::string& componentName, std::int32_t sideCount);
// The same from the keys of its score fields (ScoreFieldsOf).
ScorePairs ReadCaseScores(const CaseRow& row, const std::vector<FieldKey>& fields);

// The case's scores through the checked set, with the complexes of
// record.selection, wrapped in a new case record; none when nothing is kept.
AnalysisTreePtr LoadCase(const CaseRecord& record, const CheckedParameters& parameters, int group);

}  // namespace vorla
