#include "gui/DataSource.h"

#include <algorithm>

#include "store/Schema.h"

namespace vorla::gui {

DataLink::DataLink(TDataSource* source, std::string field) : source_(source), field_(std::move(field)) {
  if (source_) source_->Attach(this);
}

DataLink::~DataLink() {
  if (source_) source_->Detach(this);
}

void DataLink::Reload() {
  modified_ = false;
  ShowField();
}

void DataLink::UpdateRecord() {
  if (!modified_ || !source_) return;
  source_->Table().Edit();
  WriteField();
  modified_ = false;
}

bool DataLink::BeginUserEdit() {
  if (!source_) return false;
  const std::uint64_t before = source_->Generation();
  if (source_->Table().IsOpen()) source_->Table().Edit();
  modified_ = true;
  return source_->Generation() != before;
}

TDataSource::TDataSource(CaseTable& table) : table_(table) {
  table_.AddAfterScroll([this] {
    RefreshAll();
    NotifyDataChanged();
  });
}

TDataSource::~TDataSource() {
  for (DataLink* link : links_) link->source_ = nullptr;
}

void TDataSource::Attach(DataLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TDataSource::Detach(DataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void TDataSource::UpdateRecord() {
  const auto links = links_;
  for (DataLink* link : links) link->UpdateRecord();
}

std::vector<std::string> TDataSource::UpdateRecordKeepingGoing() {
  std::vector<std::string> failures;
  const auto links = links_;
  for (DataLink* link : links) {
    try {
      link->UpdateRecord();
    } catch (const std::exception& error) {
      failures.emplace_back(error.what());
      link->Reload();
    }
  }
  return failures;
}

bool TDataSource::HasPendingEdits() const {
  return std::any_of(links_.begin(), links_.end(), [](const DataLink* l) { return l->Modified(); });
}

void TDataSource::RefreshAll() {
  ++generation_;
  const auto links = links_;
  for (DataLink* link : links) link->Reload();
}

void TDataSource::RefreshField(const std::string& name) {
  const std::string upper = UpperAscii(name);
  const auto links = links_;
  for (DataLink* link : links)
    if (UpperAscii(link->FieldName()) == upper) link->Reload();
}

void TDataSource::AddDataChanged(std::function<void()> listener) {
  data_changed_.push_back(std::move(listener));
}

void TDataSource::NotifyDataChanged() {
  const auto listeners = data_changed_;
  for (const auto& listener : listeners)
    if (listener) listener();
}

template <typename Action>
auto TDataSource::SettlingChangedRow(Action action) -> decltype(action()) {
  for (;;) {
    try {
      return action();
    } catch (const RowChangedError& refusal) {
      const ChangedRowChoice choice =
          changed_row_resolver_ ? changed_row_resolver_(refusal.what()) : ChangedRowChoice::KeepEditing;
      if (choice == ChangedRowChoice::KeepEditing) throw;
      if (choice == ChangedRowChoice::Reload) {
        table_.ReloadRow();
        RefreshAll();
      } else {
        table_.PostOverwriting();
      }
      NotifyDataChanged();
    }
  }
}

void TDataSource::WriteRow(const std::function<void(CaseTable&)>& write) {
  UpdateRecord();
  try {
    write(table_);
  } catch (const RowChangedError& refusal) {
    const ChangedRowChoice choice =
        changed_row_resolver_ ? changed_row_resolver_(refusal.what()) : ChangedRowChoice::KeepEditing;
    if (choice == ChangedRowChoice::KeepEditing) {
      RefreshAll();
      throw;
    }
    if (choice == ChangedRowChoice::Reload)
      table_.ReloadRow();
    else
      table_.PostOverwriting();
  }
  RefreshAll();
  NotifyDataChanged();
}

void TDataSource::First() {
  UpdateRecord();
  SettlingChangedRow([this] { table_.First(); });
}

void TDataSource::Prior() {
  UpdateRecord();
  SettlingChangedRow([this] { table_.Prior(); });
}

void TDataSource::Next() {
  UpdateRecord();
  SettlingChangedRow([this] { table_.Next(); });
}

void TDataSource::Last() {
  UpdateRecord();
  SettlingChangedRow([this] { table_.Last(); });
}

void TDataSource::Append() {
  UpdateRecord();
  SettlingChangedRow([this] { table_.Append(); });
}

bool TDataSource::LocateName(const std::string& name) {
  UpdateRecord();
  return SettlingChangedRow([&] { return table_.LocateName(name); });
}

void TDataSource::Cancel() {
  table_.Cancel();
  RefreshAll();
  NotifyDataChanged();
}

void TDataSource::SavePendingRow() {
  UpdateRecord();
  const bool posts = table_.State() != CaseTable::RowState::Browse && table_.Modified();
  SettlingChangedRow([this] { table_.SavePendingRow(); });
  if (posts) NotifyDataChanged();
}

bool TDataSource::LocateId(std::int32_t id) {
  UpdateRecord();
  return SettlingChangedRow([&] { return table_.LocateId(id); });
}

bool TDataSource::FieldIsNull(const FieldKey& field) const {
  return table_.FieldIsNull(field);
}
std::int32_t TDataSource::FieldAsInteger(const FieldKey& field) const {
  return table_.FieldAsInteger(field);
}
std::string TDataSource::FieldAsText(const FieldKey& field) const {
  return table_.FieldAsText(field);
}
double TDataSource::FieldAsFloat(const FieldKey& field) const {
  return table_.FieldAsFloat(field);
}

void TDataSource::Edit() {
  table_.Edit();
}

void TDataSource::SetFieldInteger(const FieldKey& field, std::int32_t value) {
  table_.SetFieldInteger(field, value);
  RefreshField(field.Name());
}

void TDataSource::SetFieldFloat(const FieldKey& field, double value) {
  table_.SetFieldFloat(field, value);
  RefreshField(field.Name());
}

void TDataSource::SetFieldText(const FieldKey& field, const std::string& value) {
  table_.SetFieldText(field, value);
  RefreshField(field.Name());
}

void TDataSource::SetFieldNull(const FieldKey& field) {
  table_.SetFieldNull(field);
  RefreshField(field.Name());
}

void TDataSource::RestoreField(const FieldKey& field) {
  table_.RestoreField(field);
  RefreshField(field.Name());
}

void TDataSource::Post() {
  UpdateRecord();
  const bool writes = table_.State() != CaseTable::RowState::Browse;
  SettlingChangedRow([this] { table_.Post(); });
  if (writes) NotifyDataChanged();
}

}  // namespace vorla::gui
