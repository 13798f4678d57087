#pragma once
// The case table TAData: one SQLite file TAData.db in a directory, or the
// table on a PostgreSQL server that the folder's TAData.conn or a connection
// URI names, seen as a list of rows ordered by SKELETON_ID with one current row. The current row is
// browsed, edited or, when new, inserted; it is written to the file only by
// Post. Moving to another row first posts the row being left when something
// was written into it, and drops it when nothing was (so an untouched new row
// is not stored and nothing typed is lost).
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "store/CaseHistory.h"
#include "store/CaseRow.h"
#include "store/CaseStore.h"
#include "store/FieldValue.h"
#include "store/StoreError.h"

namespace vorla {

class CaseTable final : public CaseRow {
 public:
  enum class RowState { Browse, Edit, Insert };
  using Notification = std::function<void()>;
  using Sleeper = std::function<void(std::chrono::milliseconds)>;

  CaseTable();
  ~CaseTable() override;
  CaseTable(const CaseTable&) = delete;
  CaseTable& operator=(const CaseTable&) = delete;

  // --- Opening and closing -------------------------------------------------

  // Opens (or creates) TAData.db in the directory, or connects to the server
  // that the directory's TAData.conn names or that a connection URI given
  // instead of the directory names; creates the table when the database has
  // none, and makes the first row current. A table without the notes
  // field is given it and opened again after a pause; any other database
  // failure of the first opening gets one more attempt. A failure of the
  // second opening is thrown, and the table is then closed.
  void Open(const std::string& directory);
  // Open, then the edit state on the current row (a new row when the table
  // has none) and the display formats of the window.
  void OpenAtStartUp(const std::string& directory);
  // Closes the table and the connection. A row still being edited is not
  // posted. Failures are ignored.
  void Close() noexcept;
  bool IsOpen() const { return table_open_; }

  // Runs one SQL statement on the connection.
  void ExecSql(const std::string& statement);

  // How long a database held by another program is waited for before the
  // failure says so (default: 5 seconds).
  void SetBusyTimeout(std::chrono::milliseconds timeout);
  // The file or the database on its server, for messages; never a password.
  std::string Where() const;
  // The user name of the connection on a server (the history's DB_USER); empty for a file.
  std::string ServerUser() const;
  // How the pause after the upgrade is taken (default: the thread sleeps).
  void SetSleeper(Sleeper sleeper);
  // Called just before every attempt to open the table (1, then 2).
  void SetBeforeOpenTable(std::function<void(int attempt)> hook);

  // --- Current row ---------------------------------------------------------

  RowState State() const { return state_; }
  // Something was written into the row since it entered the edit or insert state.
  bool Modified() const { return modified_; }

  void First();
  void Prior();
  void Next();
  void Last();
  // Prior on the first row sets Bof, Next on the last row sets Eof; neither moves.
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  // Stored rows that the filter lets through.
  int RecordCount() const { return static_cast<int>(keys_.size()); }
  bool IsEmpty() const { return keys_.empty(); }
  // Position of the current row from 1; 0 for a new row or when there is none.
  int RecNo() const;

  // A failed locate leaves the current row where it was.
  bool LocateId(std::int32_t id) override;
  // Exact, case-sensitive match of the whole SKELETON_NAME; the first such row
  // by key. An empty name finds a row whose name is empty.
  bool LocateName(const std::string& name);

  // A new empty row, current, in the insert state; its key comes with Post.
  void Append();
  // Nothing when already editing. On a table without rows it starts a new
  // row, except while the current row is being left (a before-scroll
  // notification), when there is nothing to edit and nothing happens.
  void Edit() override;
  // Writes the row in one transaction (or within the caller's batch). A new
  // row receives its SKELETON_ID and stays current. Nothing in the browse state.
  // A row that another writer changed since it was read is refused with
  // RowChangedError (on a server, which counts each row's edits); the row
  // keeps its edit state and what was written into it.
  void Post() override;
  // Post, writing over whatever another writer stored in the meantime.
  void PostOverwriting();
  // Drops the edit and reads the row again as it is stored now.
  void ReloadRow();
  // Drops what was written since Edit; a new row is dropped altogether.
  void Cancel();
  // What leaving the row does: post it when modified, otherwise drop it.
  void SavePendingRow();
  // Removes the current stored row from the file, with what was typed into
  // it; a new row is dropped. The next row becomes current, or the one
  // before it when it was the last.
  void DeleteCurrent();
  // Reads the rows again, as another connection may have written them: the
  // current row stays current (by key) when it is still stored. A row being
  // edited is settled first, as when it is left.
  void Refresh();
  // Takes what other writers stored since the table last looked, and says
  // whether there was anything: the keys are read again (the current row
  // stays current by key) and the current row is read again as stored,
  // unless something was written into it, it is new, or keepCurrentRow. A
  // kept edit is not lost: its post meets the other writer's change. A
  // current row that another writer deleted gives way to its neighbour.
  // Nothing happens inside a transaction or while the row is being left.
  bool FollowOtherWriters(bool keepCurrentRow);

  // --- Fields of the current row, by name without regard to case ----------

  bool FieldIsNull(const FieldKey& field) const override;
  std::int32_t FieldAsInteger(const FieldKey& field) const override;
  std::string FieldAsText(const FieldKey& field) const override;
  // At most the first `most` bytes of FieldAsText, cut before a UTF-8
  // character that would not fit whole; a long text is not copied whole.
  std::string FieldTextStart(const FieldKey& field, std::size_t most) const;
  double FieldAsFloat(const FieldKey& field) const override;
  FieldValue FieldAsValue(const FieldKey& field) const;

  // Writing needs the edit or insert state ("Table is not in edit mode");
  // SKELETON_ID is never written.
  void SetFieldInteger(const FieldKey& field, std::int32_t value) override;
  // A value that is not finite is refused; into an integer field the value
  // goes rounded to the nearest (halves to the even neighbour).
  void SetFieldFloat(const FieldKey& field, double value) override;
  // Converted for numeric fields; an empty or blank text empties the field.
  void SetFieldText(const FieldKey& field, const std::string& value) override;
  void SetFieldNull(const FieldKey& field) override;
  // Gives the field back the value it had when the edit began (a new row's
  // fields are empty); a stored row given back all its values is no longer
  // modified. Nothing in the browse state.
  void RestoreField(const FieldKey& field);

  // The current row's values in the order of CaseFields().
  const std::vector<FieldValue>& CurrentValues() const;

  // An empty format shows the field's text as it is.
  void SetDisplayFormat(const std::string& field, const std::string& format);
  std::string DisplayText(const std::string& field) const;

  // --- Filter ---------------------------------------------------------------

  // Only rows whose SKELETON_NAME equals the name (matched as LocateName
  // does); the first of them becomes current.
  void SetNameFilter(const std::string& name);
  // The keys of every stored row with this case number (matched as
  // LocateName does), whatever the filter, in key order.
  std::vector<std::int64_t> KeysNamed(const std::string& name) const;
  // Only the row with this SKELETON_ID, which becomes current.
  void SetKeyFilter(std::int64_t key);
  void ClearFilter();
  bool Filtered() const { return filter_.index() != 0; }

  // --- Notifications --------------------------------------------------------

  // Before the current row changes (after the row being left was posted or
  // dropped) and after it has changed: navigation, locate, append and the
  // filter fire both; Open fires only the second. What a before-scroll
  // callback writes into the row being left is posted before the move.
  // Callbacks cannot move the table themselves while the row is being left.
  void AddBeforeScroll(Notification callback);
  void AddAfterScroll(Notification callback);

  // --- Batches ----------------------------------------------------------------

  // Posts between BeginTransaction and Commit are written together. Rollback
  // undoes them and reloads the rows; the current row stays when it still exists.
  void BeginTransaction();
  void Commit();
  void Rollback();
  bool InTransaction() const;

  // What a list of cases shows of every stored row, in key order, whatever
  // the filter: the key, the case number, and whether results are stored.
  struct ListEntry {
    std::int64_t key = 0;
    std::string name;
    bool hasResults = false;
  };
  void ForEachListEntry(const std::function<void(const ListEntry&)>& visit) const;

  // Every stored row in key order, as last posted, whatever the filter.
  void ForEachStoredRow(const std::function<void(const std::vector<FieldValue>&)>& visit) const;
  // The names (upper case) of the table's columns that are none of
  // CaseFields(): score fields of traits of one's own that the parameter set
  // in use no longer declares. The table keeps them; only the rows read
  // whole below carry their values.
  std::vector<std::string> UndeclaredColumns() const;
  // The same rows with the values of those columns after the fields.
  void ForEachWholeStoredRow(const std::function<void(const std::vector<FieldValue>&)>& visit) const;
  // Whether any stored row has a value in this field of CaseFields().
  bool AnyStoredValueIn(std::string_view field) const;
  // Stores a whole row with its own SKELETON_ID (copying a table); the
  // current row does not move. Its history entry names the origin.
  void InsertStoredRow(const std::vector<FieldValue>& row, const std::string& origin = "copied");

  // --- History ----------------------------------------------------------------

  // Who and what the changes from now on are recorded as written by
  // (default: DefaultCaseWriter() when the table was made).
  void SetWriter(CaseWriter writer) { writer_ = std::move(writer); }
  const CaseWriter& Writer() const { return writer_; }
  // While not empty, a new row that is posted is recorded as coming from
  // this origin ("imported from 'cases.csv', line 4") rather than field by field.
  void SetNewRowOrigin(std::string origin) { new_row_origin_ = std::move(origin); }
  // The stored history lines in the order written, whatever the filter of the
  // rows: all (no filter), those of a key, or those of a case number.
  void ForEachHistoryLine(const RowFilter& filter, const std::function<void(const HistoryLine&)>& visit) const;
  // Stores a line of another table's history (copying a table) as it is.
  void InsertHistoryLine(const HistoryLine& line);

 private:
  void OpenTableAttempt(int attempt);
  void CheckOrCreateTable();
  void CloseTable() noexcept;

  void RequireOpen() const;
  void RequireNotLeaving() const;
  int FieldIndex(const FieldKey& field) const;
  const FieldValue& Value(const FieldKey& field, int* index = nullptr) const;
  void Write(int index, FieldValue value);
  int WritableField(const FieldKey& field) const;

  void ApplyFilter(const RowFilter& filter);
  void LoadKeys();
  void LoadCurrent();
  void EmptyRow();
  void PostRow(bool overwrite);
  // Settles the row being left, notifies, moves and loads the new row.
  template <typename Move>
  void Scroll(Move move, bool reloads_keys = false);
  void FireBeforeScroll();
  void FireAfterScroll();
  // Makes the stored row at this index of the visible keys current.
  void MoveToKeyIndex(int index);

  std::unique_ptr<CaseStore> store_;
  bool table_open_ = false;
  std::chrono::milliseconds busy_timeout_{5000};
  std::optional<std::int64_t> version_;  // the current row's edit count as read, where the store keeps one

  std::vector<std::int64_t> keys_;     // stored rows the filter lets through, ascending
  std::string change_mark_;            // the store's change mark when the keys were read
  int pos_ = -1;                       // index into keys_ of the current stored row; -1 when none
  std::vector<FieldValue> row_;        // the current row as read or being edited
  std::vector<FieldValue> saved_row_;  // the row as it was when Edit began
  RowState state_ = RowState::Browse;
  bool modified_ = false;
  bool bof_ = true;
  bool eof_ = true;
  RowFilter filter_;
  std::vector<std::string> display_formats_;

  std::vector<Notification> before_scroll_;
  std::vector<Notification> after_scroll_;
  int leaving_depth_ = 0;  // inside before-scroll notifications

  Sleeper sleeper_;
  std::function<void(int)> before_open_table_;

  CaseWriter writer_;
  std::string new_row_origin_;
};

}  // namespace vorla
