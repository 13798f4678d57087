#include "params/RowOverlay.h"

#include <cstdio>

#include "engine/TextCase.h"

namespace vorla {

namespace {

std::string Key(const std::string& name) {
  return LowerCase(name);
}

}  // namespace

bool RowOverlay::LocateId(std::int32_t id) {
  return base_.FieldAsInteger("SKELETON_ID") == id;
}

const RowOverlay::Value* RowOverlay::Written(const std::string& name) const {
  const auto it = written_.find(Key(name));
  return it == written_.end() ? nullptr : &it->second;
}

bool RowOverlay::FieldIsNull(const FieldKey& field) const {
  const std::string& name = field.Name();
  const Value* value = Written(name);
  if (!value) return base_.FieldIsNull(field);
  return std::holds_alternative<std::monostate>(*value) ||
         (std::holds_alternative<std::string>(*value) && std::get<std::string>(*value).empty());
}

std::int32_t RowOverlay::FieldAsInteger(const FieldKey& field) const {
  const std::string& name = field.Name();
  const Value* value = Written(name);
  if (!value) return base_.FieldAsInteger(field);
  if (const auto* i = std::get_if<std::int32_t>(value)) return *i;
  if (const auto* d = std::get_if<double>(value)) return static_cast<std::int32_t>(*d);
  if (const auto* s = std::get_if<std::string>(value)) return s->empty() ? 0 : std::stoi(*s);
  return 0;
}

double RowOverlay::FieldAsFloat(const FieldKey& field) const {
  const std::string& name = field.Name();
  const Value* value = Written(name);
  if (!value) return base_.FieldAsFloat(field);
  if (const auto* i = std::get_if<std::int32_t>(value)) return *i;
  if (const auto* d = std::get_if<double>(value)) return *d;
  if (const auto* s = std::get_if<std::string>(value)) return s->empty() ? 0.0 : std::stod(*s);
  return 0.0;
}

std::string RowOverlay::FieldAsText(const FieldKey& field) const {
  const std::string& name = field.Name();
  const Value* value = Written(name);
  if (!value) return base_.FieldAsText(field);
  if (const auto* i = std::get_if<std::int32_t>(value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(value)) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", *d);
    return text;
  }
  if (const auto* s = std::get_if<std::string>(value)) return *s;
  return {};
}

void RowOverlay::SetFieldInteger(const FieldKey& field, std::int32_t value) {
  const std::string& name = field.Name();
  written_[Key(name)] = value;
}
void RowOverlay::SetFieldFloat(const FieldKey& field, double value) {
  const std::string& name = field.Name();
  written_[Key(name)] = value;
}
void RowOverlay::SetFieldText(const FieldKey& field, const std::string& value) {
  const std::string& name = field.Name();
  written_[Key(name)] = value;
}
void RowOverlay::SetFieldNull(const FieldKey& field) {
  const std::string& name = field.Name();
  written_[Key(name)] = std::monostate{};
}

std::vector<FieldDifference> RowOverlay::DifferencesFromBase(const std::string& prefix) const {
  const std::string start = Key(prefix);
  std::vector<FieldDifference> differences;
  for (const auto& [name, value] : written_) {
    if (name.compare(0, start.size(), start) != 0) continue;
    const bool empty = FieldIsNull(name), storedEmpty = base_.FieldIsNull(name);
    if (empty && storedEmpty) continue;
    // Numbers are compared as numbers; a text (the set's checksum) as written.
    if (empty == storedEmpty &&
        (std::holds_alternative<std::string>(value) ? FieldAsText(name) == base_.FieldAsText(name)
                                                    : FieldAsFloat(name) == base_.FieldAsFloat(name)))
      continue;
    differences.push_back({UpperCase(name), storedEmpty ? std::string() : base_.FieldAsText(name),
                           empty ? std::string() : FieldAsText(name)});
  }
  return differences;
}

}  // namespace vorla
