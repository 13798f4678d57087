#pragma once
// The fields of the case table TAData, in column order: the key, the
// identification and model choices, the 66 stage scores, the 29 results of the
// last analysis, the free notes, the confidence level of the stored limits,
// the documented age and the parameter set of the results; then the score fields of the traits of the parameter set
// in use that are not built in.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorla {

inline constexpr std::string_view kCaseTableName = "TAData";
inline constexpr std::string_view kCaseFileName = "TAData.db";
inline constexpr std::string_view kKeyField = "SKELETON_ID";
inline constexpr std::string_view kNameField = "SKELETON_NAME";
inline constexpr std::string_view kNotesField = "TA_Notes";
// The confidence level (90, 95 or 99) at which the stored limits were computed;
// empty for results stored before the table recorded it.
inline constexpr std::string_view kLevelField = "RES_CI_LEVEL";

// Which parameter set made the stored results: the SHA-256 of its file (64
// hex digits), and 1 when it was a demonstration set (0 otherwise); both
// empty without results and for results stored before the table had them.
inline constexpr std::string_view kParameterSetField = "RES_PARAM_SHA256";
inline constexpr std::string_view kDemonstrationSetField = "RES_PARAM_DEMO";

// The documented age at death of a reference individual, in years.
inline constexpr std::string_view kAgeField = "AGE";
inline constexpr double kYoungestDocumentedAge = 15.0;
inline constexpr double kOldestDocumentedAge = 110.0;

enum class FieldKind { Key, Text, Integer, Real };

struct FieldInfo {
  std::string_view name;
  FieldKind kind;
  bool is_score;  // a stage score: a whole number, empty when not scored
};

// Every field in column order: the 105 built-in ones, then those of the
// traits of one's own declared last.
std::span<const FieldInfo> CaseFields();
// The number of built-in fields; the fields of one's own traits follow them.
std::size_t BuiltInFieldCount();

// A trait of a parameter set that the built-in fields lack: its score fields
// are NAME_R_LOW, NAME_R_UPPER, NAME_L_LOW, NAME_L_UPPER when paired,
// NAME_LOW and NAME_UPPER when not.
struct OwnTraitColumns {
  std::string name;  // upper case
  bool paired = false;
};
// The score fields of the traits of the parameter set in use, appended to the
// built-in fields for every case table opened afterwards (an empty list takes
// them away again). Called before a table is opened, never while another
// thread reads fields. Names are kept in upper case.
void DeclareOwnTraits(const std::vector<OwnTraitColumns>& traits);
std::vector<OwnTraitColumns> DeclaredOwnTraits();
// Whether a field of this name is built in, compared without regard to case;
// and whether it is a built-in stage score.
bool IsBuiltInField(const std::string& name);
bool IsBuiltInScoreField(const std::string& name);

// Index into CaseFields() of the field with this name, compared without
// regard to case; -1 when the table has no such field.
int FindCaseField(std::string_view name);
// Whether the table has a field of this name, compared without regard to case.
bool IsCaseField(const std::string& name);

// The SQL type a field is declared with.
std::string_view SqlType(FieldKind kind);

// The statement that creates an empty table with every field.
std::string CreateCaseTableSql();

// The fields a table made by an older version may lack, in the order they came,
// and the score fields of one's own traits: opening such a table adds them.
std::span<const FieldInfo> UpgradeFields();

// The statement that adds one of those fields.
std::string AddFieldSql(const FieldInfo& field);

// ASCII upper case, used for every comparison of field names.
std::string UpperAscii(std::string_view text);

}  // namespace vorla
