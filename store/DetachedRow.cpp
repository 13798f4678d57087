#include "store/DetachedRow.h"

#include "store/RowValues.h"
#include "store/Schema.h"
#include "store/StoreError.h"

namespace vorla {

DetachedRow::DetachedRow(std::vector<FieldValue> values) : values_(std::move(values)) {
  if (values_.size() != CaseFields().size()) throw StoreError("A detached row holds every field of the case table");
}

bool DetachedRow::LocateId(std::int32_t id) {
  const auto* key = std::get_if<std::int64_t>(&values_[0]);
  return key != nullptr && *key == id;
}

const FieldValue& DetachedRow::Value(const FieldKey& field, int* index) const {
  const int found = FieldIndexOf(field);
  if (static_cast<std::size_t>(found) >= values_.size()) throw FieldNotFound(field.Name());
  if (index != nullptr) *index = found;
  return values_[static_cast<std::size_t>(found)];
}

bool DetachedRow::FieldIsNull(const FieldKey& field) const {
  return IsNull(Value(field));
}

std::int32_t DetachedRow::FieldAsInteger(const FieldKey& field) const {
  int index = 0;
  const FieldValue& value = Value(field, &index);
  return IntegerOfField(value, index);
}

double DetachedRow::FieldAsFloat(const FieldKey& field) const {
  int index = 0;
  const FieldValue& value = Value(field, &index);
  return FloatOfField(value, index);
}

std::string DetachedRow::FieldAsText(const FieldKey& field) const {
  return TextOfField(Value(field));
}

int DetachedRow::Writable(const FieldKey& field) const {
  const int index = FieldIndexOf(field);
  if (static_cast<std::size_t>(index) >= values_.size()) throw FieldNotFound(field.Name());
  if (!editing_) throw StoreError("Table is not in edit mode");
  RequireWritableField(index);
  return index;
}

void DetachedRow::Write(int index, FieldValue value) {
  values_[static_cast<std::size_t>(index)] = std::move(value);
  written_ = true;
}

void DetachedRow::SetFieldInteger(const FieldKey& field, std::int32_t value) {
  const int index = Writable(field);
  Write(index, IntegerForField(index, value));
}

void DetachedRow::SetFieldFloat(const FieldKey& field, double value) {
  const int index = Writable(field);
  Write(index, FloatForField(index, value));
}

void DetachedRow::SetFieldText(const FieldKey& field, const std::string& value) {
  const int index = Writable(field);
  Write(index, TextForField(index, value));
}

void DetachedRow::SetFieldNull(const FieldKey& field) {
  Write(Writable(field), std::monostate{});
}

}  // namespace vorla
