#include "store/Schema.h"

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorla {
namespace {

struct Trait {
  std::string_view stem;
  bool paired;  // scored on the right and the left side
};

// Cranial sutures, pubic symphysis, auricular surface: the order of the columns.
constexpr std::array<Trait, 19> kTraits{{
    {"CRA_PTERICA", false},  {"CRA_SAGITTAL", false}, {"CRA_LAMDOID", false}, {"CRA_INTERPL", false},
    {"CRA_MAXILARE", false}, {"PUB_RELIEF", true},    {"PUB_TEXTURE", true},  {"PUB_OSSICLE", true},
    {"PUB_VENTRALM", true},  {"PUB_DORSALM", true},   {"AUR_TOPOSUP", true},  {"AUR_TOPOINF", true},
    {"AUR_MORSUP", true},    {"AUR_MORAPIC", true},   {"AUR_MORINF", true},   {"AUR_TEXINF", true},
    {"AUR_EXOSUP", true},    {"AUR_EXOINF", true},    {"AUR_SPICUL", true},
}};

char FoldCase(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Hashing and comparing names without regard to case, so that a lookup
// needs no upper-case copy of the name.
struct FoldedHash {
  std::size_t operator()(std::string_view name) const {
    std::size_t hash = 14695981039346656037ull;
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(FoldCase(c))) * 1099511628211ull;
    return hash;
  }
};

struct FoldedEqual {
  bool operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
  }
};

class FieldTable {
 public:
  FieldTable() {
    Add("SKELETON_ID", FieldKind::Key);
    Add("SKELETON_NAME", FieldKind::Text);
    Add("SEX", FieldKind::Text);
    Add("RACE", FieldKind::Text);
    Add("HAZARDFUNC", FieldKind::Text);
    for (const Trait& trait : kTraits) {
      const std::string stem(trait.stem);
      if (trait.paired) {
        for (const char* side : {"_R", "_L"}) {
          Add(stem + side + "_LOW", FieldKind::Integer, true);
          Add(stem + side + "_UPPER", FieldKind::Integer, true);
        }
      } else {
        Add(stem + "_LOW", FieldKind::Integer, true);
        Add(stem + "_UPPER", FieldKind::Integer, true);
      }
    }
    AddResults("RES_ALL_",
               {"MAX_LIKELIHOOD", "STD_ERROR", "LOW95P_CONF", "UPPER95P_CONF", "DEGFREE", "CHI2", "CHI2_P"});
    AddResults("RES_ALLCOR_", {"MAX_LIKELIHOOD", "STD_ERROR", "LOW95P_CONF", "UPPER95P_CONF"});
    for (const char* complex : {"RES_PUB_", "RES_AUR_", "RES_CRA_"}) {
      AddResults(complex, {"MAX_LIKELIHOOD", "LOW95P_CONF", "UPPER95P_CONF", "DEGFREE", "CHI2", "CHI2_P"});
    }
    Add("TA_Notes", FieldKind::Text);
    Add(std::string(kLevelField), FieldKind::Integer);

    // The views are taken once every name has its final place.
    for (std::size_t i = 0; i < names_.size(); ++i) {
      fields_.push_back({names_[i], kinds_[i], scores_[i]});
      index_.emplace(names_[i], static_cast<int>(i));
    }
  }

  std::span<const FieldInfo> Fields() const { return fields_; }

  int Find(std::string_view name) const {
    const auto it = index_.find(name);
    return it == index_.end() ? -1 : it->second;
  }

 private:
  void Add(std::string name, FieldKind kind, bool is_score = false) {
    names_.push_back(std::move(name));
    kinds_.push_back(kind);
    scores_.push_back(is_score);
  }

  void AddResults(const std::string& prefix, std::initializer_list<const char*> suffixes) {
    for (const char* suffix : suffixes) {
      const std::string_view s(suffix);
      Add(prefix + suffix, s == "DEGFREE" ? FieldKind::Integer : FieldKind::Real);
    }
  }

  std::vector<std::string> names_;
  std::vector<FieldKind> kinds_;
  std::vector<bool> scores_;
  std::vector<FieldInfo> fields_;
  std::unordered_map<std::string_view, int, FoldedHash, FoldedEqual> index_;
};

const FieldTable& Table() {
  static const FieldTable table;
  return table;
}

}  // namespace

std::span<const FieldInfo> CaseFields() {
  return Table().Fields();
}

std::span<const FieldInfo> UpgradeFields() {
  const auto fields = CaseFields();
  return fields.subspan(static_cast<std::size_t>(FindCaseField(kNotesField)));
}

std::string AddFieldSql(const FieldInfo& field) {
  return "ALTER TABLE " + std::string(kCaseTableName) + " ADD COLUMN " + std::string(field.name) + " " +
         std::string(SqlType(field.kind));
}

int FindCaseField(std::string_view name) {
  return Table().Find(name);
}

bool IsCaseField(const std::string& name) {
  return FindCaseField(name) >= 0;
}

std::string_view SqlType(FieldKind kind) {
  switch (kind) {
    case FieldKind::Key:
    case FieldKind::Integer:
      return "INTEGER";
    case FieldKind::Real:
      return "REAL";
    case FieldKind::Text:
      break;
  }
  return "TEXT";
}

std::string CreateCaseTableSql() {
  std::string sql = "CREATE TABLE ";
  sql += kCaseTableName;
  sql += " (";
  bool first = true;
  for (const FieldInfo& field : CaseFields()) {
    if (!first) sql += ", ";
    first = false;
    sql += field.name;
    sql += ' ';
    sql += SqlType(field.kind);
    if (field.kind == FieldKind::Key) sql += " PRIMARY KEY";
  }
  sql += ")";
  return sql;
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = FoldCase(c);
  return upper;
}

}  // namespace vorla
