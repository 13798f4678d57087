#pragma once
// Cases to and from comma-separated files: a header of field names, then one
// line per row; an empty cell is an empty field.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/StageScores.h"
#include "store/StoreError.h"

namespace vorla {

class CaseTable;

// Adds every row of the file as a new case and returns how many. Header
// names are matched without regard to case; a SKELETON_ID column is ignored
// (keys are handed out by the table). Every row is checked before any is
// written; on the first fault nothing is imported and a StoreError lists the
// faults with their line numbers. The rows are written in one transaction.
int ImportCsv(CaseTable& table, const std::string& path);

// A text field whose values should come from a list (sex, ancestry, model).
struct FieldChoices {
  std::string field;
  std::vector<std::string> choices;
};
// The same, and for every value of these fields that is none of its choices
// (compared without regard to case; an empty value is no choice made) a
// warning naming the line and the field; and for every case number that a
// stored row or an earlier line has, a warning naming that row. Such rows are
// still imported.
// progress, when given, is told how many of how many checked rows are
// written, every so many rows; when it answers false the import stops with
// ImportStopped and nothing is added.
struct ImportStopped : StoreError {
  ImportStopped() : StoreError("The import was stopped: no case was added.") {}
};
// stages, when given, are the scores that stand for a stage of each trait
// (of the parameter set in use): a score field of a trait that holds another
// score than those, -1 or 0 is a fault naming the line, the field and the
// allowed scores, and nothing is imported.
using ImportProgress = std::function<bool(std::size_t written, std::size_t rows)>;
// A line of the file that repeats a stored case: the same case number and
// the same stage scores (every score field; an empty cell or a missing column
// is no score), and the key of that case.
struct StoredLine {
  int line = 0;
  std::string name;
  std::int64_t key = 0;
};
enum class StoredLinesChoice { Skip, Import, Cancel };
// askAboutStored, when given, is asked once, after the check and before
// anything is written, when some lines repeat stored cases: they are skipped,
// imported all the same, or the import stops with ImportStopped. Those lines
// are not warned of as shared case numbers. The count returned is of the
// rows added.
using StoredLinesQuestion = std::function<StoredLinesChoice(const std::vector<StoredLine>&)>;
int ImportCsv(CaseTable& table, const std::string& path, const std::vector<FieldChoices>& choices,
              std::vector<std::string>& warnings, const ImportProgress& progress = {},
              const StageScoreRules& stages = {}, const StoredLinesQuestion& askAboutStored = {});

// Writes every stored row in key order with all fields, SKELETON_ID first,
// and returns how many rows. A row still being edited is written as last
// posted. Columns of the table that the parameter set in use no longer
// declares (CaseTable::UndeclaredColumns) follow the fields; `undeclared`
// receives their names.
int ExportCsv(const CaseTable& table, const std::string& path, std::vector<std::string>* undeclared = nullptr);

// Writes a CSV file whole or not at all, beside the target and renamed over
// it: `write` fills the stream and returns how many lines it wrote. A failure
// of the file is a StoreError naming it, and an earlier file stays as it was.
int WriteCsvFile(const std::string& path, const std::function<int(std::ostream&)>& write);

}  // namespace vorla
