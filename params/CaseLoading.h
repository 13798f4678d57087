#pragma once
// Loading one case from its row of the case table: the scores of every
// component through the parameter reader, and the case's header fields.
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

// Locates the row, reads the parameter file with the row as score source and
// wraps the kept complexes in a new case record; none when nothing is kept.
AnalysisTreePtr LoadCase(std::int32_t skeletonId, CaseRow& row, const std::string& parameterFile, int group,
                         const ComplexSelection& selection);
// The same from a parameter file already read and checked whole.
AnalysisTreePtr LoadCase(std::int32_t skeletonId, CaseRow& row, const CheckedParameters& parameters, int group,
                         const ComplexSelection& selection);

// Applies the caller's choices to the engine and loads the case.
AnalysisTreePtr PrepareAnalysis(std::int32_t skeletonId, CaseRow& row, const std::string& parameterFile,
                                const std::string& sex, const std::string& race, const std::string& linkFunction,
                                const std::string& hazardFunc, const ComplexSelection& selection);
AnalysisTreePtr PrepareAnalysis(std::int32_t skeletonId, CaseRow& row, const CheckedParameters& parameters,
                                const std::string& sex, const std::string& race, const std::string& linkFunction,
                                const std::string& hazardFunc, const ComplexSelection& selection);

// The case's scores through the checked set, with the complexes of
// record.selection, wrapped in a new case record; none when nothing is kept.
AnalysisTreePtr LoadCase(const CaseRecord& record, const CheckedParameters& parameters, int group);
// Applies the case's choices to the engine and loads the case.
AnalysisTreePtr PrepareAnalysis(const CaseRecord& record, const CheckedParameters& parameters,
                                const std::string& linkFunction);

}  // namespace vorla
