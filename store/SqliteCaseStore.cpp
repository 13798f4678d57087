// The case table in one SQLite file.
#include <algorithm>
#include <functional>
#include <limits>
#include <unordered_map>

#include "store/CaseStore.h"
#include "store/Sqlite.h"
#include "store/StoreError.h"

namespace vorla {

void CheckCaseColumns(const std::set<std::string>& columns, const std::string& where) {
  std::vector<std::string_view> absent;
  for (const FieldInfo& field : CaseFields())
    if (columns.count(UpperAscii(field.name)) == 0) absent.push_back(field.name);
  if (absent.empty()) return;
  std::string missing;
  for (const std::string_view name : absent) missing += (missing.empty() ? "" : ", ") + std::string(name);
  // A table of an older version lacks only fields that came later: it is
  // upgraded. Any other incomplete table is refused as it is, unchanged.
  const auto later = UpgradeFields();
  const auto isLater = [&later](std::string_view name) {
    return std::any_of(later.begin(), later.end(), [name](const FieldInfo& f) { return f.name == name; });
  };
  if (std::all_of(absent.begin(), absent.end(), isLater)) throw StoreError(std::string(kNeedsUpgrade) + missing);
  throw StoreError(where + ": table TAData has no field" + std::string(absent.size() > 1 ? "s " : " ") + missing);
}

bool IsUndeclaredColumn(const std::string& upperName) {
  return FindCaseField(upperName) < 0 && upperName != "ROW_VERSION" && upperName != "CHANGED_AT";
}

std::string QuotedColumn(const std::string& name) {
  std::string quoted = "\"";
  for (const char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

namespace {

std::string ColumnList() {
  std::string list;
  for (const FieldInfo& field : CaseFields()) {
    if (!list.empty()) list += ", ";
    list += field.name;
  }
  return list;
}

// Each row counts its edits and keeps the time of its last change, so that a
// row changed by another writer is not overwritten unasked. A table of an
// older version gains both columns; the trigger counts the edits of writers
// that do not know them (an older program, a change made by hand).
constexpr const char* kVersionColumn = "ROW_VERSION";
constexpr const char* kNow = "strftime('%Y-%m-%d %H:%M:%S', 'now')";

std::string VersionTriggerSql() {
  return std::string("CREATE TRIGGER IF NOT EXISTS TAData_row_version AFTER UPDATE ON TAData FOR EACH ROW ") +
         "WHEN NEW.ROW_VERSION IS OLD.ROW_VERSION BEGIN UPDATE TAData SET ROW_VERSION = COALESCE(OLD.ROW_VERSION, 1) " +
         "+ 1, CHANGED_AT = " + kNow + " WHERE SKELETON_ID = NEW.SKELETON_ID; END";
}

// The name matches the whole SKELETON_NAME, case-sensitive; an empty name is
// an empty field, so it also matches rows whose name was never written.
constexpr const char* kNameMatch = " WHERE (SKELETON_NAME = ?1 OR (?1 = '' AND SKELETON_NAME IS NULL))";

class SqliteCaseStore final : public CaseStore {
 public:
  explicit SqliteCaseStore(const std::string& file) { db_.Open(file); }

  std::string Where() const override { return db_.FileName(); }
  void Exec(const std::string& sql) override { db_.ExecOne(sql); }

  void CheckOrCreateTable() override {
    std::unordered_map<std::string, std::pair<std::string, bool>> columns;  // type, primary key
    undeclared_.clear();
    {
      Statement info(db_, "PRAGMA table_info(TAData)");
      while (info.Step()) {
        const std::string name = UpperAscii(info.ColumnText(1)), type = UpperAscii(info.ColumnText(2));
        columns[name] = {type, info.ColumnInt64(5) != 0};
        if (IsUndeclaredColumn(name))
          undeclared_.push_back({info.ColumnText(1), type == "INTEGER" ? FieldKind::Integer : FieldKind::Text});
      }
    }
    if (columns.empty()) {
      // A database of another program is not taken over.
      Statement tables(
          db_, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!'");
      if (tables.Step() && tables.ColumnInt64(0) > 0) {
        throw StoreError(db_.FileName() +
                         " is not a case table: it holds tables of another program but no table TAData");
      }
      db_.ExecOne(CreateCaseTableSql());
      AddVersionColumns();
      AddHistoryTable();
      return;
    }
    std::set<std::string> names;
    for (const auto& [name, column] : columns) names.insert(name);
    CheckCaseColumns(names, db_.FileName());
    // Keys are handed out by SQLite only when the key column is the row's own id.
    const auto& key = columns.at(std::string(kKeyField));
    if (key.first != "INTEGER" || !key.second) {
      throw StoreError(db_.FileName() + ": field SKELETON_ID of table TAData is not an INTEGER PRIMARY KEY");
    }
    versioned_ = columns.count(kVersionColumn) != 0;
    // A file that may only be read keeps its shape: nothing can overwrite it.
    if (!versioned_ && !db_.ReadOnly()) AddVersionColumns();
    AddHistoryTable();
  }

  void AddField(const FieldInfo& field) override { db_.ExecOne(AddFieldSql(field)); }

  void Prepare() override {
    const auto fields = CaseFields();
    std::string columns;
    std::string placeholders;
    std::string assignments;
    for (std::size_t i = 1; i < fields.size(); ++i) {
      if (i > 1) {
        columns += ", ";
        placeholders += ", ";
        assignments += ", ";
      }
      columns += fields[i].name;
      placeholders += '?';
      assignments += std::string(fields[i].name) + " = ?";
    }
    const std::string key = "?" + std::to_string(fields.size());
    if (versioned_) {
      const std::string expected = "?" + std::to_string(fields.size() + 1);
      select_row_ =
          Statement(db_, "SELECT " + ColumnList() + ", COALESCE(ROW_VERSION, 1) FROM TAData WHERE SKELETON_ID = ?");
      placeholders += std::string(", ") + kNow;
      columns += ", CHANGED_AT";
      assignments += std::string(", ROW_VERSION = COALESCE(ROW_VERSION, 1) + 1, CHANGED_AT = ") + kNow;
      update_row_ =
          Statement(db_, "UPDATE TAData SET " + assignments + " WHERE SKELETON_ID = " + key + " AND (" + expected +
                             " IS NULL OR COALESCE(ROW_VERSION, 1) = " + expected + ") RETURNING ROW_VERSION");
      changed_at_ = Statement(db_, "SELECT COALESCE(CHANGED_AT, 'an unknown time') FROM TAData WHERE SKELETON_ID = ?");
    } else {
      select_row_ = Statement(db_, "SELECT " + ColumnList() + " FROM TAData WHERE SKELETON_ID = ?");
      update_row_ = Statement(db_, "UPDATE TAData SET " + assignments + " WHERE SKELETON_ID = " + key);
    }
    insert_row_ = Statement(db_, "INSERT INTO TAData (" + columns + ") VALUES (" + placeholders + ")");
    insert_keyed_ = Statement(db_, "INSERT INTO TAData (" + ColumnList() + (versioned_ ? ", CHANGED_AT" : "") +
                                       ") VALUES (?, " + placeholders + ")");
    if (history_) {
      insert_history_ = Statement(db_, "INSERT INTO TADataHistory (" + HistoryColumnList() +
                                           ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
    }
    savepoint_ = Statement(db_, "SAVEPOINT vorla_post");
    release_ = Statement(db_, "RELEASE vorla_post");
    rollback_to_ = Statement(db_, "ROLLBACK TO vorla_post");
  }

  void Unprepare() noexcept override {
    select_row_ = Statement();
    insert_row_ = Statement();
    insert_keyed_ = Statement();
    update_row_ = Statement();
    changed_at_ = Statement();
    insert_history_ = Statement();
    savepoint_ = Statement();
    release_ = Statement();
    rollback_to_ = Statement();
  }

  std::vector<std::int64_t> Keys(const RowFilter& filter) override {
    std::string sql = "SELECT SKELETON_ID FROM TAData";
    const auto* name = std::get_if<std::string>(&filter);
    const auto* key = std::get_if<std::int64_t>(&filter);
    if (name) sql += kNameMatch;
    if (key) sql += " WHERE SKELETON_ID = ?1";
    sql += " ORDER BY SKELETON_ID";
    Statement query(db_, sql);
    if (name) query.BindText(1, *name);
    if (key) query.BindInt64(1, *key);
    std::vector<std::int64_t> keys;
    while (query.Step()) keys.push_back(query.ColumnInt64(0));
    return keys;
  }

  bool ReadRow(std::int64_t key, std::vector<FieldValue>& row, std::optional<std::int64_t>& version) override {
    const auto fields = CaseFields();
    version.reset();
    select_row_.BindInt64(1, key);
    bool found = false;
    try {
      if (select_row_.Step()) {
        found = true;
        for (std::size_t i = 0; i < fields.size(); ++i) {
          row[i] = NormalizeValue(fields[i].kind, select_row_.Column(static_cast<int>(i)));
        }
        if (versioned_) version = select_row_.ColumnInt64(static_cast<int>(fields.size()));
      }
    } catch (...) {
      select_row_.Reset();
      throw;
    }
    select_row_.Reset();
    return found;
  }

  std::int64_t InsertRow(const std::vector<FieldValue>& row, bool keepKey,
                         std::optional<std::int64_t>& version) override {
    version.reset();
    Statement& insert = keepKey ? insert_keyed_ : insert_row_;
    try {
      const std::size_t first = keepKey ? 0 : 1;
      for (std::size_t i = first; i < row.size(); ++i) insert.Bind(static_cast<int>(i - first + 1), row[i]);
      insert.Step();
    } catch (...) {
      insert.Reset();
      throw;
    }
    insert.Reset();
    if (versioned_) version = 1;
    return db_.LastInsertRowId();
  }

  void UpdateRow(const std::vector<FieldValue>& row, std::optional<std::int64_t> expected,
                 std::optional<std::int64_t>& version) override {
    version.reset();
    const auto* key = std::get_if<std::int64_t>(&row[0]);
    if (key == nullptr) throw StoreError("The current row has no SKELETON_ID");
    bool updated = false;
    try {
      for (std::size_t i = 1; i < row.size(); ++i) update_row_.Bind(static_cast<int>(i), row[i]);
      update_row_.BindInt64(static_cast<int>(row.size()), *key);
      if (versioned_ && expected) update_row_.BindInt64(static_cast<int>(row.size()) + 1, *expected);
      updated = update_row_.Step();
      if (versioned_ && updated) version = update_row_.ColumnInt64(0);
      if (!versioned_) updated = db_.Changes() == 1;
    } catch (...) {
      update_row_.Reset();
      throw;
    }
    update_row_.Reset();
    if (updated) return;
    if (versioned_) {
      changed_at_.BindInt64(1, *key);
      const bool stored = changed_at_.Step();
      const std::string when = stored ? changed_at_.ColumnText(0) : std::string();
      changed_at_.Reset();
      if (stored) throw RowChangedError(when + " UTC");
    }
    throw StoreError("The row with SKELETON_ID " + std::to_string(*key) + " is no longer in the case table");
  }

  bool BeginPost() override {
    // A savepoint is a transaction of its own outside a batch and a nested
    // part of the batch inside one.
    const bool own = !db_.InTransaction();
    savepoint_.Step();
    savepoint_.Reset();
    return own;
  }

  void EndPost(bool) override {
    release_.Step();
    release_.Reset();
  }

  void AbortPost(bool own) noexcept override {
    rollback_to_.Reset();
    release_.Reset();
    try {
      if (own) {
        db_.ExecOne("ROLLBACK");
      } else {
        rollback_to_.Step();
        rollback_to_.Reset();
        release_.Step();
        release_.Reset();
      }
    } catch (const StoreError&) {
      // The first failure is the one to report.
    }
  }

  void Begin() override { db_.ExecOne("BEGIN"); }
  void Commit() override { db_.ExecOne("COMMIT"); }
  void Rollback() override { db_.ExecOne("ROLLBACK"); }
  bool InTransaction() const override { return db_.InTransaction(); }

  void DeleteRow(std::int64_t key) override {
    Statement remove(db_, "DELETE FROM TAData WHERE SKELETON_ID = ?1");
    remove.BindInt64(1, key);
    remove.Step();
  }

  void AppendHistory(std::int64_t key, const std::string& name, const CaseWriter& writer,
                     const std::vector<HistoryItem>& items) override {
    const std::string now = UtcTimeNow();
    for (const HistoryItem& item : items)
      InsertHistory({0,
                     key,
                     name,
                     now,
                     writer.analyst,
                     writer.program,
                     {},
                     item.change,
                     item.field,
                     item.oldValue,
                     item.newValue});
  }

  void InsertHistoryLine(const HistoryLine& line) override { InsertHistory(line); }

  void ForEachHistoryLine(const RowFilter& filter, const std::function<void(const HistoryLine&)>& visit) override {
    if (!history_) return;
    std::string sql = "SELECT HISTORY_ID";
    for (std::size_t i = 1; i < HistoryColumns().size(); ++i)
      sql += ", " + std::string(i == 1 ? "" : "COALESCE(") + std::string(HistoryColumns()[i]) + (i == 1 ? "" : ", '')");
    sql += " FROM TADataHistory";
    const auto* name = std::get_if<std::string>(&filter);
    const auto* key = std::get_if<std::int64_t>(&filter);
    if (name) sql += kNameMatch;
    if (key) sql += " WHERE SKELETON_ID = ?1";
    Statement lines(db_, sql + " ORDER BY HISTORY_ID");
    if (name) lines.BindText(1, *name);
    if (key) lines.BindInt64(1, *key);
    HistoryLine line;
    while (lines.Step()) {
      line.id = lines.ColumnInt64(0);
      line.key = lines.ColumnInt64(1);
      std::string* texts[] = {&line.name,   &line.time,  &line.analyst,  &line.program, &line.serverUser,
                              &line.change, &line.field, &line.oldValue, &line.newValue};
      for (int i = 0; i < 9; ++i) *texts[i] = lines.ColumnText(i + 2);
      visit(line);
    }
  }

  void ForEachListEntry(const std::function<void(std::int64_t, const std::string&, bool)>& visit) override {
    Statement rows(
        db_,
        "SELECT SKELETON_ID, COALESCE(SKELETON_NAME, ''), CASE WHEN RES_ALL_MAX_LIKELIHOOD IS NULL THEN 0 ELSE 1 END "
        "FROM TAData ORDER BY SKELETON_ID");
    while (rows.Step()) visit(rows.ColumnInt64(0), rows.ColumnText(1), rows.ColumnInt64(2) != 0);
  }

  void ForEachRow(const std::function<void(const std::vector<FieldValue>&)>& visit, bool withUndeclared) override {
    std::string columns = ColumnList();
    if (withUndeclared)
      for (const UndeclaredColumn& column : undeclared_) columns += ", " + QuotedColumn(column.name);
    Statement rows(db_, "SELECT " + columns + " FROM TAData ORDER BY SKELETON_ID");
    const auto fields = CaseFields();
    std::vector<FieldValue> row(fields.size() + (withUndeclared ? undeclared_.size() : 0));
    while (rows.Step()) {
      for (std::size_t i = 0; i < fields.size(); ++i) {
        row[i] = NormalizeValue(fields[i].kind, rows.Column(static_cast<int>(i)));
      }
      // Undeclared columns hold what another parameter set stored: kept as stored.
      for (std::size_t i = fields.size(); i < row.size(); ++i) row[i] = rows.Column(static_cast<int>(i));
      visit(row);
    }
  }

  bool AnyValueIn(std::string_view field) override {
    Statement any(db_, "SELECT EXISTS (SELECT 1 FROM TAData WHERE " + std::string(field) + " IS NOT NULL)");
    return any.Step() && any.ColumnInt64(0) != 0;
  }

  std::string ChangeMark() override {
    // Changes with every commit of another connection to the file.
    Statement mark(db_, "PRAGMA data_version");
    return mark.Step() ? mark.ColumnText(0) : std::string();
  }

  void SetBusyTimeout(std::chrono::milliseconds timeout) override {
    db_.SetBusyTimeout(static_cast<int>(timeout.count()));
  }

  void Close() noexcept override {
    Unprepare();
    db_.Close();
  }

 private:
  void AddVersionColumns() {
    InImmediateTransaction([this] {
      Statement info(db_, "SELECT count(*) FROM pragma_table_info('TAData') WHERE upper(name) = 'ROW_VERSION'");
      if (info.Step() && info.ColumnInt64(0) == 0) {
        db_.ExecOne("ALTER TABLE TAData ADD COLUMN ROW_VERSION INTEGER NOT NULL DEFAULT 1");
        db_.ExecOne("ALTER TABLE TAData ADD COLUMN CHANGED_AT TEXT");
      }
      info = Statement();
      db_.ExecOne(VersionTriggerSql());
    });
    versioned_ = true;
  }

  // Every change of a case is appended to TADataHistory in its transaction;
  // nothing the programs do updates or deletes a line of it.
  void AddHistoryTable() {
    Statement exists(db_, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND upper(name) = 'TADATAHISTORY'");
    history_ = exists.Step() && exists.ColumnInt64(0) > 0;
    exists = Statement();
    if (history_ || db_.ReadOnly()) return;
    InImmediateTransaction([this] {
      db_.ExecOne(
          "CREATE TABLE IF NOT EXISTS TADataHistory (HISTORY_ID INTEGER PRIMARY KEY, SKELETON_ID INTEGER NOT NULL, "
          "SKELETON_NAME TEXT, CHANGED_AT TEXT NOT NULL, ANALYST TEXT, PROGRAM TEXT, DB_USER TEXT, "
          "CHANGE TEXT NOT NULL, FIELD TEXT, OLD_VALUE TEXT, NEW_VALUE TEXT)");
      db_.ExecOne("CREATE INDEX IF NOT EXISTS TADataHistory_key ON TADataHistory (SKELETON_ID)");
      for (const char* what : {"UPDATE", "DELETE"}) {
        db_.ExecOne(std::string("CREATE TRIGGER IF NOT EXISTS TADataHistory_kept_") + what + " BEFORE " + what +
                    " ON TADataHistory BEGIN SELECT RAISE(ABORT, 'the history of the cases is kept as written'); END");
      }
    });
    history_ = true;
  }

  void InsertHistory(const HistoryLine& line) {
    if (!history_) {
      throw StoreError(db_.FileName() + " has no table TADataHistory for the history of the cases, so nothing can " +
                       "be changed in it");
    }
    try {
      insert_history_.BindInt64(1, line.key);
      const std::string* texts[] = {&line.name,   &line.time,  &line.analyst,  &line.program, &line.serverUser,
                                    &line.change, &line.field, &line.oldValue, &line.newValue};
      for (int i = 0; i < 9; ++i) insert_history_.Bind(i + 2, TextOrNull(*texts[i]));
      insert_history_.Step();
    } catch (...) {
      insert_history_.Reset();
      throw;
    }
    insert_history_.Reset();
  }

  // Schema changes: one writer makes them, and another that opened the file
  // at the same time finds them made.
  void InImmediateTransaction(const std::function<void()>& change) {
    db_.ExecOne("BEGIN IMMEDIATE");
    try {
      change();
      db_.ExecOne("COMMIT");
    } catch (...) {
      try {
        db_.ExecOne("ROLLBACK");
      } catch (const StoreError&) {
        // The first failure is the one to report.
      }
      throw;
    }
  }

  SqliteDb db_;
  bool versioned_ = false;
  bool history_ = false;
  Statement insert_history_;
  Statement select_row_;
  Statement insert_row_;
  Statement insert_keyed_;
  Statement update_row_;
  Statement changed_at_;
  Statement savepoint_;
  Statement release_;
  Statement rollback_to_;
};

}  // namespace

std::unique_ptr<CaseStore> OpenSqliteStore(const std::string& file) {
  return std::make_unique<SqliteCaseStore>(file);
}

}  // namespace vorla
