#include "calib/MemoryRow.h"

#include "store/FieldValue.h"
#include "store/Schema.h"
#include "store/StoreError.h"

namespace vorla::calib {

FieldLayout::FieldLayout(const std::vector<std::string>& names) : names_(names) {
  for (std::size_t i = 0; i < names_.size(); ++i) index_.emplace(UpperAscii(names_[i]), static_cast<int>(i));
}

int FieldLayout::Find(std::string_view name) const {
  const auto it = index_.find(UpperAscii(name));
  return it == index_.end() ? -1 : it->second;
}

std::shared_ptr<const FieldLayout> CaseTableLayout() {
  static const std::shared_ptr<const FieldLayout> layout = [] {
    std::vector<std::string> names;
    for (const FieldInfo& field : CaseFields()) names.emplace_back(field.name);
    return std::make_shared<const FieldLayout>(names);
  }();
  return layout;
}

MemoryRow::MemoryRow(std::shared_ptr<const FieldLayout> layout, std::int32_t id)
    : layout_(std::move(layout)), values_(layout_->Size()), id_(id) {
  const int key = layout_->Find("SKELETON_ID");
  if (key >= 0) values_[static_cast<std::size_t>(key)] = std::to_string(id);
}

std::optional<std::string>& MemoryRow::Slot(const std::string& name) {
  const int index = layout_->Find(name);
  if (index < 0) throw FieldNotFound(name);
  return values_[static_cast<std::size_t>(index)];
}

const std::optional<std::string>& MemoryRow::Slot(const std::string& name) const {
  return const_cast<MemoryRow*>(this)->Slot(name);
}

std::optional<std::string>& MemoryRow::Writable(const std::string& name) {
  if (!editing_) throw StoreError("The row is not being edited");
  return Slot(name);
}

void MemoryRow::Fill(const std::string& name, const std::string& text) {
  if (TrimBlanks(text).empty())
    Slot(name).reset();
  else
    Slot(name) = text;
}

std::int32_t MemoryRow::FieldAsInteger(const FieldKey& field) const {
  const std::string& name = field.Name();
  const std::optional<std::string>& value = Slot(name);
  if (!value || TrimBlanks(*value).empty()) return 0;
  if (const auto whole = ParseInteger(*value)) return *whole;
  if (const auto real = ParseReal(*value))
    if (const auto rounded = RoundToInt32(*real)) return *rounded;
  throw StoreError("Field '" + name + "': '" + *value + "' is not a whole number");
}

double MemoryRow::FieldAsFloat(const FieldKey& field) const {
  const std::string& name = field.Name();
  const std::optional<std::string>& value = Slot(name);
  if (!value || TrimBlanks(*value).empty()) return 0.0;
  if (const auto real = ParseReal(*value)) return *real;
  throw StoreError("Field '" + name + "': '" + *value + "' is not a number");
}

void MemoryRow::SetFieldInteger(const FieldKey& field, std::int32_t value) {
  const std::string& name = field.Name();
  Writable(name) = std::to_string(value);
}

void MemoryRow::SetFieldFloat(const FieldKey& field, double value) {
  const std::string& name = field.Name();
  Writable(name) = FormatReal(value);
}

void MemoryRow::SetFieldText(const FieldKey& field, const std::string& value) {
  const std::string& name = field.Name();
  if (value.empty())
    Writable(name).reset();
  else
    Writable(name) = value;
}

void MemoryRow::SetFieldNull(const FieldKey& field) {
  const std::string& name = field.Name();
  Writable(name).reset();
}

}  // namespace vorla::calib
