#include "calib/ReferenceTable.h"

#include <algorithm>
#include <map>

#include "store/CaseTable.h"
#include "store/CsvText.h"
#include "store/RowValues.h"
#include "store/Schema.h"

namespace vorla::calib {

namespace {

// The fields a reference individual is read from: the key and case number
// (which name it in a validation's cases), the model choices, the documented
// age and every stage score.
bool IsSampleField(const FieldInfo& field) {
  if (field.is_score) return true;
  for (const std::string_view name : {"SKELETON_ID", "SKELETON_NAME", "SEX", "RACE", "HAZARDFUNC", "AGE"})
    if (field.name == name) return true;
  return false;
}

}  // namespace

ReferenceSample ReadReferenceTable(const std::string& location, const ParameterStructure& structure,
                                   ReferenceOptions options) {
  CaseTable table;
  table.Open(location);
  const std::string where = "the case table " + table.Where();
  const auto fields = CaseFields();
  std::vector<std::size_t> columns;
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!IsSampleField(fields[i])) continue;
    text += (columns.empty() ? "" : ",") + std::string(fields[i].name);
    columns.push_back(i);
  }
  text += "\n";
  const auto age = static_cast<std::size_t>(FindCaseField(kAgeField));
  const auto name = static_cast<std::size_t>(FindCaseField(kNameField));
  std::map<int, std::string> caseOfLine;
  int line = 1;
  table.ForEachStoredRow([&](const std::vector<FieldValue>& row) {
    if (IsNull(row[age])) return;
    ++line;
    caseOfLine[line] = "case \"" + TextOfField(row[name]) + "\" (SKELETON_ID " + TextOfField(row[0]) + ")";
    std::string record;
    for (std::size_t c = 0; c < columns.size(); ++c)
      record += (c == 0 ? "" : ",") + CsvCell(TextOfField(row[columns[c]]));
    // A case number over several lines keeps the count of lines right.
    line += static_cast<int>(std::count(record.begin(), record.end(), '\n'));
    text += record + "\n";
  });
  if (caseOfLine.empty())
    throw ReferenceSampleError(where +
                               " holds no case with a documented age (the field AGE): there is no reference sample");
  options.placeOfLine = [caseOfLine](int at) {
    const auto it = caseOfLine.upper_bound(at);
    return it == caseOfLine.begin() ? "the header" : std::prev(it)->second;
  };
  return ParseReferenceSample(text, where, structure, options);
}

}  // namespace vorla::calib
