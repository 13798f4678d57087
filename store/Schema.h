#pragma once
// The fields of the case table TAData, in column order: the key, the
// identification and model choices, the 66 stage scores, the 29 results of the
// last analysis, the free notes and the confidence level of the stored limits.
#include <span>
#include <string>
#include <string_view>

namespace vorla {

inline constexpr std::string_view kCaseTableName = "TAData";
inline constexpr std::string_view kCaseFileName = "TAData.db";
inline constexpr std::string_view kKeyField = "SKELETON_ID";
inline constexpr std::string_view kNameField = "SKELETON_NAME";
inline constexpr std::string_view kNotesField = "TA_Notes";
// The confidence level (90, 95 or 99) at which the stored limits were computed;
// empty for results stored before the table recorded it.
inline constexpr std::string_view kLevelField = "RES_CI_LEVEL";

enum class FieldKind { Key, Text, Integer, Real };

struct FieldInfo {
  std::string_view name;
  FieldKind kind;
  bool is_score;  // a stage score: a whole number, empty when not scored
};

// Every field in column order (102 of them).
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

// The fields a table made by an older version may lack, in the order they came:
// opening such a table adds them.
std::span<const FieldInfo> UpgradeFields();

// The statement that adds one of those fields.
std::string AddFieldSql(const FieldInfo& field);

// ASCII upper case, used for every comparison of field names.
std::string UpperAscii(std::string_view text);

}  // namespace vorla
