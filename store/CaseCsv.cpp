#include "store/CaseCsv.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <unordered_set>
#include <vector>

#include "store/CaseTable.h"
#include "store/CsvText.h"
#include "store/PendingFile.h"
#include "store/Schema.h"

namespace vorla {
namespace {

constexpr int kIgnoredColumn = -1;
constexpr std::size_t kMostFaultsListed = 20;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw StoreError("Cannot read '" + path + "'");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw StoreError("Cannot read '" + path + "'");
  return text;
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
std::string CheckCell(const FieldInfo& field, const std::string& cell) {
  if (TrimBlanks(cell).empty() || field.kind == FieldKind::Text) return {};
  const std::string quoted = "'" + cell + "'";
  if (field.is_score) {
    const auto score = ParseInteger(cell);
    if (!score || *score < -1 || *score > 9) {
      return quoted + " is not a stage score (a whole number from -1 to 9)";
    }
  } else if (field.kind == FieldKind::Integer) {
    if (!ParseInteger(cell)) return quoted + " is not a whole number";
  } else if (field.kind == FieldKind::Real) {
    if (!ParseReal(cell)) return quoted + " is not a finite number";
  }
  return {};
}

void CheckRows(const std::vector<CsvRecord>& records, const std::vector<int>& columns,
               std::vector<std::string>& faults) {
  for (std::size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    const std::string where = "line " + std::to_string(record.line);
    if (record.cells.size() != columns.size()) {
      faults.push_back(where + ": " + std::to_string(record.cells.size()) + " cells where the header has " +
                       std::to_string(columns.size()));
      continue;
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (columns[c] == kIgnoredColumn) continue;
      const FieldInfo& field = CaseFields()[static_cast<std::size_t>(columns[c])];
      const std::string fault = CheckCell(field, record.cells[c]);
      if (!fault.empty()) {
        faults.push_back(where + ", field " + std::string(field.name) + ": " + fault);
      }
    }
  }
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Values the window's lists do not offer are imported (older tables hold
// them), but said.
void WarnOfUnlistedChoices(const std::vector<CsvRecord>& records, const std::vector<int>& columns,
                           const std::vector<FieldChoices>& choices, std::vector<std::string>& warnings) {
  for (const FieldChoices& list : choices) {
    const int field = FindCaseField(list.field);
    std::string offered;
    for (const std::string& choice : list.choices) offered += (offered.empty() ? "" : ", ") + choice;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (field < 0 || columns[c] != field) continue;
      for (std::size_t r = 1; r < records.size(); ++r) {
        const std::string value(TrimBlanks(records[r].cells[c]));
        if (value.empty()) continue;
        bool listed = false;
        for (const std::string& choice : list.choices) listed |= LowerAscii(choice) == LowerAscii(value);
        if (!listed)
          warnings.push_back("line " + std::to_string(records[r].line) + ", field " +
                             std::string(CaseFields()[static_cast<std::size_t>(field)].name) + ": '" + value +
                             "' is none of " + offered + "; the Analyze action will refuse this case");
      }
    }
  }
}

// A case number that a stored row or an earlier line already has is
// imported (older tables hold such rows), but said, naming the other row.
void WarnOfSharedCaseNumbers(const CaseTable& table, const std::vector<CsvRecord>& records,
                             const std::vector<int>& columns, std::vector<std::string>& warnings) {
  const int field = FindCaseField(kNameField);
  const auto column = std::find(columns.begin(), columns.end(), field);
  if (column == columns.end()) return;
  const auto c = static_cast<std::size_t>(column - columns.begin());
  std::map<std::string, int> firstLine;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const std::string& name = records[r].cells[c];
    if (name.empty()) continue;
    const std::string where = "line " + std::to_string(records[r].line) + ": the case number '" + name + "'";
    const std::vector<std::int64_t> keys = table.KeysNamed(name);
    if (!keys.empty())
      warnings.push_back(where + " is already used by the stored case with SKELETON_ID " +
                         std::to_string(keys.front()));
    const auto [earlier, first] = firstLine.emplace(name, records[r].line);
    if (!first) warnings.push_back(where + " is also on line " + std::to_string(earlier->second) + " of this file");
  }
}

[[noreturn]] void Refuse(const std::string& path, const std::vector<std::string>& faults) {
  std::string message = "Nothing was imported from '" + path + "':";
  for (std::size_t i = 0; i < faults.size() && i < kMostFaultsListed; ++i) {
    message += "\n" + faults[i];
  }
  if (faults.size() > kMostFaultsListed) {
    message += "\n(and " + std::to_string(faults.size() - kMostFaultsListed) + " more)";
  }
  throw StoreError(message);
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
              std::vector<std::string>& warnings) {
  if (!table.IsOpen()) throw StoreError("The case table is not open");
  std::vector<CsvRecord> records;
  try {
    records = ParseCsv(ReadFile(path));
  } catch (const StoreError& error) {
    Refuse(path, {error.what()});
  }
  if (records.empty()) Refuse(path, {"the file has no header line"});

  // A file of another separator reads as one column whose name holds them all.
  const CsvRecord& header = records.front();
  if (header.cells.size() == 1) {
    for (const auto& [separator, name] : {std::pair{';', "semicolons"}, std::pair{'\t', "tabs"}}) {
      if (header.cells.front().find(separator) != std::string::npos) {
        Refuse(path, {"line " + std::to_string(header.line) + ": the fields are separated by " + name +
                      "; this program reads fields separated by commas (save the file as CSV with \",\" as "
                      "the separator)"});
      }
    }
  }

  std::vector<std::string> faults;
  const std::vector<int> columns = HeaderColumns(records.front(), faults);
  if (faults.empty()) CheckRows(records, columns, faults);
  if (!faults.empty()) Refuse(path, faults);
  WarnOfUnlistedChoices(records, columns, choices, warnings);
  WarnOfSharedCaseNumbers(table, records, columns, warnings);

  // The row being edited is settled on its own, so that a failure below
  // cannot take it with the imported rows.
  table.SavePendingRow();
  table.BeginTransaction();
  try {
    for (std::size_t r = 1; r < records.size(); ++r) {
      table.Append();
      for (std::size_t c = 0; c < columns.size(); ++c) {
        const std::string& cell = records[r].cells[c];
        if (columns[c] == kIgnoredColumn || cell.empty()) continue;
        table.SetFieldText(std::string(CaseFields()[static_cast<std::size_t>(columns[c])].name), cell);
      }
      table.Post();  // a row of empty cells is stored as well
    }
    table.Commit();
  } catch (...) {
    try {
      table.Rollback();
    } catch (const StoreError&) {
      // The failure that stopped the import is the one to report.
    }
    throw;
  }
  return static_cast<int>(records.size()) - 1;
}

int ExportCsv(const CaseTable& table, const std::string& path) {
  if (!table.IsOpen()) throw StoreError("The case table is not open");
  // Written beside the target and renamed over it: a failure keeps the
  // earlier file whole and leaves no partial one.
  std::optional<PendingFile> file;
  try {
    file.emplace(path);
  } catch (const std::exception& e) {
    throw StoreError(e.what());
  }
  std::ostream& out = file->Stream();
  std::string line;
  for (const FieldInfo& field : CaseFields()) {
    if (!line.empty()) line += ',';
    line += field.name;
  }
  out << line << "\r\n";
  int rows = 0;
  table.ForEachStoredRow([&](const std::vector<FieldValue>& row) {
    line.clear();
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += ',';
      line += CellText(row[i]);
    }
    out << line << "\r\n";
    ++rows;
  });
  try {
    file->Commit();
  } catch (const std::exception& e) {
    throw StoreError(e.what());
  }
  return rows;
}

}  // namespace vorla
