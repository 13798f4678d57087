#pragma once
// The fields of the case table TAData, in column order: the key, the
// identification and model choices, the 66 stage scores, the 29 results of the
// last analysis and the free notes.
#include <span>
#include <string>
#include <string_view>

namespace vorla {

inline constexpr std::string_view kCaseTableName = "TAData";
inline constexpr std::string_view kCaseFileName = "TAData.db";
inline constexpr std::string_view kKeyField = "SKELETON_ID";
inline constexpr std::string_view kNameField = "SKELETON_NAME";
inline constexpr std::string_view kNotesField = "TA_Notes";

enum class FieldKind { Key, Text, Integer, Real };

struct FieldInfo {
  std::string_view name;
  FieldKind kind;
  bool is_score;  // a stage score: a whole number, empty when not scored
};

// Every field in column order (101 of them).
std::span<const FieldInfo> CaseFields();

// Index into CaseFields() of the field with this name, compared without
// regard to case; -1 when the table has no such field.
int FindCaseField(std::string_view name);
// Whether the table has a field of this name, compared without regard to case.
bool IsCaseField(const std::string& name);

// The SQL type a field is declared with.
std::string_view SqlType(FieldKind kind);

// The statement that creates an empty table with every field.
std::string CreateCaseTableSql();

// The statement that adds the notes field to a table that predates it.
inline constexpr std::string_view kAddNotesSql = "ALTER TABLE TAData ADD COLUMN TA_Notes TEXT";

// ASCII upper case, used for every comparison of field names.
std::string UpperAscii(std::string_view text);

}  // namespace vorla
