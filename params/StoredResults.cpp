#include "params/StoredResults.h"

#include <exception>

#include "engine/TextCase.h"

#include "params/ResultWriteBack.h"
#include "params/RowOverlay.h"

namespace vorla {

int RecordedLevel(const CaseRow& row) {
  if (row.FieldIsNull(ResultLevelField)) return 0;
  const int level = row.FieldAsInteger(ResultLevelField);
  return level == 90 || level == 95 || level == 99 ? level : 0;
}

ComplexSelection StoredSelection(const CaseRow& row) {
  ComplexSelection selection;
  for (int i = 0; i < 3; ++i)
    SelectionFlag(selection, i) = !row.FieldIsNull(std::string(KnownComplexes()[i].resultPrefix) + "MAX_LIKELIHOOD");
  return selection;
}

bool HasStoredResults(const CaseRow& row) {
  return !row.FieldIsNull("RES_ALL_MAX_LIKELIHOOD");
}

StoredResultsCheck CheckStoredResults(const CaseRow& row, const ComplexSelection& requested, RunSettings settings) {
  StoredResultsCheck check;
  const bool stored = HasStoredResults(row);
  check.level = RecordedLevel(row);
  if (check.level != 0) settings.level = check.level;
  settings.tracePath.clear();

  RowOverlay overlay(row);
  RowResult outcome;
  try {
    outcome = AnalyzeRow(overlay, requested, settings);
  } catch (const std::exception& error) {
    check.state = stored ? StoredState::Unchecked : StoredState::None;
    check.message = error.what();
    return check;
  }
  check.selection = outcome.selection;
  if (!stored) return check;
  if (outcome.outcome == RowOutcome::Refused) {
    check.state = StoredState::Outdated;
    check.message = outcome.message;
    return check;
  }
  // Results of another set are out of date whatever their numbers.
  const std::string storedSet = row.FieldIsNull(ResultSetField) ? std::string() : row.FieldAsText(ResultSetField);
  if (!storedSet.empty() && storedSet != overlay.FieldAsText(ResultSetField)) {
    check.state = StoredState::OtherSet;
    check.differences.push_back({std::string(ResultSetField), storedSet, overlay.FieldAsText(ResultSetField)});
    return check;
  }
  // A level or a set not recorded (results stored before the table recorded
  // them) is no change of the row: the set in use reproduces the numbers.
  if (check.level == 0) overlay.SetFieldNull(ResultLevelField);
  if (storedSet.empty())
    for (const char* field : {ResultSetField, ResultDemonstrationField}) overlay.SetFieldNull(field);
  check.differences = overlay.DifferencesFromBase("RES_");
  check.state = check.differences.empty() ? StoredState::Current : StoredState::Outdated;
  return check;
}

}  // namespace vorla
