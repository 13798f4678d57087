#pragma once
// A copy of one row of the case table, read and written exactly as the
// table's current row is, but away from the table: a batch analyses such
// copies on several threads and hands their values back to the table in
// order (CaseTable::WriteValues).
#include <cstdint>
#include <string>
#include <vector>

#include "store/CaseRow.h"
#include "store/FieldValue.h"

namespace vorla {

class DetachedRow final : public CaseRow {
 public:
  // The values in the order of CaseFields(), as CaseTable::CurrentValues gives them.
  explicit DetachedRow(std::vector<FieldValue> values);

  // Only the row's own key is found; the row stays as it is either way.
  bool LocateId(std::int32_t id) override;

  bool FieldIsNull(const FieldKey& field) const override;
  std::int32_t FieldAsInteger(const FieldKey& field) const override;
  std::string FieldAsText(const FieldKey& field) const override;
  double FieldAsFloat(const FieldKey& field) const override;

  void Edit() override { editing_ = true; }
  void SetFieldInteger(const FieldKey& field, std::int32_t value) override;
  void SetFieldFloat(const FieldKey& field, double value) override;
  void SetFieldText(const FieldKey& field, const std::string& value) override;
  void SetFieldNull(const FieldKey& field) override;
  // Ends the edit state; the values stay with the copy until they are handed back.
  void Post() override { editing_ = false; }

  const std::vector<FieldValue>& Values() const { return values_; }
  // Something was written into the copy since it was made.
  bool Written() const { return written_; }

 private:
  const FieldValue& Value(const FieldKey& field, int* index = nullptr) const;
  // The index of a field that may be written now.
  int Writable(const FieldKey& field) const;
  void Write(int index, FieldValue value);

  std::vector<FieldValue> values_;
  bool editing_ = false;
  bool written_ = false;
};

}  // namespace vorla
