#include "store/Sqlite.h"

#include <sqlite3.h>

#include <filesystem>
#include <limits>
#include <utility>

#include "store/StoreError.h"

namespace vorla {

namespace {

// SQLite's message for a failure, with the file it concerns; a database that
// stayed busy past the timeout is said to be held by another program.
std::string FailureText(sqlite3* db, std::string_view context) {
  const char* name = db != nullptr ? sqlite3_db_filename(db, "main") : nullptr;
  const std::string file = name != nullptr && *name != '\0' ? name : "the database";
  const int code = db != nullptr ? (sqlite3_extended_errcode(db) & 0xff) : SQLITE_OK;
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
    return file + " is held by another program (" + sqlite3_errmsg(db) +
           "); close it there, or wait until it is done, and try again";
  std::string message = file + ": ";
  message += context;
  message += ": ";
  message += db != nullptr ? sqlite3_errmsg(db) : "the database is not open";
  return message;
}

}  // namespace

SqliteDb::~SqliteDb() {
  Close();
}

void SqliteDb::Open(const std::string& path) {
  Close();
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    // SQLite takes a file whose full path leaves room for the name of its
    // journal beside it ("-journal"); a longer one it cannot open, and says
    // only that.
    const sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    std::error_code error;
    const std::string full = std::filesystem::absolute(path, error).string();
    if (vfs != nullptr && !error && full.size() + 8 > static_cast<std::size_t>(vfs->mxPathname))
      message = "the path is too long (" + std::to_string(full.size()) + " characters; the database takes at most " +
                std::to_string(vfs->mxPathname - 8) + ")";
    throw StoreError("Cannot open the database '" + path + "': " + message);
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, busy_timeout_ms_);
  db_ = db;
}

bool SqliteDb::ReadOnly() const {
  return db_ != nullptr && sqlite3_db_readonly(db_, "main") == 1;
}

void SqliteDb::SetBusyTimeout(int milliseconds) {
  busy_timeout_ms_ = milliseconds;
  if (db_ != nullptr) sqlite3_busy_timeout(db_, milliseconds);
}

void SqliteDb::Close() noexcept {
  if (db_ == nullptr) return;
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SqliteDb::ExecOne(std::string_view sql) {
  if (db_ == nullptr) throw StoreError("The database is not open");
  if (sql.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    throw StoreError("The statement is too long");
  }
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, &tail) != SQLITE_OK) {
    Fail("Cannot prepare the statement");
  }
  const std::string_view rest(tail, static_cast<std::size_t>(sql.data() + sql.size() - tail));
  if (rest.find_first_not_of(" \t\r\n;") != std::string_view::npos) {
    sqlite3_finalize(stmt);
    throw StoreError("Only one statement can be run at a time");
  }
  if (stmt == nullptr) return;  // nothing but blanks or a comment
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) Fail("The statement failed");
}

std::string SqliteDb::FileName() const {
  const char* name = db_ != nullptr ? sqlite3_db_filename(db_, "main") : nullptr;
  return name != nullptr ? name : "";
}

std::int64_t SqliteDb::LastInsertRowId() const {
  return sqlite3_last_insert_rowid(db_);
}

bool SqliteDb::InTransaction() const {
  return db_ != nullptr && sqlite3_get_autocommit(db_) == 0;
}

int SqliteDb::Changes() const {
  return sqlite3_changes(db_);
}

void SqliteDb::Fail(std::string_view context) const {
  throw StoreError(FailureText(db_, context));
}

Statement::Statement(const SqliteDb& db, std::string_view sql) : db_(db.Handle()) {
  if (db_ == nullptr) throw StoreError("The database is not open");
  if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) !=
      SQLITE_OK) {
    stmt_ = nullptr;
    db.Fail("Cannot prepare a statement");
  }
}

Statement::~Statement() {
  sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    db_ = std::exchange(other.db_, nullptr);
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Fail("The database refused the operation");
}

void Statement::Reset() noexcept {
  if (stmt_ == nullptr) return;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

void Statement::Bind(int index, const FieldValue& value) {
  int rc = SQLITE_OK;
  if (const auto* i = std::get_if<std::int64_t>(&value)) {
    rc = sqlite3_bind_int64(stmt_, index, *i);
  } else if (const auto* d = std::get_if<double>(&value)) {
    rc = sqlite3_bind_double(stmt_, index, *d);
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    BindText(index, *s);
  } else {
    rc = sqlite3_bind_null(stmt_, index);
  }
  if (rc != SQLITE_OK) Fail("Cannot bind a value");
}

void Statement::BindInt64(int index, std::int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) Fail("Cannot bind a value");
}

void Statement::BindText(int index, std::string_view value) {
  // A null pointer would bind SQL NULL; an empty text stays a text.
  const char* data = value.data() != nullptr ? value.data() : "";
  if (sqlite3_bind_text64(stmt_, index, data, value.size(), SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK) {
    Fail("Cannot bind a value");
  }
}

FieldValue Statement::Column(int index) const {
  switch (sqlite3_column_type(stmt_, index)) {
    case SQLITE_INTEGER:
      return static_cast<std::int64_t>(sqlite3_column_int64(stmt_, index));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt_, index);
    case SQLITE_NULL:
      return std::monostate{};
    default:
      return ColumnText(index);
  }
}

std::int64_t Statement::ColumnInt64(int index) const {
  return sqlite3_column_int64(stmt_, index);
}

std::string Statement::ColumnText(int index) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
  const int size = sqlite3_column_bytes(stmt_, index);
  return text == nullptr ? std::string() : std::string(text, static_cast<std::size_t>(size));
}

int Statement::ColumnCount() const {
  return sqlite3_column_count(stmt_);
}

void Statement::Fail(std::string_view context) {
  const std::string message = FailureText(db_, context);
  sqlite3_reset(stmt_);
  throw StoreError(message);
}

}  // namespace vorla
