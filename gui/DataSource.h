#pragma once
// The data source through which the window's data-bound controls see the
// current row of the case table. A control shows its field and keeps what the
// person types as a pending edit; the pending edits reach the row when the
// row is saved or left, or when the control loses the focus. A field written
// by the program is shown at once by the controls bound to it.
//
// The data source is itself a row (CaseRow) for the window's own controls
// and pages; the analysis reads its case from the table and stores its
// results into it through WriteRow.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/CaseRow.h"
#include "store/CaseTable.h"

namespace vorla::gui {

class TDataSource;

// One control bound to one field of the current row.
class DataLink {
 public:
  DataLink(TDataSource* source, std::string field);
  virtual ~DataLink();
  DataLink(const DataLink&) = delete;
  DataLink& operator=(const DataLink&) = delete;

  const std::string& FieldName() const { return field_; }
  TDataSource* Source() const { return source_; }
  // The control holds something the row does not have yet.
  bool Modified() const { return modified_; }

  // Shows the field of the current row (nothing when the table is closed);
  // a pending edit is dropped.
  void Reload();
  // Writes a pending edit into the field. A failure (a text the field cannot
  // take) is thrown and the edit stays pending.
  void UpdateRecord();

 protected:
  virtual void ShowField() = 0;
  virtual void WriteField() = 0;
  // To be called when the person changes the control: puts the row into its
  // edit state (a table without rows starts one) and marks the edit as
  // pending. Returns true when that reloaded the controls, so the control
  // must show its new value again.
  bool BeginUserEdit();
  void DropPendingEdit() { modified_ = false; }

 private:
  friend class TDataSource;
  TDataSource* source_;
  std::string field_;
  bool modified_ = false;
};

class TDataSource final : public CaseRow {
 public:
  explicit TDataSource(CaseTable& table);
  ~TDataSource() override;
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  CaseTable& Table() { return table_; }
  const CaseTable& Table() const { return table_; }

  void Attach(DataLink* link);
  void Detach(DataLink* link);

  // Every pending control edit into the row (the row enters its edit state
  // when one is pending).
  void UpdateRecord();
  bool HasPendingEdits() const;
  // The same, going on past a control whose edit the row cannot take: that
  // edit is dropped and its failure returned.
  std::vector<std::string> UpdateRecordKeepingGoing();
  // Every control shows its field again.
  void RefreshAll();
  // The controls bound to this field show it again.
  void RefreshField(const std::string& name);
  // Grows by one with every RefreshAll.
  std::uint64_t Generation() const { return generation_; }

  // Writes into the current row through `write`, which posts it; a post
  // refused because another user changed the row is settled as the resolver
  // says (reloaded, or written over). The controls show the row again.
  void WriteRow(const std::function<void(CaseTable&)>& write);

  // Called after every post through this source and after every change of row.
  void AddDataChanged(std::function<void()> listener);
  // How a control reports that its edit could not be written when it lost
  // the focus (the control keeps the focus and its text).
  void SetErrorReporter(std::function<void(const std::string&)> reporter) { error_reporter_ = std::move(reporter); }
  void ReportError(const std::string& message) const {
    if (error_reporter_) error_reporter_(message);
  }

  // What to do when a post is refused because another user changed the row
  // since it was read: reload it as stored, overwrite the stored row, or keep
  // editing (the refusal is then thrown on, and the row keeps its edits).
  // Without a resolver the refusal is thrown on.
  enum class ChangedRowChoice { Reload, Overwrite, KeepEditing };
  void SetChangedRowResolver(std::function<ChangedRowChoice(const std::string& refusal)> resolver) {
    changed_row_resolver_ = std::move(resolver);
  }

  // Moves; each first writes the pending control edits into the row it leaves.
  void First();
  void Prior();
  void Next();
  void Last();
  void Append();
  bool LocateName(const std::string& name);
  void Cancel();
  // What leaving the row does: the pending edits, then post when something
  // was written, otherwise drop (an untouched new row is not stored).
  void SavePendingRow();

  // CaseRow
  bool LocateId(std::int32_t id) override;
  bool FieldIsNull(const FieldKey& field) const override;
  std::int32_t FieldAsInteger(const FieldKey& field) const override;
  std::string FieldAsText(const FieldKey& field) const override;
  double FieldAsFloat(const FieldKey& field) const override;
  void Edit() override;
  void SetFieldInteger(const FieldKey& field, std::int32_t value) override;
  void SetFieldFloat(const FieldKey& field, double value) override;
  void SetFieldText(const FieldKey& field, const std::string& value) override;
  void SetFieldNull(const FieldKey& field) override;
  void RestoreField(const FieldKey& field);
  void Post() override;

 private:
  void NotifyDataChanged();
  // Runs the action; a row another user changed is settled as the resolver
  // says, and the action is run again.
  template <typename Action>
  auto SettlingChangedRow(Action action) -> decltype(action());

  CaseTable& table_;
  std::vector<DataLink*> links_;
  std::vector<std::function<void()>> data_changed_;
  std::function<void(const std::string&)> error_reporter_;
  std::function<ChangedRowChoice(const std::string&)> changed_row_resolver_;
  std::uint64_t generation_ = 0;
};

}  // namespace vorla::gui
