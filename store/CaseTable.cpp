// Opening, upgrading and closing the case table; statements and batches.
#include "store/CaseTable.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "store/CaseLocation.h"
#include "store/Schema.h"

namespace vorla {
namespace {

constexpr std::chrono::milliseconds kPauseAfterUpgrade{200};

}  // namespace

CaseTable::CaseTable()
    : display_formats_(CaseFields().size()),
      sleeper_([](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }),
      writer_(DefaultCaseWriter()) {}

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
  // The fields of one's own traits are those declared when the table opens.
  display_formats_.resize(CaseFields().size());
  const CaseLocation location = ResolveCaseLocation(directory);
  store_ = location.server ? OpenPostgresStore(location.target) : OpenSqliteStore(location.target);
  store_->SetBusyTimeout(busy_timeout_);
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
          if (message.find(field.name, kNeedsUpgrade.size()) != std::string_view::npos) store_->AddField(field);
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
    store_->CheckOrCreateTable();
    store_->Prepare();
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

void CaseTable::CloseTable() noexcept {
  table_open_ = false;
  if (store_) store_->Unprepare();
  version_.reset();
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
  if (store_) store_->Close();
  store_.reset();
}

void CaseTable::ExecSql(const std::string& statement) {
  if (!store_) throw StoreError("The database is not open");
  store_->Exec(statement);
}

void CaseTable::SetBusyTimeout(std::chrono::milliseconds timeout) {
  busy_timeout_ = timeout;
  if (store_) store_->SetBusyTimeout(timeout);
}

std::string CaseTable::Where() const {
  return store_ ? store_->Where() : std::string();
}

std::string CaseTable::ServerUser() const {
  return store_ ? store_->ServerUser() : std::string();
}

void CaseTable::RequireOpen() const {
  if (!table_open_) throw StoreError("The case table is not open");
}

void CaseTable::BeginTransaction() {
  RequireOpen();
  store_->Begin();
}

void CaseTable::Commit() {
  RequireOpen();
  store_->Commit();
}

void CaseTable::Rollback() {
  RequireOpen();
  store_->Rollback();
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
  return store_ && store_->InTransaction();
}

void CaseTable::ForEachListEntry(const std::function<void(const ListEntry&)>& visit) const {
  RequireOpen();
  // Only the columns a list shows: the combined estimate stands for results.
  ListEntry entry;
  store_->ForEachListEntry([&](std::int64_t key, const std::string& name, bool hasResults) {
    entry.key = key;
    entry.name = name;
    entry.hasResults = hasResults;
    visit(entry);
  });
}

void CaseTable::ForEachStoredRow(const std::function<void(const std::vector<FieldValue>&)>& visit) const {
  RequireOpen();
  store_->ForEachRow(visit);
}

std::vector<std::string> CaseTable::UndeclaredColumns() const {
  RequireOpen();
  std::vector<std::string> names;
  for (const UndeclaredColumn& column : store_->Undeclared()) names.push_back(UpperAscii(column.name));
  return names;
}

void CaseTable::ForEachWholeStoredRow(const std::function<void(const std::vector<FieldValue>&)>& visit) const {
  RequireOpen();
  store_->ForEachRow(visit, true);
}

bool CaseTable::AnyStoredValueIn(std::string_view field) const {
  RequireOpen();
  if (FindCaseField(field) < 0) throw StoreError("Field " + std::string(field) + " not found");
  return store_->AnyValueIn(field);
}

void CaseTable::InsertStoredRow(const std::vector<FieldValue>& row, const std::string& origin) {
  RequireOpen();
  if (row.size() != CaseFields().size() || !std::holds_alternative<std::int64_t>(row[0])) {
    throw StoreError("A stored row needs every field and its SKELETON_ID");
  }
  std::optional<std::int64_t> version;
  const bool own = store_->BeginPost();
  try {
    store_->InsertRow(row, true, version);
    const auto name = std::get_if<std::string>(&row[static_cast<std::size_t>(FindCaseField(kNameField))]);
    store_->AppendHistory(std::get<std::int64_t>(row[0]), name ? *name : std::string(), writer_,
                          DescribePost(nullptr, row, origin.empty() ? "copied" : origin));
    store_->EndPost(own);
  } catch (...) {
    store_->AbortPost(own);
    throw;
  }
  const std::int64_t key = std::get<std::int64_t>(row[0]);
  const auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
  if (!Filtered() && (at == keys_.end() || *at != key)) {
    // The current row keeps its place.
    const bool before = pos_ >= 0 && at - keys_.begin() <= pos_;
    keys_.insert(at, key);
    if (before) ++pos_;
  }
}

void CaseTable::ForEachHistoryLine(const RowFilter& filter,
                                   const std::function<void(const HistoryLine&)>& visit) const {
  RequireOpen();
  store_->ForEachHistoryLine(filter, visit);
}

void CaseTable::InsertHistoryLine(const HistoryLine& line) {
  RequireOpen();
  const bool own = store_->BeginPost();
  try {
    store_->InsertHistoryLine(line);
    store_->EndPost(own);
  } catch (...) {
    store_->AbortPost(own);
    throw;
  }
}

}  // namespace vorla
