#pragma once
// What the case table needs of a database, once per kind of database: the
// embedded SQLite file and a PostgreSQL server. The case table keeps the
// current row, its edit state and the notifications; a store only reads and
// writes whole rows, keys and transactions.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "store/CaseHistory.h"
#include "store/FieldValue.h"
#include "store/Schema.h"

namespace vorla {

// No filter, a case number, or a key.
using RowFilter = std::variant<std::monostate, std::string, std::int64_t>;

// Begins the refusal of a table that lacks only fields of later versions,
// which opening adds.
inline constexpr std::string_view kNeedsUpgrade = "Table TAData lacks the later fields ";

// Judges the upper-case names of a stored table's columns: nothing when every
// field is there; the need for the later fields when only those are missing;
// a refusal naming the missing fields otherwise.
void CheckCaseColumns(const std::set<std::string>& columns, const std::string& where);

// A column of the stored table that is none of CaseFields(): the score field
// of a trait of one's own that the parameter set in use no longer declares.
struct UndeclaredColumn {
  std::string name;  // as the table spells it, for statements
  FieldKind kind = FieldKind::Text;
};
// Whether a column of a stored table (upper case) is neither a field of
// CaseFields() nor one a store keeps for itself (the row's edit count).
bool IsUndeclaredColumn(const std::string& upperName);
// The column's name quoted for a statement.
std::string QuotedColumn(const std::string& name);

class CaseStore {
 public:
  virtual ~CaseStore() = default;

  // The file, or the database on its server, for messages; never a password.
  virtual std::string Where() const = 0;
  virtual void Exec(const std::string& sql) = 0;

  // Creates the table when the database has none; refuses a table of another
  // shape (or the need for the later fields, beginning with kNeedsUpgrade).
  virtual void CheckOrCreateTable() = 0;
  virtual void AddField(const FieldInfo& field) = 0;
  virtual void Prepare() = 0;
  virtual void Unprepare() noexcept = 0;

  virtual std::vector<std::int64_t> Keys(const RowFilter& filter) = 0;
  // The row with this key, normalised; false when there is none. The version
  // is the row's edit count where the store keeps one.
  virtual bool ReadRow(std::int64_t key, std::vector<FieldValue>& row, std::optional<std::int64_t>& version) = 0;
  // Stores a new row and returns its key: the next free one, or row[0] when
  // keepKey. The version receives the new row's.
  virtual std::int64_t InsertRow(const std::vector<FieldValue>& row, bool keepKey,
                                 std::optional<std::int64_t>& version) = 0;
  // Rewrites the row with the key row[0]. With an expected version, a row
  // another writer has changed since is refused with RowChangedError; without
  // one it is overwritten. The version receives the stored one.
  virtual void UpdateRow(const std::vector<FieldValue>& row, std::optional<std::int64_t> expected,
                         std::optional<std::int64_t>& version) = 0;

  // One post: its own transaction outside a batch, a nested part of it inside.
  // BeginPost says which; EndPost and AbortPost take that answer.
  virtual bool BeginPost() = 0;
  virtual void EndPost(bool own) = 0;
  virtual void AbortPost(bool own) noexcept = 0;

  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  virtual bool InTransaction() const = 0;

  // Removes the row with this key (none such: nothing happens).
  virtual void DeleteRow(std::int64_t key) = 0;

  // The history table is created with the case table and added to a table
  // that lacks it, where the database may be written; without it every
  // change is refused. Appends the lines of one entry of the case with this
  // key, within the post's transaction, all with the same time (UTC).
  virtual void AppendHistory(std::int64_t key, const std::string& name, const CaseWriter& writer,
                             const std::vector<HistoryItem>& items) = 0;
  // Stores a line as it is (copying a table), under a new HISTORY_ID.
  virtual void InsertHistoryLine(const HistoryLine& line) = 0;
  // The stored lines in the order they were written: all of them, those of
  // a key, or those whose case number is the name.
  virtual void ForEachHistoryLine(const RowFilter& filter, const std::function<void(const HistoryLine&)>& visit) = 0;
  // What a list of cases shows of every row, in key order: the key, the case
  // number ("" for none) and whether results are stored.
  virtual void ForEachListEntry(const std::function<void(std::int64_t, const std::string&, bool)>& visit) = 0;
  // Every stored row in key order, normalised; with the values of the
  // undeclared columns after those of CaseFields() when `withUndeclared`.
  virtual void ForEachRow(const std::function<void(const std::vector<FieldValue>&)>& visit,
                          bool withUndeclared = false) = 0;
  // The undeclared columns of the table, in its order, as CheckOrCreateTable found them.
  const std::vector<UndeclaredColumn>& Undeclared() const { return undeclared_; }
  // Whether any stored row has a value in the field (a name of CaseFields()).
  virtual bool AnyValueIn(std::string_view field) = 0;
  // A mark that differs from the one taken before when another writer has
  // changed the table in the meantime.
  virtual std::string ChangeMark() = 0;
  // The user name the server knows this connection by; empty for a file.
  virtual std::string ServerUser() { return {}; }
  virtual void SetBusyTimeout(std::chrono::milliseconds) {}
  virtual void Close() noexcept = 0;

 protected:
  std::vector<UndeclaredColumn> undeclared_;
};

std::unique_ptr<CaseStore> OpenSqliteStore(const std::string& file);
std::unique_ptr<CaseStore> OpenPostgresStore(const std::string& conninfo);

}  // namespace vorla
