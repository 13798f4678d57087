#pragma once
// Thin owners of an SQLite connection and of a prepared statement, turning
// every failure into a StoreError that carries SQLite's message.
#include <cstdint>
#include <string>
#include <string_view>

#include "store/FieldValue.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vorla {

class SqliteDb {
 public:
  SqliteDb() = default;
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  // Opens the file, creating it when missing. A database another program
  // holds is waited for (SetBusyTimeout, by default 5 seconds) before a
  // failure says that it is held by another program.
  void Open(const std::string& path);
  void SetBusyTimeout(int milliseconds);
  // Closes the connection; an open transaction is rolled back. Never fails.
  void Close() noexcept;
  bool IsOpen() const { return db_ != nullptr; }
  sqlite3* Handle() const { return db_; }
  // The file of the open database; empty when none is open.
  std::string FileName() const;

  // Runs exactly one statement to its end; text after it other than blanks
  // and a closing ';' is refused.
  void ExecOne(std::string_view sql);
  std::int64_t LastInsertRowId() const;
  // A transaction is open (BEGIN or an outer savepoint).
  bool InTransaction() const;
  int Changes() const;
  // The file could be opened for reading only.
  bool ReadOnly() const;

  [[noreturn]] void Fail(std::string_view context) const;

 private:
  sqlite3* db_ = nullptr;
  int busy_timeout_ms_ = 5000;
};

class Statement {
 public:
  Statement() = default;
  Statement(const SqliteDb& db, std::string_view sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool IsPrepared() const { return stmt_ != nullptr; }

  // One step: true while it yields a row, false when done. On failure the
  // statement is reset and a StoreError thrown.
  bool Step();
  // Ready for the next run, bindings cleared.
  void Reset() noexcept;

  // Parameters are numbered from 1.
  void Bind(int index, const FieldValue& value);
  void BindInt64(int index, std::int64_t value);
  void BindText(int index, std::string_view value);

  // Columns are numbered from 0.
  FieldValue Column(int index) const;
  std::int64_t ColumnInt64(int index) const;
  std::string ColumnText(int index) const;
  int ColumnCount() const;

 private:
  [[noreturn]] void Fail(std::string_view context);

  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace vorla
