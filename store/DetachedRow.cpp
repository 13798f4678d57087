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

const FieldValue& DetachedRow::Value(const std::string& name, int* index) const {
  const int found = FieldIndexOf(name);
  if (static_cast<std::size_t>(found) >= values_.size()) throw FieldNotFound(name);
  if (index != nullptr) *index = found;
  return values_[static_cast<std::size_t>(found)];
}

bool DetachedRow::FieldIsNull(const std::string& name) const {
  return IsNull(Value(name));
}

std::int32_t DetachedRow::FieldAsInteger(const std::string& name) const {
  int index = 0;
  const FieldValue& value = Value(name, &index);
  return IntegerOfField(value, index);
}

double DetachedRow::FieldAsFloat(const std::string& name) const {
  int index = 0;
  const FieldValue& value = Value(name, &index);
  return FloatOfField(value, index);
}

std::string DetachedRow::FieldAsText(const std::string& name) const {
  return TextOfField(Value(name));
}

int DetachedRow::Writable(const std::string& name) const {
  const int index = FieldIndexOf(name);
  if (static_cast<std::size_t>(index) >= values_.size()) throw FieldNotFound(name);
  if (!editing_) throw StoreError("Table is not in edit mode");
  RequireWritableField(index);
  return index;
}

void DetachedRow::Write(int index, FieldValue value) {
  values_[static_cast<std::size_t>(index)] = std::move(value);
  written_ = true;
}

void DetachedRow::SetFieldInteger(const std::string& name, std::int32_t value) {
  const int index = Writable(name);
  Write(index, IntegerForField(index, value));
}

void DetachedRow::SetFieldFloat(const std::string& name, double value) {
  const int index = Writable(name);
  Write(index, FloatForField(index, value));
}

void DetachedRow::SetFieldText(const std::string& name, const std::string& value) {
  const int index = Writable(name);
  Write(index, TextForField(index, value));
}

void DetachedRow::SetFieldNull(const std::string& name) {
  Write(Writable(name), std::monostate{});
}

}  // namespace vorla
