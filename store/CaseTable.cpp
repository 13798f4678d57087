// Opening, upgrading and closing the case table; statements and batches.
#include "store/CaseTable.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "store/Schema.h"

namespace vorla {
namespace {

constexpr std::chrono::milliseconds kPauseAfterUpgrade{200};
// What the first opening of a table from before the notes field says; only
// then is the table upgraded.
// Begins the refusal of a table that lacks only fields of later versions,
// which opening adds.
constexpr std::string_view kNeedsUpgrade = "Table TAData lacks the later fields ";

std::string ColumnList() {
  std::string list;
  for (const FieldInfo& field : CaseFields()) {
    if (!list.empty()) list += ", ";
    list += field.name;
  }
  return list;
}

}  // namespace

CaseTable::CaseTable()
    : display_formats_(CaseFields().size()),
      sleeper_([](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }) {}

CaseTable::~CaseTable() {
  Close();
}

void CaseTable::SetSleeper(Sleeper sleeper) {
  sleeper_ = std::move(sleeper);
}

void CaseTable::SetBeforeOpenTable(std::function<void(int attempt)> hook) {
  before_open_table_ = std::move(hook);
}

void CaseTable::Open(const std::string& directory) {
  Close();
  const std::filesystem::path folder = directory.empty() ? "." : directory;
  db_.Open((folder / std::string(kCaseFileName)).string());
  try {
    try {
      OpenTableAttempt(1);
    } catch (const StoreError& error) {
      // A table of an older version: add the fields it lacks, give the file a
      // moment, then open again. Any other database failure gets the second
      // attempt without a statement.
      const std::string_view message = error.what();
      const bool upgraded = message.starts_with(kNeedsUpgrade);
      if (upgraded) {
        CloseTable();
        for (const FieldInfo& field : UpgradeFields())
          if (message.find(field.name, kNeedsUpgrade.size()) != std::string_view::npos) ExecSql(AddFieldSql(field));
      }
      if (upgraded && sleeper_) sleeper_(kPauseAfterUpgrade);
      OpenTableAttempt(2);
    }
  } catch (...) {
    Close();
    throw;
  }
  FireAfterScroll();
}

void CaseTable::OpenAtStartUp(const std::string& directory) {
  Open(directory);
  Edit();
  SetDisplayFormat("RES_ALL_CHI2_P", " 0.00 ");
  SetDisplayFormat("RES_AUR_CHI2_P", " 0.00 ");
  SetDisplayFormat("RES_CRA_CHI2_P", " 0.00 ");
  SetDisplayFormat("RES_PUB_CHI2_P", " 0.00 ");
  SetDisplayFormat("RES_ALLCOR_MAX_LIKELIHOOD", " 0.0 ");
}

void CaseTable::OpenTableAttempt(int attempt) {
  if (before_open_table_) before_open_table_(attempt);
  try {
    CheckOrCreateTable();
    PrepareStatements();
    filter_ = {};
    LoadKeys();
    pos_ = keys_.empty() ? -1 : 0;
    state_ = RowState::Browse;
    modified_ = false;
    bof_ = true;
    eof_ = keys_.empty();
    LoadCurrent();
  } catch (...) {
    CloseTable();
    throw;
  }
  table_open_ = true;
}

void CaseTable::CheckOrCreateTable() {
  struct Column {
    std::string type;
    bool primary_key;
  };
  std::unordered_map<std::string, Column> columns;
  {
    Statement info(db_, "PRAGMA table_info(TAData)");
    while (info.Step()) {
      columns[UpperAscii(info.ColumnText(1))] = {UpperAscii(info.ColumnText(2)), info.ColumnInt64(5) != 0};
    }
  }
  if (columns.empty()) {
    // A database of another program is not taken over.
    Statement tables(
        db_, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!'");
    if (tables.Step() && tables.ColumnInt64(0) > 0) {
      throw StoreError(db_.FileName() + " is not a case table: it holds tables of another program but no table TAData");
    }
    db_.ExecOne(CreateCaseTableSql());
    return;
  }
  std::vector<std::string_view> absent;
  for (const FieldInfo& field : CaseFields())
    if (columns.count(UpperAscii(field.name)) == 0) absent.push_back(field.name);
  std::string missing;
  for (const std::string_view name : absent) missing += (missing.empty() ? "" : ", ") + std::string(name);
  // A table of an older version lacks only fields that came later: it is
  // upgraded. Any other incomplete table is refused as it is, unchanged.
  const auto later = UpgradeFields();
  const auto isLater = [&later](std::string_view name) {
    return std::any_of(later.begin(), later.end(), [name](const FieldInfo& f) { return f.name == name; });
  };
  if (!absent.empty() && std::all_of(absent.begin(), absent.end(), isLater))
    throw StoreError(std::string(kNeedsUpgrade) + missing);
  if (!absent.empty()) {
    throw StoreError(db_.FileName() + ": table TAData has no field" + std::string(absent.size() > 1 ? "s " : " ") +
                     missing);
  }
  // Keys are handed out by SQLite only when the key column is the row's own id.
  const Column& key = columns.at(std::string(kKeyField));
  if (key.type != "INTEGER" || !key.primary_key) {
    throw StoreError(db_.FileName() + ": field SKELETON_ID of table TAData is not an INTEGER PRIMARY KEY");
  }
}

void CaseTable::PrepareStatements() {
  const auto fields = CaseFields();
  std::string insert_columns;
  std::string placeholders;
  std::string assignments;
  for (std::size_t i = 1; i < fields.size(); ++i) {
    if (i > 1) {
      insert_columns += ", ";
      placeholders += ", ";
      assignments += ", ";
    }
    insert_columns += fields[i].name;
    placeholders += '?';
    assignments += std::string(fields[i].name) + " = ?";
  }
  select_row_ = Statement(db_, "SELECT " + ColumnList() + " FROM TAData WHERE SKELETON_ID = ?");
  insert_row_ = Statement(db_, "INSERT INTO TAData (" + insert_columns + ") VALUES (" + placeholders + ")");
  update_row_ = Statement(db_, "UPDATE TAData SET " + assignments + " WHERE SKELETON_ID = ?");
  savepoint_ = Statement(db_, "SAVEPOINT vorla_post");
  release_ = Statement(db_, "RELEASE vorla_post");
  rollback_to_ = Statement(db_, "ROLLBACK TO vorla_post");
}

void CaseTable::CloseTable() noexcept {
  table_open_ = false;
  select_row_ = Statement();
  insert_row_ = Statement();
  update_row_ = Statement();
  savepoint_ = Statement();
  release_ = Statement();
  rollback_to_ = Statement();
  keys_.clear();
  pos_ = -1;
  row_.clear();
  saved_row_.clear();
  state_ = RowState::Browse;
  modified_ = false;
  bof_ = true;
  eof_ = true;
  filter_ = {};
}

void CaseTable::Close() noexcept {
  CloseTable();
  db_.Close();
}

void CaseTable::ExecSql(const std::string& statement) {
  db_.ExecOne(statement);
}

void CaseTable::RequireOpen() const {
  if (!table_open_) throw StoreError("The case table is not open");
}

void CaseTable::BeginTransaction() {
  RequireOpen();
  db_.ExecOne("BEGIN");
}

void CaseTable::Commit() {
  RequireOpen();
  db_.ExecOne("COMMIT");
}

void CaseTable::Rollback() {
  RequireOpen();
  db_.ExecOne("ROLLBACK");
  // Rows posted in the batch are gone: start again from what is stored.
  const std::int64_t current = pos_ >= 0 ? keys_[static_cast<std::size_t>(pos_)] : -1;
  LoadKeys();
  pos_ = keys_.empty() ? -1 : 0;
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] == current) pos_ = static_cast<int>(i);
  }
  state_ = RowState::Browse;
  modified_ = false;
  bof_ = keys_.empty();
  eof_ = keys_.empty();
  LoadCurrent();
}

bool CaseTable::InTransaction() const {
  return db_.InTransaction();
}

void CaseTable::ForEachListEntry(const std::function<void(const ListEntry&)>& visit) const {
  RequireOpen();
  // Only the columns a list shows: the combined estimate stands for results.
  Statement rows(db_,
                 "SELECT SKELETON_ID, SKELETON_NAME, RES_ALL_MAX_LIKELIHOOD IS NOT NULL FROM TAData "
                 "ORDER BY SKELETON_ID");
  ListEntry entry;
  while (rows.Step()) {
    entry.key = rows.ColumnInt64(0);
    entry.name = rows.ColumnText(1);
    entry.hasResults = rows.ColumnInt64(2) != 0;
    visit(entry);
  }
}

void CaseTable::ForEachStoredRow(const std::function<void(const std::vector<FieldValue>&)>& visit) const {
  RequireOpen();
  Statement rows(db_, "SELECT " + ColumnList() + " FROM TAData ORDER BY SKELETON_ID");
  const auto fields = CaseFields();
  std::vector<FieldValue> row(fields.size());
  while (rows.Step()) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      row[i] = NormalizeValue(fields[i].kind, rows.Column(static_cast<int>(i)));
    }
    visit(row);
  }
}

}  // namespace vorla
