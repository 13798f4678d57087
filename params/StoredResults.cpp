#include "params/StoredResults.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "engine/TextCase.h"
#include "params/ResultWriteBack.h"

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

namespace {

std::string ValueText(const ResultValue& value) {
  if (const auto* i = std::get_if<std::int32_t>(&value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&value)) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", *d);
    return text;
  }
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  return {};
}

// The stored fields that do not hold what Analyze would store, in the order
// of their names. A level or a set not recorded (results stored before the
// table recorded them) is no change of the row: the set in use reproduces
// the numbers.
std::vector<FieldDifference> Differences(const CaseRow& row, const CaseResults& results, bool levelRecorded,
                                         bool setRecorded) {
  std::vector<FieldDifference> differences;
  const auto compare = [&](const FieldKey& field, const ResultValue& value) {
    if (RowHoldsValue(row, field, value)) return;
    differences.push_back(
        {UpperCase(field.Name()), row.FieldIsNull(field) ? std::string() : row.FieldAsText(field), ValueText(value)});
  };
  const bool level = levelRecorded && results.analysed, set = setRecorded && results.analysed;
  compare(ResultLevelField, level ? ResultValue(results.level) : ResultValue());
  compare(ResultSetField, set ? ResultValue(results.set.sha256) : ResultValue());
  compare(ResultDemonstrationField, set ? ResultValue(results.set.demonstration ? 1 : 0) : ResultValue());
  const auto& keys = ResultFieldKeys();
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (results.fields[i]) compare(keys[i], *results.fields[i]);
  for (const auto& [field, value] : results.otherFields)
    if (LowerCase(field).rfind("res_", 0) == 0) compare(field, value);
  std::sort(differences.begin(), differences.end(),
            [](const FieldDifference& a, const FieldDifference& b) { return a.field < b.field; });
  return differences;
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
    check.message = outcome.message;
    return check;
  }
  // Results of another set are out of date whatever their numbers.
  const std::string storedSet = row.FieldIsNull(ResultSetField) ? std::string() : row.FieldAsText(ResultSetField);
  const std::string setInUse = results->analysed ? results->set.sha256 : std::string();
  if (!storedSet.empty() && storedSet != setInUse) {
    check.state = StoredState::OtherSet;
    check.differences.push_back({UpperCase(ResultSetField), storedSet, setInUse});
    return check;
  }
  check.differences = Differences(row, *results, check.level != 0, !storedSet.empty());
  check.state = check.differences.empty() ? StoredState::Current : StoredState::Outdated;
  return check;
}

}  // namespace vorla
