// The case table on a PostgreSQL server. The same fields as in the SQLite
// file, with the types that keep their values exactly (64-bit integers,
// doubles, texts); each row also carries its edit count and the time of its
// last change, so that a row changed by another writer is not overwritten
// unasked.
#include <charconv>
#include <map>

#include "store/CaseStore.h"
#include "store/Postgres.h"
#include "store/StoreError.h"

namespace vorla {
namespace {

constexpr const char* kVersionColumn = "ROW_VERSION";
constexpr const char* kChangedColumn = "CHANGED_AT";

std::string_view PgType(FieldKind kind) {
  switch (kind) {
    case FieldKind::Key:
    case FieldKind::Integer:
      return "bigint";
    case FieldKind::Real:
      return "double precision";
    case FieldKind::Text:
      break;
  }
  return "text";
}

std::string ColumnList() {
  std::string list;
  for (const FieldInfo& field : CaseFields()) {
    if (!list.empty()) list += ", ";
    list += field.name;
  }
  return list;
}

PgParam ToParam(const FieldValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&value)) return FormatReal(*d);
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  return std::nullopt;
}

FieldValue FromText(FieldKind kind, const std::string& text) {
  const char* end = text.data() + text.size();
  if (kind == FieldKind::Key || kind == FieldKind::Integer) {
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec == std::errc() && result.ptr == end) return value;
  } else if (kind == FieldKind::Real) {
    double value = 0;
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec == std::errc() && result.ptr == end) return value;
  }
  return text;
}

void ReadInto(const PgResult& result, int r, std::vector<FieldValue>& row) {
  const auto fields = CaseFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const int c = static_cast<int>(i);
    row[i] = result.IsNull(r, c) ? FieldValue{}
                                 : NormalizeValue(fields[i].kind, FromText(fields[i].kind, result.Text(r, c)));
  }
}

std::int64_t AsInt64(const std::string& text) {
  std::int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

class PgCaseStore final : public CaseStore {
 public:
  explicit PgCaseStore(const std::string& conninfo) { db_.Open(conninfo); }

  std::string Where() const override { return db_.Where(); }
  void Exec(const std::string& sql) override { db_.Exec(sql, {}); }

  void CheckOrCreateTable() override {
    const PgResult info = db_.Exec(
        "SELECT upper(column_name), data_type, column_name FROM information_schema.columns "
        "WHERE table_schema = current_schema() AND table_name = 'tadata' ORDER BY ordinal_position",
        {});
    if (info.Rows() == 0) {
      Create();
      AddHistoryTable();
      return;
    }
    std::map<std::string, std::string> columns;
    for (int r = 0; r < info.Rows(); ++r) columns[info.Text(r, 0)] = info.Text(r, 1);
    undeclared_.clear();
    for (int r = 0; r < info.Rows(); ++r) {
      if (!IsUndeclaredColumn(info.Text(r, 0))) continue;
      const std::string& type = info.Text(r, 1);
      undeclared_.push_back({info.Text(r, 2), type == PgType(FieldKind::Integer) ? FieldKind::Integer
                                              : type == PgType(FieldKind::Real)  ? FieldKind::Real
                                                                                 : FieldKind::Text});
    }
    std::set<std::string> names;
    for (const auto& [name, type] : columns) names.insert(name);
    CheckCaseColumns(names, Where());
    for (const FieldInfo& field : CaseFields()) {
      const std::string& type = columns.at(UpperAscii(field.name));
      if (type != PgType(field.kind)) {
        throw StoreError(Where() + ": field " + std::string(field.name) + " of table TAData is " + type + ", not " +
                         std::string(PgType(field.kind)));
      }
    }
    const PgResult key = db_.Exec(
        "SELECT upper(a.attname) FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid "
        "AND a.attnum = ANY(i.indkey) WHERE i.indrelid = 'tadata'::regclass AND i.indisprimary",
        {});
    if (key.Rows() != 1 || key.Text(0, 0) != kKeyField) {
      throw StoreError(Where() + ": field SKELETON_ID of table TAData is not its primary key");
    }
    // A table made by hand with the case fields gains the edit count.
    if (columns.count(kVersionColumn) == 0 || columns.count(kChangedColumn) == 0) AddVersionColumns();
    AddHistoryTable();
  }

  void AddField(const FieldInfo& field) override {
    db_.Exec("ALTER TABLE TAData ADD COLUMN IF NOT EXISTS " + std::string(field.name) + " " +
                 std::string(PgType(field.kind)),
             {});
  }

  void Prepare() override {
    prepared_ = true;  // even a part prepared is dropped by Unprepare
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
      const std::string n = "$" + std::to_string(i);
      columns += fields[i].name;
      placeholders += n;
      assignments += std::string(fields[i].name) + " = " + n;
    }
    const std::string key = "$" + std::to_string(fields.size());
    const std::string expected = "$" + std::to_string(fields.size() + 1) + "::bigint";
    const std::string version = std::string(kVersionColumn);
    db_.Prepare("select_row", "SELECT " + ColumnList() + ", " + version + " FROM TAData WHERE SKELETON_ID = $1");
    // Keys are handed out as the SQLite file hands them out, one past the
    // highest; the lock keeps two writers from taking the same one.
    db_.Prepare("lock_keys", "SELECT pg_advisory_xact_lock('tadata'::regclass::oid::bigint)");
    db_.Prepare("insert_row", "INSERT INTO TAData (SKELETON_ID, " + columns +
                                  ") VALUES ((SELECT COALESCE(MAX(SKELETON_ID), 0) + 1 FROM TAData), " + placeholders +
                                  ") RETURNING SKELETON_ID, " + version);
    db_.Prepare("insert_keyed", "INSERT INTO TAData (SKELETON_ID, " + columns + ") VALUES (" + key + ", " +
                                    placeholders + ") RETURNING SKELETON_ID, " + version);
    db_.Prepare("update_row", "UPDATE TAData SET " + assignments + ", " + version + " = " + version + " + 1, " +
                                  kChangedColumn + " = clock_timestamp() WHERE SKELETON_ID = " + key + " AND (" +
                                  expected + " IS NULL OR " + version + " = " + expected + ") RETURNING " + version);
    db_.Prepare("changed_at", std::string("SELECT to_char(") + kChangedColumn +
                                  " AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS') FROM TAData WHERE SKELETON_ID = $1");
  }

  void Unprepare() noexcept override {
    if (!prepared_ || !db_.Healthy()) return;
    prepared_ = false;
    try {
      db_.Exec("DEALLOCATE ALL");
    } catch (const StoreError&) {
    }
  }

  std::vector<std::int64_t> Keys(const RowFilter& filter) override {
    std::string sql = "SELECT SKELETON_ID FROM TAData";
    std::vector<PgParam> params;
    if (const auto* name = std::get_if<std::string>(&filter)) {
      sql += " WHERE (SKELETON_NAME = $1 OR ($1 = '' AND SKELETON_NAME IS NULL))";
      params.emplace_back(*name);
    } else if (const auto* key = std::get_if<std::int64_t>(&filter)) {
      sql += " WHERE SKELETON_ID = $1";
      params.emplace_back(std::to_string(*key));
    }
    sql += " ORDER BY SKELETON_ID";
    const PgResult result = db_.Exec(sql, params);
    std::vector<std::int64_t> keys;
    keys.reserve(static_cast<std::size_t>(result.Rows()));
    for (int r = 0; r < result.Rows(); ++r) keys.push_back(AsInt64(result.Text(r, 0)));
    return keys;
  }

  bool ReadRow(std::int64_t key, std::vector<FieldValue>& row, std::optional<std::int64_t>& version) override {
    const PgResult result = db_.RunPrepared("select_row", {std::to_string(key)});
    if (result.Rows() == 0) return false;
    ReadInto(result, 0, row);
    version = AsInt64(result.Text(0, static_cast<int>(row.size())));
    return true;
  }

  std::int64_t InsertRow(const std::vector<FieldValue>& row, bool keepKey,
                         std::optional<std::int64_t>& version) override {
    std::vector<PgParam> params;
    for (std::size_t i = 1; i < row.size(); ++i) params.push_back(ToParam(row[i]));
    if (keepKey) params.push_back(ToParam(row[0]));
    if (!keepKey) db_.RunPrepared("lock_keys", {});
    const PgResult result = db_.RunPrepared(keepKey ? "insert_keyed" : "insert_row", params);
    version = AsInt64(result.Text(0, 1));
    return AsInt64(result.Text(0, 0));
  }

  void UpdateRow(const std::vector<FieldValue>& row, std::optional<std::int64_t> expected,
                 std::optional<std::int64_t>& version) override {
    const auto* key = std::get_if<std::int64_t>(&row[0]);
    if (key == nullptr) throw StoreError("The current row has no SKELETON_ID");
    std::vector<PgParam> params;
    for (std::size_t i = 1; i < row.size(); ++i) params.push_back(ToParam(row[i]));
    params.push_back(std::to_string(*key));
    params.push_back(expected ? PgParam(std::to_string(*expected)) : std::nullopt);
    const PgResult result = db_.RunPrepared("update_row", params);
    if (result.Rows() == 1) {
      version = AsInt64(result.Text(0, 0));
      return;
    }
    const PgResult changed = db_.RunPrepared("changed_at", {std::to_string(*key)});
    if (changed.Rows() == 1) throw RowChangedError(changed.Text(0, 0) + " UTC");
    throw StoreError("The row with SKELETON_ID " + std::to_string(*key) + " is no longer in the case table");
  }

  bool BeginPost() override {
    const bool own = !db_.InTransaction();
    db_.Exec(own ? "BEGIN" : "SAVEPOINT vorla_post");
    return own;
  }

  void EndPost(bool own) override {
    if (own) {
      Commit();
    } else {
      db_.Exec("RELEASE SAVEPOINT vorla_post");
    }
  }

  void AbortPost(bool own) noexcept override {
    try {
      if (own) {
        db_.Exec("ROLLBACK");
      } else {
        db_.Exec("ROLLBACK TO SAVEPOINT vorla_post");
        db_.Exec("RELEASE SAVEPOINT vorla_post");
      }
    } catch (const StoreError&) {
      // The first failure is the one to report.
    }
  }

  void Begin() override { db_.Exec("BEGIN"); }

  void Commit() override {
    // The server ends a failed transaction with a rollback that it reports
    // as done; that is no commit.
    if (db_.TransactionFailed()) {
      db_.Exec("ROLLBACK");
      throw StoreError(Where() + ": a statement of the transaction failed, so nothing of it was stored");
    }
    db_.Exec("COMMIT");
  }

  void Rollback() override { db_.Exec("ROLLBACK"); }
  bool InTransaction() const override { return db_.InTransaction(); }

  void DeleteRow(std::int64_t key) override {
    db_.Exec("DELETE FROM TAData WHERE SKELETON_ID = $1", {PgParam(std::to_string(key))});
  }

  void AppendHistory(std::int64_t key, const std::string& name, const CaseWriter& writer,
                     const std::vector<HistoryItem>& items) override {
    RequireHistory();
    if (items.empty()) return;
    // One statement: every line of the entry has the same time, the server's.
    std::string sql = "INSERT INTO TADataHistory (" + HistoryColumnList() + ") VALUES ";
    std::vector<PgParam> params = {std::to_string(key), ToParam(TextOrNull(name)), ToParam(TextOrNull(writer.analyst)),
                                   ToParam(TextOrNull(writer.program))};
    for (std::size_t i = 0; i < items.size(); ++i) {
      const std::string n = std::to_string(params.size() + 1);
      sql += std::string(i > 0 ? ", " : "") +
             "($1, $2, to_char(statement_timestamp() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), $3, $4, "
             "current_user, $" +
             n + ", $" + std::to_string(params.size() + 2) + ", $" + std::to_string(params.size() + 3) + ", $" +
             std::to_string(params.size() + 4) + ")";
      const HistoryItem& item = items[i];
      for (const std::string* text : {&item.change, &item.field, &item.oldValue, &item.newValue})
        params.push_back(ToParam(TextOrNull(*text)));
    }
    db_.Exec(sql, params);
  }

  void InsertHistoryLine(const HistoryLine& line) override {
    RequireHistory();
    std::vector<PgParam> params = {std::to_string(line.key)};
    for (const std::string* text : {&line.name, &line.time, &line.analyst, &line.program, &line.serverUser,
                                    &line.change, &line.field, &line.oldValue, &line.newValue})
      params.push_back(ToParam(TextOrNull(*text)));
    db_.Exec("INSERT INTO TADataHistory (" + HistoryColumnList() + ") VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10)",
             params);
  }

  void ForEachHistoryLine(const RowFilter& filter, const std::function<void(const HistoryLine&)>& visit) override {
    if (!history_) return;
    std::string sql = "SELECT HISTORY_ID, SKELETON_ID";
    for (std::size_t i = 2; i < HistoryColumns().size(); ++i)
      sql += ", COALESCE(" + std::string(HistoryColumns()[i]) + ", '')";
    sql += " FROM TADataHistory";
    std::vector<PgParam> params;
    if (const auto* name = std::get_if<std::string>(&filter)) {
      sql += " WHERE (SKELETON_NAME = $1 OR ($1 = '' AND SKELETON_NAME IS NULL))";
      params.emplace_back(*name);
    } else if (const auto* key = std::get_if<std::int64_t>(&filter)) {
      sql += " WHERE SKELETON_ID = $1";
      params.emplace_back(std::to_string(*key));
    }
    const PgResult result = db_.Exec(sql + " ORDER BY HISTORY_ID", params);
    HistoryLine line;
    for (int r = 0; r < result.Rows(); ++r) {
      line.id = AsInt64(result.Text(r, 0));
      line.key = AsInt64(result.Text(r, 1));
      std::string* texts[] = {&line.name,   &line.time,  &line.analyst,  &line.program, &line.serverUser,
                              &line.change, &line.field, &line.oldValue, &line.newValue};
      for (int i = 0; i < 9; ++i) *texts[i] = result.Text(r, i + 2);
      visit(line);
    }
  }

  void ForEachListEntry(const std::function<void(std::int64_t, const std::string&, bool)>& visit) override {
    const PgResult result = db_.Exec(
        "SELECT SKELETON_ID, COALESCE(SKELETON_NAME, ''), CASE WHEN RES_ALL_MAX_LIKELIHOOD IS NULL THEN 0 ELSE 1 END "
        "FROM TAData ORDER BY SKELETON_ID",
        {});
    for (int r = 0; r < result.Rows(); ++r)
      visit(AsInt64(result.Text(r, 0)), result.Text(r, 1), result.Text(r, 2) == "1");
  }

  void ForEachRow(const std::function<void(const std::vector<FieldValue>&)>& visit, bool withUndeclared) override {
    std::string columns = ColumnList();
    if (withUndeclared)
      for (const UndeclaredColumn& column : undeclared_) columns += ", " + QuotedColumn(column.name);
    const PgResult result = db_.Exec("SELECT " + columns + " FROM TAData ORDER BY SKELETON_ID", {});
    const std::size_t declared = CaseFields().size();
    std::vector<FieldValue> row(declared + (withUndeclared ? undeclared_.size() : 0));
    for (int r = 0; r < result.Rows(); ++r) {
      ReadInto(result, r, row);
      for (std::size_t i = declared; i < row.size(); ++i) {
        const int c = static_cast<int>(i);
        const FieldKind kind = undeclared_[i - declared].kind;
        row[i] = result.IsNull(r, c) ? FieldValue{} : FromText(kind, result.Text(r, c));
      }
      visit(row);
    }
  }

  bool AnyValueIn(std::string_view field) override {
    const PgResult any =
        db_.Exec("SELECT EXISTS (SELECT 1 FROM TAData WHERE " + std::string(field) + " IS NOT NULL)", {});
    return any.Rows() == 1 && any.Text(0, 0) == "t";
  }

  std::string ChangeMark() override {
    // Every insert, edit and deletion changes the count, the edit counts'
    // sum or the last change.
    const PgResult mark = db_.Exec(std::string("SELECT count(*) || '/' || COALESCE(sum(") + kVersionColumn +
                                       "), 0) || '/' || COALESCE(max(" + kChangedColumn + ")::text, '') FROM TAData",
                                   {});
    return mark.Rows() == 1 ? mark.Text(0, 0) : std::string();
  }

  std::string ServerUser() override {
    // A connection keeps its user: asked once.
    if (!server_user_) {
      const PgResult user = db_.Exec("SELECT current_user", {});
      server_user_ = user.Rows() == 1 ? user.Text(0, 0) : std::string();
    }
    return *server_user_;
  }

  void Close() noexcept override {
    prepared_ = false;
    db_.Close();
  }

 private:
  void Create() {
    // A database of another program is not taken over.
    const PgResult tables =
        db_.Exec("SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema()", {});
    if (tables.Rows() == 1 && tables.Text(0, 0) != "0") {
      throw StoreError(Where() + " is not a case table: it holds tables of another program but no table TAData");
    }
    std::string sql = "CREATE TABLE IF NOT EXISTS TAData (";
    for (const FieldInfo& field : CaseFields()) {
      sql += std::string(field.name) + " " + std::string(PgType(field.kind));
      if (field.kind == FieldKind::Key) sql += " PRIMARY KEY";
      sql += ", ";
    }
    sql += std::string(kVersionColumn) + " bigint NOT NULL DEFAULT 1, " + kChangedColumn +
           " timestamptz NOT NULL DEFAULT clock_timestamp())";
    try {
      db_.Exec(sql, {});
    } catch (const StoreError& error) {
      throw StoreError(std::string(error.what()) +
                       "\nThe case table is created the first time a role that may create tables opens it.");
    }
  }

  void AddVersionColumns() {
    db_.Exec(std::string("ALTER TABLE TAData ADD COLUMN IF NOT EXISTS ") + kVersionColumn +
                 " bigint NOT NULL DEFAULT 1, ADD COLUMN IF NOT EXISTS " + kChangedColumn +
                 " timestamptz NOT NULL DEFAULT clock_timestamp()",
             {});
  }

  // Every change of a case is appended to TADataHistory in its transaction;
  // a trigger refuses to update, delete or empty a line of it. A role that
  // may not create it opens the table but can change nothing in it.
  void AddHistoryTable() {
    const auto exists = [this] {
      const PgResult found = db_.Exec(
          "SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema() "
          "AND table_name = 'tadatahistory'",
          {});
      return found.Rows() == 1 && found.Text(0, 0) != "0";
    };
    history_ = exists();
    if (history_) return;
    try {
      db_.Exec("BEGIN");
      db_.Exec(
          "CREATE TABLE IF NOT EXISTS TADataHistory (HISTORY_ID bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
          "SKELETON_ID bigint NOT NULL, SKELETON_NAME text, CHANGED_AT text NOT NULL, ANALYST text, PROGRAM text, "
          "DB_USER text, CHANGE text NOT NULL, FIELD text, OLD_VALUE text, NEW_VALUE text)");
      db_.Exec("CREATE INDEX IF NOT EXISTS TADataHistory_key ON TADataHistory (SKELETON_ID)");
      db_.Exec(
          "CREATE OR REPLACE FUNCTION TADataHistory_kept() RETURNS trigger LANGUAGE plpgsql AS "
          "$$BEGIN RAISE EXCEPTION 'the history of the cases is kept as written'; END$$");
      db_.Exec(
          "CREATE TRIGGER TADataHistory_kept BEFORE UPDATE OR DELETE OR TRUNCATE ON TADataHistory "
          "FOR EACH STATEMENT EXECUTE PROCEDURE TADataHistory_kept()");
      Commit();
      history_ = true;
    } catch (const StoreError& error) {
      if (db_.InTransaction()) {
        try {
          db_.Exec("ROLLBACK");
        } catch (const StoreError&) {
          // The first failure is the one to report.
        }
      }
      history_ = exists();  // made by another writer at the same time
      if (!history_) history_failure_ = error.what();
    }
  }

  void RequireHistory() const {
    if (history_) return;
    throw StoreError(Where() + " has no table TADataHistory for the history of the cases, so nothing can be changed " +
                     "in it (" + history_failure_ + ")\nThe history table is created the first time a role that may " +
                     "create tables opens the case table.");
  }

  PgConnection db_;
  bool prepared_ = false;
  std::optional<std::string> server_user_;  // asked of the server once
  bool history_ = false;
  std::string history_failure_;
};

}  // namespace

std::unique_ptr<CaseStore> OpenPostgresStore(const std::string& conninfo) {
  return std::make_unique<PgCaseStore>(conninfo);
}

}  // namespace vorla
