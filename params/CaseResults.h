#pragma once
// What one run gives back: the result fields as they are stored (rounded as
// stored), the level of the limits, the parameter set that made them, and
// the analysed case while the caller wants it (the curves, the trace, the
// age questions). Storing them into a row is StoreCaseResults, in one place.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/AnalysisTree.h"
#include "params/ParameterIdentity.h"
#include "params/ParameterReader.h"
#include "store/CaseRow.h"

namespace vorla {

// A stored value: empty, a whole number, a number or a text (an open limit
// is stored as the text of the end of the age grid).
using ResultValue = std::variant<std::monostate, std::int32_t, double, std::string>;

// The result fields of the combined estimates and of the three known
// complexes, in a fixed order.
inline constexpr std::size_t ResultFieldCount = 11 + 3 * 6;
const std::array<FieldKey, ResultFieldCount>& ResultFieldKeys();

struct CaseResults {
  std::int32_t id = 0;
  bool analysed = false;  // false: nothing to analyse, every result emptied
  int level = 95;
  ParameterIdentity set;
  // Each field of ResultFieldKeys() the run writes, once, by its index;
  // none for a field it leaves alone.
  std::array<std::optional<ResultValue>, ResultFieldCount> fields{};
  // The results of complexes other than the three known ones, by field name.
  std::vector<std::pair<std::string, ResultValue>> otherFields;
  // The analysed case, when the run was asked to keep it.
  AnalysisTreePtr analysedCase;

  // The value of a result field by name (any case); none when not written.
  const ResultValue* Field(const std::string& name) const;
};

// The results of an analysed case (none: nothing to analyse) at this level,
// with the summary's corrections: a selected complex with an estimate and
// no probability gets 1, a combined probability of -1 is emptied.
CaseResults ResultsOfCase(std::int32_t id, const TTransisionsAnalyseDataSet* analysed, int level,
                          const ParameterIdentity& set, const ComplexSelection& selection);

// Writes the results (the level, the set and every result field) into the
// current row, which must be the case's, and posts it once. With `tidied`,
// the score pairs its tidying changed are written in the same post.
struct CaseRecord;
void StoreCaseResults(CaseRow& row, const CaseResults& results, const CaseRecord* tidied = nullptr);

// Whether the row holds exactly these result fields (numbers compared as
// numbers, a text as written), the level and the set leaving aside.
bool RowHoldsResults(const CaseRow& row, const CaseResults& results);

}  // namespace vorla
