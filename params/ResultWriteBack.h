#pragma once
// The results of one analysis as they are stored: rounded, the open limits
// as the ends of the age grid; and their one way into a row.
#include <cstdint>
#include <string>
#include <vector>

#include "params/CaseResults.h"

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

// Whether the row's field holds the value: both empty (an empty text counts
// as empty), or the same text for a text, the same number for a number.
bool RowHoldsValue(const CaseRow& row, const FieldKey& field, const ResultValue& value);

}  // namespace vorla
