// The current row: moving, locating, filtering, editing, posting and the
// notifications around a change of row.
#include <algorithm>
#include <limits>

#include "store/CaseTable.h"
#include "store/Schema.h"

namespace vorla {
namespace {

// The whole name, case-sensitive; an empty name is an empty field, so it
// also matches rows whose name was never written.
constexpr const char* kNameMatch = " WHERE (SKELETON_NAME = ?1 OR (?1 = '' AND SKELETON_NAME IS NULL))";

// Counts the depth of before-scroll notifications for as long as it lives.
class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

void CaseTable::RequireNotLeaving() const {
  if (leaving_depth_ > 0) {
    throw StoreError("The current row cannot be changed while it is being left");
  }
}

void CaseTable::LoadKeys() {
  std::string sql = "SELECT SKELETON_ID FROM TAData";
  const auto* name = std::get_if<std::string>(&filter_);
  const auto* key = std::get_if<std::int64_t>(&filter_);
  if (name) sql += kNameMatch;
  if (key) sql += " WHERE SKELETON_ID = ?1";
  sql += " ORDER BY SKELETON_ID";
  Statement query(db_, sql);
  if (name) query.BindText(1, *name);
  if (key) query.BindInt64(1, *key);
  std::vector<std::int64_t> keys;
  while (query.Step()) keys.push_back(query.ColumnInt64(0));
  keys_ = std::move(keys);
}

void CaseTable::EmptyRow() {
  row_.assign(CaseFields().size(), std::monostate{});
}

void CaseTable::LoadCurrent() {
  const auto fields = CaseFields();
  std::vector<FieldValue> row(fields.size());
  if (pos_ >= 0) {
    const std::int64_t key = keys_[static_cast<std::size_t>(pos_)];
    select_row_.BindInt64(1, key);
    try {
      if (select_row_.Step()) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
          row[i] = NormalizeValue(fields[i].kind, select_row_.Column(static_cast<int>(i)));
        }
      } else {
        row[0] = key;  // gone from the file; a later Post reports it
      }
    } catch (...) {
      select_row_.Reset();
      throw;
    }
    select_row_.Reset();
  }
  row_ = std::move(row);  // only a row read whole replaces the current one
}

int CaseTable::RecNo() const {
  if (state_ == RowState::Insert || pos_ < 0) return 0;
  return pos_ + 1;
}

void CaseTable::AddBeforeScroll(Notification callback) {
  before_scroll_.push_back(std::move(callback));
}

void CaseTable::AddAfterScroll(Notification callback) {
  after_scroll_.push_back(std::move(callback));
}

void CaseTable::FireBeforeScroll() {
  DepthGuard guard(leaving_depth_);
  const auto callbacks = before_scroll_;  // a callback may register another
  for (const auto& callback : callbacks) {
    if (callback) callback();
  }
}

void CaseTable::FireAfterScroll() {
  const auto callbacks = after_scroll_;
  for (const auto& callback : callbacks) {
    if (callback) callback();
  }
}

template <typename Move>
void CaseTable::Scroll(Move move, bool reloads_keys) {
  RequireOpen();
  RequireNotLeaving();
  SavePendingRow();
  FireBeforeScroll();
  SavePendingRow();  // what a notification wrote into the row it leaves
  // A move that cannot read its new row leaves the table where it was.
  std::vector<std::int64_t> keys;
  if (reloads_keys) keys = keys_;
  const auto filter = filter_;
  const int pos = pos_;
  const bool bof = bof_;
  const bool eof = eof_;
  try {
    move();
    if (state_ == RowState::Insert) {
      EmptyRow();  // a new row; pos_ stays the row to return to when it is dropped
    } else {
      LoadCurrent();
    }
  } catch (...) {
    if (reloads_keys) keys_ = std::move(keys);
    filter_ = filter;
    pos_ = pos;
    bof_ = bof;
    eof_ = eof;
    state_ = RowState::Browse;
    throw;
  }
  FireAfterScroll();
}

void CaseTable::First() {
  Scroll([this] {
    pos_ = keys_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = keys_.empty();
  });
}

void CaseTable::Last() {
  Scroll([this] {
    pos_ = static_cast<int>(keys_.size()) - 1;
    eof_ = true;
    bof_ = keys_.empty();
  });
}

void CaseTable::Next() {
  Scroll([this] {
    if (eof_) return;
    if (pos_ + 1 < static_cast<int>(keys_.size())) {
      ++pos_;
      bof_ = false;
    } else {
      eof_ = true;
      bof_ = keys_.empty();
    }
  });
}

void CaseTable::Prior() {
  Scroll([this] {
    if (bof_) return;
    if (pos_ > 0) {
      --pos_;
      eof_ = false;
    } else {
      bof_ = true;
      eof_ = keys_.empty();
    }
  });
}

void CaseTable::MoveToKeyIndex(int index) {
  Scroll([this, index] {
    pos_ = index;
    bof_ = false;
    eof_ = false;
  });
}

bool CaseTable::LocateId(std::int32_t id) {
  RequireOpen();
  RequireNotLeaving();
  SavePendingRow();
  const auto it = std::lower_bound(keys_.begin(), keys_.end(), std::int64_t{id});
  if (it == keys_.end() || *it != id) return false;
  MoveToKeyIndex(static_cast<int>(it - keys_.begin()));
  return true;
}

bool CaseTable::LocateName(const std::string& name) {
  RequireOpen();
  RequireNotLeaving();
  SavePendingRow();
  Statement query(db_, std::string("SELECT SKELETON_ID FROM TAData") + kNameMatch + " ORDER BY SKELETON_ID");
  query.BindText(1, name);
  while (query.Step()) {
    const std::int64_t key = query.ColumnInt64(0);
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    if (it == keys_.end() || *it != key) continue;  // hidden by the filter
    MoveToKeyIndex(static_cast<int>(it - keys_.begin()));
    return true;
  }
  return false;
}

void CaseTable::SetNameFilter(const std::string& name) {
  ApplyFilter(name);
}

std::vector<std::int64_t> CaseTable::KeysNamed(const std::string& name) const {
  RequireOpen();
  Statement query(db_, std::string("SELECT SKELETON_ID FROM TAData") + kNameMatch + " ORDER BY SKELETON_ID");
  query.BindText(1, name);
  std::vector<std::int64_t> keys;
  while (query.Step()) keys.push_back(query.ColumnInt64(0));
  return keys;
}

void CaseTable::SetKeyFilter(std::int64_t key) {
  ApplyFilter(key);
}

void CaseTable::ClearFilter() {
  ApplyFilter(std::monostate{});
}

void CaseTable::ApplyFilter(const RowFilter& filter) {
  const auto move = [this, &filter] {
    filter_ = filter;
    LoadKeys();
    pos_ = keys_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = keys_.empty();
  };
  Scroll(move, true);
}

void CaseTable::Append() {
  Scroll([this] {
    state_ = RowState::Insert;
    modified_ = false;
    bof_ = false;
    eof_ = false;
  });
}

void CaseTable::Edit() {
  RequireOpen();
  if (state_ != RowState::Browse) return;
  if (pos_ < 0) {
    // No row to edit: start one, unless the row is being left right now,
    // where starting one would leave the row again without end.
    if (leaving_depth_ == 0) Append();
    return;
  }
  saved_row_ = row_;
  state_ = RowState::Edit;
  modified_ = false;
}

void CaseTable::Cancel() {
  RequireOpen();
  if (state_ == RowState::Edit) {
    row_ = saved_row_;
  } else if (state_ == RowState::Insert) {
    LoadCurrent();  // the row to return to
    bof_ = pos_ < 0;
    eof_ = pos_ < 0;
  }
  state_ = RowState::Browse;
  modified_ = false;
}

void CaseTable::SavePendingRow() {
  if (state_ == RowState::Browse) return;
  if (modified_) {
    Post();
  } else {
    Cancel();
  }
}

void CaseTable::DeleteCurrent() {
  RequireOpen();
  RequireNotLeaving();
  const bool inserting = state_ == RowState::Insert;
  Cancel();  // what was typed into the row goes with it
  if (inserting || pos_ < 0) {
    Scroll([] {});  // back on the row the new one was started from
    return;
  }
  const std::int64_t key = keys_[static_cast<std::size_t>(pos_)];
  const int index = pos_;
  Scroll(
      [this, key, index] {
        Statement remove(db_, "DELETE FROM TAData WHERE SKELETON_ID = ?1");
        remove.BindInt64(1, key);
        remove.Step();
        LoadKeys();
        pos_ = keys_.empty() ? -1 : std::min(index, static_cast<int>(keys_.size()) - 1);
        bof_ = pos_ <= 0;
        eof_ = keys_.empty();
      },
      true);
}

void CaseTable::Refresh() {
  RequireOpen();
  RequireNotLeaving();
  SavePendingRow();
  const std::int64_t current = pos_ >= 0 ? keys_[static_cast<std::size_t>(pos_)] : -1;
  Scroll(
      [this, current] {
        LoadKeys();
        const auto it = std::lower_bound(keys_.begin(), keys_.end(), current);
        pos_ = keys_.empty() ? -1 : static_cast<int>(it != keys_.end() && *it == current ? it - keys_.begin() : 0);
        bof_ = pos_ <= 0;
        eof_ = keys_.empty();
      },
      true);
}

void CaseTable::Post() {
  RequireOpen();
  if (state_ == RowState::Browse) return;
  if (state_ == RowState::Edit && !modified_) {
    state_ = RowState::Browse;  // nothing to write
    return;
  }
  // A savepoint is a transaction of its own outside a batch and a nested
  // part of the batch inside one; either way a failed post leaves no trace.
  const bool own_transaction = !db_.InTransaction();
  savepoint_.Step();
  savepoint_.Reset();
  try {
    if (state_ == RowState::Insert) {
      InsertRow();
    } else {
      UpdateRow();
    }
    release_.Step();
    release_.Reset();
  } catch (...) {
    rollback_to_.Reset();
    release_.Reset();
    try {
      if (own_transaction) {
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
    if (state_ == RowState::Insert) row_[0] = std::monostate{};
    throw;
  }
  if (state_ == RowState::Insert) {
    const std::int64_t key = std::get<std::int64_t>(row_[0]);
    const auto at = std::lower_bound(keys_.begin(), keys_.end(), key) - keys_.begin();
    keys_.insert(keys_.begin() + at, key);
    pos_ = static_cast<int>(at);
    bof_ = false;
    eof_ = false;
  }
  state_ = RowState::Browse;
  modified_ = false;
}

void CaseTable::InsertRow() {
  try {
    for (std::size_t i = 1; i < row_.size(); ++i) {
      insert_row_.Bind(static_cast<int>(i), row_[i]);
    }
    insert_row_.Step();
  } catch (...) {
    insert_row_.Reset();
    throw;
  }
  insert_row_.Reset();
  const std::int64_t key = db_.LastInsertRowId();
  if (key < 1 || key > std::numeric_limits<std::int32_t>::max()) {
    throw StoreError("The case table has run out of 32-bit SKELETON_ID values");
  }
  row_[0] = key;
}

void CaseTable::UpdateRow() {
  const auto* key = std::get_if<std::int64_t>(&row_[0]);
  if (key == nullptr) throw StoreError("The current row has no SKELETON_ID");
  try {
    for (std::size_t i = 1; i < row_.size(); ++i) {
      update_row_.Bind(static_cast<int>(i), row_[i]);
    }
    update_row_.BindInt64(static_cast<int>(row_.size()), *key);
    update_row_.Step();
  } catch (...) {
    update_row_.Reset();
    throw;
  }
  update_row_.Reset();
  if (db_.Changes() != 1) {
    throw StoreError("The row with SKELETON_ID " + std::to_string(*key) + " is no longer in the case table");
  }
}

}  // namespace vorla
