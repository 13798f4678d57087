#include "store/Schema.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
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
  explicit FieldTable(const std::vector<OwnTraitColumns>& own = {}) : own_(own) {
    Add("SKELETON_ID", FieldKind::Key);
    Add("SKELETON_NAME", FieldKind::Text);
    Add("SEX", FieldKind::Text);
    Add("RACE", FieldKind::Text);
    Add("HAZARDFUNC", FieldKind::Text);
    for (const Trait& trait : kTraits) AddScores(std::string(trait.stem), trait.paired);
    AddResults("RES_ALL_",
               {"MAX_LIKELIHOOD", "STD_ERROR", "LOW95P_CONF", "UPPER95P_CONF", "DEGFREE", "CHI2", "CHI2_P"});
    AddResults("RES_ALLCOR_", {"MAX_LIKELIHOOD", "STD_ERROR", "LOW95P_CONF", "UPPER95P_CONF"});
    for (const char* complex : {"RES_PUB_", "RES_AUR_", "RES_CRA_"}) {
      AddResults(complex, {"MAX_LIKELIHOOD", "LOW95P_CONF", "UPPER95P_CONF", "DEGFREE", "CHI2", "CHI2_P"});
    }
    Add("TA_Notes", FieldKind::Text);
    Add(std::string(kLevelField), FieldKind::Integer);
    Add(std::string(kAgeField), FieldKind::Real);
    Add(std::string(kParameterSetField), FieldKind::Text);
    Add(std::string(kDemonstrationSetField), FieldKind::Integer);
    built_in_ = names_.size();
    for (const OwnTraitColumns& trait : own_) AddScores(trait.name, trait.paired);

    // The views are taken once every name has its final place.
    for (std::size_t i = 0; i < names_.size(); ++i) {
      fields_.push_back({names_[i], kinds_[i], scores_[i]});
      index_.emplace(names_[i], static_cast<int>(i));
    }
  }

  std::span<const FieldInfo> Fields() const { return fields_; }
  std::size_t BuiltInCount() const { return built_in_; }
  const std::vector<OwnTraitColumns>& Own() const { return own_; }

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

  void AddScores(const std::string& stem, bool paired) {
    if (paired) {
      for (const char* side : {"_R", "_L"}) {
        Add(stem + side + "_LOW", FieldKind::Integer, true);
        Add(stem + side + "_UPPER", FieldKind::Integer, true);
      }
    } else {
      Add(stem + "_LOW", FieldKind::Integer, true);
      Add(stem + "_UPPER", FieldKind::Integer, true);
    }
  }

  void AddResults(const std::string& prefix, std::initializer_list<const char*> suffixes) {
    for (const char* suffix : suffixes) {
      const std::string_view s(suffix);
      Add(prefix + suffix, s == "DEGFREE" ? FieldKind::Integer : FieldKind::Real);
    }
  }

  std::vector<OwnTraitColumns> own_;
  std::size_t built_in_ = 0;
  std::vector<std::string> names_;
  std::vector<FieldKind> kinds_;
  std::vector<bool> scores_;
  std::vector<FieldInfo> fields_;
  std::unordered_map<std::string_view, int, FoldedHash, FoldedEqual> index_;
};

const FieldTable& BuiltInTable() {
  static const FieldTable table;
  return table;
}

// Every table of fields ever declared stays alive, so that a span taken from
// one never dangles; the current one is read without a lock.
std::atomic<const FieldTable*> current_table{nullptr};

const FieldTable& Table() {
  const FieldTable* table = current_table.load(std::memory_order_acquire);
  return table != nullptr ? *table : BuiltInTable();
}

}  // namespace

std::span<const FieldInfo> CaseFields() {
  return Table().Fields();
}

std::size_t BuiltInFieldCount() {
  return BuiltInTable().BuiltInCount();
}

void DeclareOwnTraits(const std::vector<OwnTraitColumns>& traits) {
  static std::mutex mutex;
  static std::deque<std::unique_ptr<const FieldTable>> declared;
  std::vector<OwnTraitColumns> upper;
  for (const OwnTraitColumns& trait : traits) {
    const std::string name = UpperAscii(trait.name);
    // A trait named twice has its fields once; a name of the built-in table is none of one's own.
    const bool again = std::any_of(upper.begin(), upper.end(), [&](const auto& t) { return t.name == name; });
    if (!again && !IsBuiltInField(name + (trait.paired ? "_R_LOW" : "_LOW"))) upper.push_back({name, trait.paired});
  }
  const std::lock_guard<std::mutex> lock(mutex);
  const FieldTable& now = Table();
  const bool same = now.Own().size() == upper.size() &&
                    std::equal(upper.begin(), upper.end(), now.Own().begin(),
                               [](const auto& a, const auto& b) { return a.name == b.name && a.paired == b.paired; });
  if (same) return;
  if (upper.empty()) {
    current_table.store(&BuiltInTable(), std::memory_order_release);
    return;
  }
  declared.push_back(std::make_unique<const FieldTable>(upper));
  current_table.store(declared.back().get(), std::memory_order_release);
}

std::vector<OwnTraitColumns> DeclaredOwnTraits() {
  return Table().Own();
}

bool IsBuiltInField(const std::string& name) {
  return BuiltInTable().Find(name) >= 0;
}

bool IsBuiltInScoreField(const std::string& name) {
  const int index = BuiltInTable().Find(name);
  return index >= 0 && BuiltInTable().Fields()[static_cast<std::size_t>(index)].is_score;
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
