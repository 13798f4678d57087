#include "store/CaseCsv.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "store/CaseTable.h"
#include "store/CsvText.h"
#include "store/FieldValue.h"
#include "store/PendingFile.h"
#include "store/Schema.h"

namespace vorla {
namespace {

constexpr int kIgnoredColumn = -1;
constexpr std::size_t kMostFaultsListed = 20;

std::ifstream OpenFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw StoreError("Cannot read '" + path + "'");
  return in;
}

// The field of every column of the header; kIgnoredColumn for SKELETON_ID.
std::vector<int> HeaderColumns(const CsvRecord& header, std::vector<std::string>& faults) {
  std::vector<int> columns;
  std::unordered_set<int> seen;
  for (const std::string& cell : header.cells) {
    const std::string name(TrimBlanks(cell));
    const int index = FindCaseField(name);
    const std::string where = "line " + std::to_string(header.line) + ": ";
    if (index < 0) {
      faults.push_back(where + "unknown field '" + name + "'");
    } else if (!seen.insert(index).second) {
      faults.push_back(where + "field '" + name + "' appears more than once");
    }
    const bool ignored = index >= 0 && CaseFields()[static_cast<std::size_t>(index)].kind == FieldKind::Key;
    columns.push_back(ignored ? kIgnoredColumn : index);
  }
  return columns;
}

// Empty when the cell may go into the field, otherwise what is wrong with it.
// stages: the trait the field scores, when the parameter set in use is known.
std::string CheckCell(const FieldInfo& field, const std::string& cell, const TraitStageScores* stages) {
  // Texts are kept as UTF-8 by both kinds of case table, and a database
  // server takes neither a NUL byte nor a byte that is no UTF-8: such a cell
  // is refused here, the same for both.
  if (const std::size_t nul = cell.find('\0'); nul != std::string::npos)
    return "the text holds a NUL byte (at byte " + std::to_string(nul + 1) +
           " of the cell), which a case table "
           "cannot keep";
  if (const auto bad = FirstNonUtf8Byte(cell)) {
    static const char* const hex = "0123456789ABCDEF";
    const auto b = static_cast<unsigned char>(cell[*bad]);
    return std::string("the text is not UTF-8 (the byte 0x") + hex[b >> 4] + hex[b & 15] + " at byte " +
           std::to_string(*bad + 1) + " of the cell); save the file as UTF-8";
  }
  if (TrimBlanks(cell).empty() || field.kind == FieldKind::Text) return {};
  const std::string quoted = "'" + cell + "'";
  if (field.is_score) {
    const auto score = ParseInteger(cell);
    if (!score || *score < -1 || *score > 9) {
      return quoted + " is not a stage score (a whole number from -1 to 9)";
    }
    if (stages != nullptr) return StageScoreFault(*stages, *score);
  } else if (field.kind == FieldKind::Integer) {
    if (!ParseInteger(cell)) return quoted + " is not a whole number";
  } else if (field.kind == FieldKind::Real) {
    const auto value = ParseReal(cell);
    if (!value) return quoted + " is not a finite number";
    if (field.name == kAgeField && (*value < kYoungestDocumentedAge || *value > kOldestDocumentedAge))
      return quoted + " is not a documented age from 15 to 110 years";
  }
  return {};
}

// The trait of every column that holds the score of one, as far as the rules know it.
std::vector<const TraitStageScores*> StagesOfColumns(const std::vector<int>& columns, const StageScoreRules& rules) {
  std::vector<const TraitStageScores*> stages;
  for (const int column : columns)
    stages.push_back(column < 0 ? nullptr
                                : rules.TraitOfField(std::string(CaseFields()[static_cast<std::size_t>(column)].name)));
  return stages;
}

void CheckRecord(const CsvRecord& record, const std::vector<int>& columns,
                 const std::vector<const TraitStageScores*>& stages, std::vector<std::string>& faults) {
  const std::string where = "line " + std::to_string(record.line);
  if (record.cells.size() != columns.size()) {
    faults.push_back(where + ": " + std::to_string(record.cells.size()) + " cells where the header has " +
                     std::to_string(columns.size()));
    return;
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c] == kIgnoredColumn) continue;
    const FieldInfo& field = CaseFields()[static_cast<std::size_t>(columns[c])];
    const std::string fault = CheckCell(field, record.cells[c], stages[c]);
    if (!fault.empty()) {
      faults.push_back(where + ", field " + std::string(field.name) + ": " + fault);
    }
  }
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Values the window's lists do not offer are imported (older tables hold
// them), but said: for each list, line by line.
class UnlistedChoices {
 public:
  UnlistedChoices(const std::vector<FieldChoices>& choices, const std::vector<int>& columns)
      : warnings_(choices.size()) {
    for (const FieldChoices& list : choices) {
      const int field = FindCaseField(list.field);
      const auto column = std::find(columns.begin(), columns.end(), field);
      std::string offered;
      for (const std::string& choice : list.choices) offered += (offered.empty() ? "" : ", ") + choice;
      std::vector<std::string> lower;
      for (const std::string& choice : list.choices) lower.push_back(LowerAscii(choice));
      lists_.push_back(
          {field < 0 || column == columns.end() ? kIgnoredColumn : static_cast<int>(column - columns.begin()), field,
           std::move(lower), std::move(offered)});
    }
  }

  void Check(const CsvRecord& record) {
    for (std::size_t l = 0; l < lists_.size(); ++l) {
      const List& list = lists_[l];
      if (list.column == kIgnoredColumn) continue;
      const std::string value(TrimBlanks(record.cells[static_cast<std::size_t>(list.column)]));
      if (value.empty()) continue;
      const std::string lower = LowerAscii(value);
      if (std::find(list.lower.begin(), list.lower.end(), lower) != list.lower.end()) continue;
      warnings_[l].push_back("line " + std::to_string(record.line) + ", field " +
                             std::string(CaseFields()[static_cast<std::size_t>(list.field)].name) + ": '" + value +
                             "' is none of " + list.offered + "; the Analyze action will refuse this case");
    }
  }

  void MoveTo(std::vector<std::string>& warnings) {
    for (std::vector<std::string>& list : warnings_)
      for (std::string& warning : list) warnings.push_back(std::move(warning));
  }

 private:
  struct List {
    int column;
    int field;
    std::vector<std::string> lower;
    std::string offered;
  };
  std::vector<List> lists_;
  std::vector<std::vector<std::string>> warnings_;
};

// A case number that a stored row or an earlier line already has is
// imported (older tables hold such rows), but said, naming the other row.
// Earlier lines are remembered by a 64-bit digest of their case number and
// their line, not by the number itself, so a large file is not held.
class SharedCaseNumbers {
 public:
  SharedCaseNumbers(const CaseTable& table, const std::vector<int>& columns) : table_(table) {
    const auto column = std::find(columns.begin(), columns.end(), FindCaseField(kNameField));
    column_ = column == columns.end() ? kIgnoredColumn : static_cast<int>(column - columns.begin());
  }

  void Check(const CsvRecord& record) {
    if (column_ == kIgnoredColumn) return;
    const std::string& name = record.cells[static_cast<std::size_t>(column_)];
    if (name.empty()) return;
    const std::string where = "line " + std::to_string(record.line) + ": the case number '" + name + "'";
    const std::vector<std::int64_t> keys = table_.KeysNamed(name);
    if (!keys.empty())
      warnings_.push_back(where + " is already used by the stored case with SKELETON_ID " +
                          std::to_string(keys.front()));
    const auto [earlier, first] = firstLine_.emplace(std::hash<std::string>{}(name), record.line);
    if (!first) warnings_.push_back(where + " is also on line " + std::to_string(earlier->second) + " of this file");
  }

  void MoveTo(std::vector<std::string>& warnings) {
    for (std::string& warning : warnings_) warnings.push_back(std::move(warning));
  }

 private:
  const CaseTable& table_;
  int column_ = kIgnoredColumn;
  std::unordered_map<std::size_t, int> firstLine_;
  std::vector<std::string> warnings_;
};

// The stored cases that a line may repeat: by case number, the key and the
// stage scores of each. Built only when asked about, in one pass over the table.
class StoredCases {
 public:
  StoredCases(const CaseTable& table, const std::vector<int>& columns) : columns_(columns) {
    const int nameField = FindCaseField(kNameField);
    const auto column = std::find(columns.begin(), columns.end(), nameField);
    if (column == columns.end()) return;  // without case numbers no line repeats a case
    name_column_ = static_cast<std::size_t>(column - columns.begin());
    const auto fields = CaseFields();
    for (std::size_t f = 0; f < fields.size(); ++f)
      if (fields[f].is_score) score_fields_.push_back(f);
    const auto keyField = static_cast<std::size_t>(FindCaseField(kKeyField));
    table.ForEachStoredRow([&](const std::vector<FieldValue>& row) {
      const auto* name = std::get_if<std::string>(&row[static_cast<std::size_t>(nameField)]);
      const auto* key = std::get_if<std::int64_t>(&row[keyField]);
      if (name == nullptr || name->empty() || key == nullptr) return;
      Scores scores;
      for (const std::size_t f : score_fields_) {
        const auto* score = std::get_if<std::int64_t>(&row[f]);
        scores.push_back(score ? std::optional<std::int64_t>(*score) : std::nullopt);
      }
      stored_[*name].push_back({*key, std::move(scores)});
    });
  }

  // The stored case that this line repeats, if any.
  std::optional<StoredLine> Find(const CsvRecord& record) const {
    if (!name_column_) return std::nullopt;
    const std::string& name = record.cells[*name_column_];
    const auto cases = stored_.find(name);
    if (cases == stored_.end()) return std::nullopt;
    Scores scores(score_fields_.size());
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      if (columns_[c] < 0 || TrimBlanks(record.cells[c]).empty()) continue;
      const auto f = std::find(score_fields_.begin(), score_fields_.end(), static_cast<std::size_t>(columns_[c]));
      if (f == score_fields_.end()) continue;
      scores[static_cast<std::size_t>(f - score_fields_.begin())] = ParseInteger(record.cells[c]);
    }
    for (const Case& stored : cases->second)
      if (stored.scores == scores) return StoredLine{record.line, name, stored.key};
    return std::nullopt;
  }

 private:
  using Scores = std::vector<std::optional<std::int64_t>>;
  struct Case {
    std::int64_t key;
    Scores scores;
  };
  const std::vector<int>& columns_;
  std::optional<std::size_t> name_column_;
  std::vector<std::size_t> score_fields_;
  std::unordered_map<std::string, std::vector<Case>> stored_;
};

// The file as a whole is refused; nothing was written.
class Refusal : public StoreError {
 public:
  using StoreError::StoreError;
};

[[noreturn]] void Refuse(const std::string& path, const std::vector<std::string>& faults) {
  std::string message = "Nothing was imported from '" + path + "':";
  for (std::size_t i = 0; i < faults.size() && i < kMostFaultsListed; ++i) {
    message += "\n" + faults[i];
  }
  if (faults.size() > kMostFaultsListed) {
    message += "\n(and " + std::to_string(faults.size() - kMostFaultsListed) + " more)";
  }
  throw Refusal(message);
}

std::string CellText(const FieldValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&value)) return FormatReal(*d);
  if (const auto* s = std::get_if<std::string>(&value)) return CsvCell(*s);
  return {};
}

}  // namespace

int ImportCsv(CaseTable& table, const std::string& path) {
  std::vector<std::string> ignored;
  return ImportCsv(table, path, {}, ignored);
}

int ImportCsv(CaseTable& table, const std::string& path, const std::vector<FieldChoices>& choices,
              std::vector<std::string>& warnings, const ImportProgress& progress, const StageScoreRules& stages,
              const StoredLinesQuestion& askAboutStored) {
  if (!table.IsOpen()) throw StoreError("The case table is not open");
  // First pass: the whole file is checked, a record at a time, before
  // anything is written.
  std::vector<std::string> faults;
  std::vector<int> columns;
  std::vector<const TraitStageScores*> stagesOfColumns;
  std::size_t rows = 0;
  std::vector<StoredLine> storedLines;
  try {
    std::ifstream in = OpenFile(path);
    CsvReader reader(in);
    CsvRecord header;
    if (!reader.Next(header)) Refuse(path, {"the file has no header line"});
    // A file of another separator reads as one column whose name holds them all.
    if (header.cells.size() == 1) {
      for (const auto& [separator, name] : {std::pair{';', "semicolons"}, std::pair{'\t', "tabs"}}) {
        if (header.cells.front().find(separator) != std::string::npos) {
          Refuse(path, {"line " + std::to_string(header.line) + ": the fields are separated by " + name +
                        "; this program reads fields separated by commas (save the file as CSV with \",\" as "
                        "the separator)"});
        }
      }
    }
    columns = HeaderColumns(header, faults);
    stagesOfColumns = StagesOfColumns(columns, stages);
    UnlistedChoices unlisted(choices, columns);
    SharedCaseNumbers shared(table, columns);
    const bool checkRows = faults.empty();
    std::optional<StoredCases> stored;
    if (askAboutStored && checkRows) stored.emplace(table, columns);
    for (CsvRecord record; reader.Next(record);) {
      ++rows;
      if (!checkRows) continue;
      CheckRecord(record, columns, stagesOfColumns, faults);
      if (!faults.empty()) continue;  // the file is refused: no warnings
      unlisted.Check(record);
      if (const std::optional<StoredLine> repeated = stored ? stored->Find(record) : std::nullopt)
        storedLines.push_back(*repeated);
      else
        shared.Check(record);
    }
    if (!faults.empty()) Refuse(path, faults);
    unlisted.MoveTo(warnings);
    shared.MoveTo(warnings);
  } catch (const Refusal&) {
    throw;
  } catch (const StoreError& error) {
    Refuse(path, {error.what()});
  }
  // The lines left out, in file order.
  std::unordered_set<int> skipped;
  if (!storedLines.empty()) {
    switch (askAboutStored(storedLines)) {
      case StoredLinesChoice::Cancel:
        throw ImportStopped();
      case StoredLinesChoice::Skip:
        for (const StoredLine& line : storedLines) skipped.insert(line.line);
        break;
      case StoredLinesChoice::Import:
        break;
    }
  }
  const std::size_t added = rows - skipped.size();

  // The row being edited is settled on its own, so that a failure below
  // cannot take it with the imported rows.
  table.SavePendingRow();
  table.BeginTransaction();
  try {
    // Second pass: the file is read again and its rows written. A file that
    // changed between the passes is refused as a whole.
    std::ifstream in = OpenFile(path);
    CsvReader reader(in);
    CsvRecord record;
    reader.Next(record);  // the header
    std::size_t read = 0;
    std::size_t written = 0;
    // Often enough for a progress bar, seldom enough to cost nothing.
    constexpr std::size_t ProgressStep = 256;
    if (progress && !progress(0, added)) throw ImportStopped();
    while (reader.Next(record)) {
      std::vector<std::string> changed;
      CheckRecord(record, columns, stagesOfColumns, changed);
      if (!changed.empty() || ++read > rows) throw StoreError("'" + path + "' changed while it was imported");
      if (skipped.count(record.line) != 0) continue;
      if (progress && written % ProgressStep == 0 && written > 0 && !progress(written, added)) throw ImportStopped();
      ++written;
      table.Append();
      table.SetNewRowOrigin("imported from '" + path + "', line " + std::to_string(record.line));
      for (std::size_t c = 0; c < columns.size(); ++c) {
        const std::string& cell = record.cells[c];
        if (columns[c] == kIgnoredColumn || cell.empty()) continue;
        table.SetFieldText(std::string(CaseFields()[static_cast<std::size_t>(columns[c])].name), cell);
      }
      table.Post();  // a row of empty cells is stored as well
    }
    table.SetNewRowOrigin({});
    if (read != rows) throw StoreError("'" + path + "' changed while it was imported");
    if (progress && !progress(added, added)) throw ImportStopped();
    table.Commit();
  } catch (...) {
    table.SetNewRowOrigin({});
    try {
      table.Rollback();
    } catch (const StoreError&) {
      // The failure that stopped the import is the one to report.
    }
    throw;
  }
  return static_cast<int>(added);
}

int ExportCsv(const CaseTable& table, const std::string& path, std::vector<std::string>* undeclared) {
  if (!table.IsOpen()) throw StoreError("The case table is not open");
  return WriteCsvFile(path, [&](std::ostream& out) {
    // The documented age and the parameter set of the results are written
    // only by a table that holds them, so that the export of a table without
    // them stays as it was before those fields came.
    const auto fields = CaseFields();
    std::vector<bool> left(fields.size(), false);
    for (const std::string_view optional : {kAgeField, kParameterSetField, kDemonstrationSetField})
      left[static_cast<std::size_t>(FindCaseField(optional))] = !table.AnyStoredValueIn(optional);
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (left[i]) continue;
      if (!line.empty()) line += ',';
      line += fields[i].name;
    }
    // Columns the parameter set in use no longer declares are written too, so
    // that an export keeps everything the table holds.
    const std::vector<std::string> more = table.UndeclaredColumns();
    for (const std::string& name : more) line += "," + CsvCell(name);
    if (undeclared) *undeclared = more;
    out << line << "\r\n";
    int rows = 0;
    table.ForEachWholeStoredRow([&](const std::vector<FieldValue>& row) {
      line.clear();
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i < left.size() && left[i]) continue;
        if (i > 0) line += ',';
        line += CellText(row[i]);
      }
      out << line << "\r\n";
      ++rows;
    });
    return rows;
  });
}

int WriteCsvFile(const std::string& path, const std::function<int(std::ostream&)>& write) {
  std::optional<PendingFile> file;
  try {
    file.emplace(path);
  } catch (const std::exception& e) {
    throw StoreError(e.what());
  }
  const int lines = write(file->Stream());
  try {
    file->Commit();
  } catch (const std::exception& e) {
    throw StoreError(e.what());
  }
  return lines;
}

}  // namespace vorla
