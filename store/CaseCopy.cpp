#include "store/CaseCopy.h"

#include "store/CaseTable.h"
#include "store/FieldValue.h"

namespace vorla {

namespace {

// Each trait's score fields as indices into the row, with the trait.
std::vector<std::pair<std::size_t, const TraitStageScores*>> ScoreColumns(const StageScoreRules& stages) {
  std::vector<std::pair<std::size_t, const TraitStageScores*>> columns;
  const auto fields = CaseFields();
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (fields[i].is_score)
      if (const TraitStageScores* trait = stages.TraitOfField(std::string(fields[i].name)))
        columns.emplace_back(i, trait);
  return columns;
}

// A stored score read as a whole number; none when it is empty or no whole number.
std::optional<std::int64_t> StoredScore(const FieldValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return *i;
  if (const auto* d = std::get_if<double>(&value)) {
    if (const auto whole = RoundToInt32(*d); whole && *whole == *d) return *whole;
    return std::nullopt;
  }
  if (const auto* text = std::get_if<std::string>(&value))
    if (const auto whole = ParseInteger(*text)) return *whole;
  return std::nullopt;
}

}  // namespace

int CopyCaseTable(const CaseTable& from, CaseTable& to, const StageScoreRules& stages) {
  if (!from.IsOpen() || !to.IsOpen()) throw StoreError("The case table is not open");
  to.SavePendingRow();
  to.ClearFilter();
  if (!to.IsEmpty()) {
    throw StoreError(to.Where() + " already holds " + std::to_string(to.RecordCount()) +
                     " cases; a case table is copied only into an empty one");
  }
  int count = 0;
  const auto scoreColumns = ScoreColumns(stages);
  to.BeginTransaction();
  try {
    // The history comes first, as it was written; each row copied adds the
    // entry that names where it came from.
    from.ForEachHistoryLine({}, [&](const HistoryLine& line) { to.InsertHistoryLine(line); });
    const std::string origin = "copied from " + from.Where();
    from.ForEachStoredRow([&](const std::vector<FieldValue>& row) {
      for (const auto& [column, trait] : scoreColumns) {
        if (column >= row.size()) continue;
        const std::optional<std::int64_t> score = StoredScore(row[column]);
        if (!score) continue;
        const std::string fault = StageScoreFault(*trait, *score);
        if (!fault.empty())
          throw StoreError("Case " + std::to_string(std::get<std::int64_t>(row[0])) + ", field " +
                           std::string(CaseFields()[column].name) + ": " + fault);
      }
      try {
        to.InsertStoredRow(row, origin);
      } catch (const StoreError& error) {
        throw StoreError("Case " + std::to_string(std::get<std::int64_t>(row[0])) +
                         " could not be copied: " + error.what());
      }
      ++count;
    });
    to.Commit();
  } catch (...) {
    try {
      if (to.InTransaction()) to.Rollback();
    } catch (const StoreError&) {
      // The first failure is the one to report.
    }
    throw;
  }
  return count;
}

}  // namespace vorla
