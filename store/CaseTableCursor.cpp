// The current row: moving, locating, filtering, editing, posting and the
// notifications around a change of row.
#include <algorithm>
#include <limits>

#include "store/CaseTable.h"
#include "store/Schema.h"

namespace vorla {
namespace {

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

// The case number of a row in the order of CaseFields().
std::string CaseNumberOf(const std::vector<FieldValue>& row) {
  const int index = FindCaseField(kNameField);
  const auto* name =
      index >= 0 && static_cast<std::size_t>(index) < row.size() ? std::get_if<std::string>(&row[index]) : nullptr;
  return name != nullptr ? *name : std::string();
}

}  // namespace

void CaseTable::RequireNotLeaving() const {
  if (leaving_depth_ > 0) {
    throw StoreError("The current row cannot be changed while it is being left");
  }
}

void CaseTable::LoadKeys() {
  // The mark first: a change made while the keys are read is seen next time.
  change_mark_ = store_->ChangeMark();
  keys_ = store_->Keys(filter_);
}

void CaseTable::EmptyRow() {
  row_.assign(CaseFields().size(), std::monostate{});
}

void CaseTable::LoadCurrent() {
  std::vector<FieldValue> row(CaseFields().size());
  std::optional<std::int64_t> version;
  if (pos_ >= 0) {
    const std::int64_t key = keys_[static_cast<std::size_t>(pos_)];
    if (!store_->ReadRow(key, row, version)) row[0] = key;  // gone from the table; a later Post reports it
  }
  // Only a row read whole replaces the current one.
  row_ = std::move(row);
  version_ = version;
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
  for (const std::int64_t key : store_->Keys(name)) {
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
  return store_->Keys(name);
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
        // The row goes, its history stays and records the deletion with
        // what the row held, in one transaction.
        const bool own = store_->BeginPost();
        try {
          std::vector<FieldValue> stored(CaseFields().size());
          std::optional<std::int64_t> version;
          if (store_->ReadRow(key, stored, version)) {
            store_->DeleteRow(key);
            store_->AppendHistory(key, CaseNumberOf(stored), writer_, DescribeDeletion(stored));
          }
          store_->EndPost(own);
        } catch (...) {
          store_->AbortPost(own);
          throw;
        }
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

bool CaseTable::FollowOtherWriters(bool keepCurrentRow) {
  RequireOpen();
  if (leaving_depth_ > 0 || store_->InTransaction() || store_->ChangeMark() == change_mark_) return false;
  const bool keep = keepCurrentRow || modified_ || state_ == RowState::Insert;
  const std::int64_t current = pos_ >= 0 ? keys_[static_cast<std::size_t>(pos_)] : -1;
  LoadKeys();
  const auto it = std::lower_bound(keys_.begin(), keys_.end(), current);
  const bool stillStored = it != keys_.end() && *it == current;
  const int last = static_cast<int>(keys_.size()) - 1;
  pos_ = std::min(static_cast<int>(it - keys_.begin()), last);
  bof_ = pos_ <= 0;
  eof_ = keys_.empty();
  if (keep) return true;
  LoadCurrent();
  state_ = RowState::Browse;
  modified_ = false;
  if (!stillStored) FireAfterScroll();
  return true;
}

void CaseTable::Post() {
  PostRow(false);
}

void CaseTable::PostOverwriting() {
  PostRow(true);
}

void CaseTable::ReloadRow() {
  RequireOpen();
  RequireNotLeaving();
  if (state_ == RowState::Insert) {
    Cancel();
    return;
  }
  LoadCurrent();
  state_ = RowState::Browse;
  modified_ = false;
}

void CaseTable::PostRow(bool overwrite) {
  RequireOpen();
  if (state_ == RowState::Browse) return;
  if (state_ == RowState::Edit && !modified_) {
    state_ = RowState::Browse;  // nothing to write
    return;
  }
  // Outside a batch the post is a transaction of its own, inside one a
  // nested part of it; either way a failed post leaves no trace.
  const bool own = store_->BeginPost();
  std::optional<std::int64_t> version;
  std::int64_t inserted = 0;
  try {
    if (state_ == RowState::Insert) {
      inserted = store_->InsertRow(row_, false, version);
      if (inserted < 1 || inserted > std::numeric_limits<std::int32_t>::max()) {
        throw StoreError("The case table has run out of 32-bit SKELETON_ID values");
      }
      const std::vector<HistoryItem> items = DescribePost(nullptr, row_, new_row_origin_);
      store_->AppendHistory(inserted, CaseNumberOf(row_), writer_, items);
    } else {
      const auto* key = std::get_if<std::int64_t>(&row_[0]);
      if (key == nullptr) throw StoreError("The current row has no SKELETON_ID");
      // The row as it was stored before: as read, when the post names the
      // version it read; read again when it writes over another writer's.
      std::vector<FieldValue> before;
      std::optional<std::int64_t> ignored;
      if (overwrite || !version_ || saved_row_.size() != row_.size()) {
        before.resize(row_.size());
        if (!store_->ReadRow(*key, before, ignored)) before = saved_row_;
      }
      store_->UpdateRow(row_, overwrite ? std::nullopt : version_, version);
      const std::vector<HistoryItem> items = DescribePost(before.empty() ? &saved_row_ : &before, row_);
      if (!items.empty()) store_->AppendHistory(*key, CaseNumberOf(row_), writer_, items);
    }
    store_->EndPost(own);
  } catch (...) {
    store_->AbortPost(own);
    throw;
  }
  version_ = version;
  if (state_ == RowState::Insert) {
    row_[0] = inserted;
    const auto at = std::lower_bound(keys_.begin(), keys_.end(), inserted) - keys_.begin();
    keys_.insert(keys_.begin() + at, inserted);
    pos_ = static_cast<int>(at);
    bof_ = false;
    eof_ = false;
  }
  state_ = RowState::Browse;
  modified_ = false;
}

}  // namespace vorla
