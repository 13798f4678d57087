#include "params/StoredResults.h"

#include <exception>

#include "engine/TextCase.h"
#include "params/ResultWriteBack.h"

namespace vorla {

int RecordedLevel(const CaseRow& row) {
  if (row.FieldIsNull(ResultLevelField)) return 0;
  const int level = row.FieldAsInteger(ResultLevelField);
  return level == 90 || level == 95 || level == 99 ? level : 0;
}

bool HasStoredResults(const CaseRow& row) {
  return !row.FieldIsNull("RES_ALL_MAX_LIKELIHOOD");
}

namespace {

// Whether the row holds what Analyze would store. A level or a set not
// recorded (results stored before the table recorded them) is no change of
// the row: the set in use reproduces the numbers.
bool RowHoldsResults(const CaseRow& row, const CaseResults& results, bool levelRecorded, bool setRecorded) {
  const bool level = levelRecorded && results.analysed, set = setRecorded && results.analysed;
  if (!RowHoldsValue(row, ResultLevelField, level ? ResultValue(results.level) : ResultValue()) ||
      !RowHoldsValue(row, ResultSetField, set ? ResultValue(results.set.sha256) : ResultValue()) ||
      !RowHoldsValue(row, ResultDemonstrationField,
                     set ? ResultValue(results.set.demonstration ? 1 : 0) : ResultValue()))
    return false;
  const auto& keys = ResultFieldKeys();
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (results.fields[i] && !RowHoldsValue(row, keys[i], *results.fields[i])) return false;
  for (const auto& [field, value] : results.otherFields)
    if (LowerCase(field).rfind("res_", 0) == 0 && !RowHoldsValue(row, field, value)) return false;
  return true;
}

}  // namespace

StoredResultsCheck CheckStoredResults(const CaseRow& row, const ComplexSelection& requested, RunSettings settings) {
  StoredResultsCheck check;
  const bool stored = HasStoredResults(row);
  check.level = RecordedLevel(row);
  if (check.level != 0) settings.level = check.level;

  RowResult outcome;
  std::optional<CaseResults> results;
  try {
    CaseRecord record = ReadCaseRecord(row, LayoutOfRun(settings), requested);
    outcome = AnalyzeRecord(record, settings, results);
  } catch (const std::exception& error) {
    check.state = stored ? StoredState::Unchecked : StoredState::None;
    check.message = error.what();
    return check;
  }
  check.selection = outcome.selection;
  if (results) check.analysedCase = std::move(results->analysedCase);
  if (!stored) return check;
  if (outcome.outcome == RowOutcome::Refused || !results) {
    check.state = StoredState::Outdated;
    return check;
  }
  // Results of another set are out of date whatever their numbers.
  const std::string storedSet = row.FieldIsNull(ResultSetField) ? std::string() : row.FieldAsText(ResultSetField);
  const std::string setInUse = results->analysed ? results->set.sha256 : std::string();
  if (!storedSet.empty() && storedSet != setInUse) {
    check.state = StoredState::OtherSet;
    return check;
  }
  check.state = RowHoldsResults(row, *results, check.level != 0, !storedSet.empty()) ? StoredState::Current
                                                                                     : StoredState::Outdated;
  return check;
}

}  // namespace vorla
