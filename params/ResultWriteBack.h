#pragma once
// Writing the rounded results of one analysis into the analysed row.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/AnalysisTree.h"
#include "store/CaseRow.h"

namespace vorla {

// The field that records the confidence level (90, 95 or 99) of the stored
// limits; empty for results stored before the table had it.
inline constexpr const char* ResultLevelField = "RES_CI_LEVEL";
// The fields that record which parameter set made the stored results: its
// SHA-256, and 1 for a demonstration set (0 otherwise).
inline constexpr const char* ResultSetField = "RES_PARAM_SHA256";
inline constexpr const char* ResultDemonstrationField = "RES_PARAM_DEMO";

// Nearest value with one or two decimals, halves to the even neighbour.
double RoundOneDecimal(double x);
double RoundTwoDecimals(double x);

// The prefix of a complex's result fields: "RES_PUB_", "RES_AUR_", "RES_CRA_",
// or the complex name itself for any other complex.
std::string ResultPrefix(const std::string& complexName);
// The six result fields a complex's results are stored in.
std::vector<std::string> ComplexResultFields(const std::string& complexName);

// Empties the result fields of the three known complexes, then writes the
// combined results and those of every analysed complex (or empties the
// combined ones when there is no case), and posts the row.
void StoreResults(std::int32_t skeletonId, CaseRow& row, const TTransisionsAnalyseDataSet* record);
// The same into the row being edited, without moving to it or posting it.
void WriteResults(CaseRow& row, const TTransisionsAnalyseDataSet* record);

}  // namespace vorla
