// Reading and writing the fields of the current row, and their display.
#include <cmath>
#include <limits>

#include "store/CaseTable.h"
#include "store/DisplayFormat.h"
#include "store/Schema.h"

namespace vorla {
namespace {

FieldKind KindOf(int index) {
  return CaseFields()[static_cast<std::size_t>(index)].kind;
}

std::string NameOf(int index) {
  return std::string(CaseFields()[static_cast<std::size_t>(index)].name);
}

[[noreturn]] void NotAnInteger(const std::string& text, int index) {
  throw StoreError("'" + text + "' is not a valid integer value for field " + NameOf(index));
}

[[noreturn]] void NotAReal(const std::string& text, int index) {
  throw StoreError("'" + text + "' is not a valid floating point value for field " + NameOf(index));
}

}  // namespace

int CaseTable::FieldIndex(const std::string& name) const {
  const int index = FindCaseField(name);
  if (index < 0) throw FieldNotFound(name);
  return index;
}

const FieldValue& CaseTable::Value(const std::string& name, int* index) const {
  const int found = FieldIndex(name);
  RequireOpen();
  if (index != nullptr) *index = found;
  return row_[static_cast<std::size_t>(found)];
}

bool CaseTable::FieldIsNull(const std::string& name) const {
  return IsNull(Value(name));
}

FieldValue CaseTable::FieldAsValue(const std::string& name) const {
  return Value(name);
}

std::int32_t CaseTable::FieldAsInteger(const std::string& name) const {
  int index = 0;
  const FieldValue& value = Value(name, &index);
  if (const auto* i = std::get_if<std::int64_t>(&value)) {
    if (*i < std::numeric_limits<std::int32_t>::min() || *i > std::numeric_limits<std::int32_t>::max()) {
      NotAnInteger(std::to_string(*i), index);
    }
    return static_cast<std::int32_t>(*i);
  }
  if (const auto* d = std::get_if<double>(&value)) {
    const auto rounded = RoundToInt32(*d);
    if (!rounded) NotAnInteger(FormatReal(*d), index);
    return *rounded;
  }
  if (const auto* s = std::get_if<std::string>(&value)) {
    if (TrimBlanks(*s).empty()) return 0;
    const auto parsed = ParseInteger(*s);
    if (!parsed) NotAnInteger(*s, index);
    return *parsed;
  }
  return 0;
}

double CaseTable::FieldAsFloat(const std::string& name) const {
  int index = 0;
  const FieldValue& value = Value(name, &index);
  if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&value)) return *d;
  if (const auto* s = std::get_if<std::string>(&value)) {
    if (TrimBlanks(*s).empty()) return 0.0;
    const auto parsed = ParseReal(*s);
    if (!parsed) NotAReal(*s, index);
    return *parsed;
  }
  return 0.0;
}

std::string CaseTable::FieldAsText(const std::string& name) const {
  const FieldValue& value = Value(name);
  if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&value)) return FormatReal(*d);
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  return {};
}

int CaseTable::WritableField(const std::string& name) const {
  const int index = FieldIndex(name);
  RequireOpen();
  if (state_ == RowState::Browse) throw StoreError("Table is not in edit mode");
  if (KindOf(index) == FieldKind::Key) {
    throw StoreError("Field SKELETON_ID is assigned by the case table and cannot be written");
  }
  return index;
}

void CaseTable::Write(int index, FieldValue value) {
  row_[static_cast<std::size_t>(index)] = std::move(value);
  modified_ = true;
}

void CaseTable::SetFieldInteger(const std::string& name, std::int32_t value) {
  const int index = WritableField(name);
  switch (KindOf(index)) {
    case FieldKind::Real:
      Write(index, static_cast<double>(value));
      break;
    case FieldKind::Text:
      Write(index, std::to_string(value));
      break;
    default:
      Write(index, std::int64_t{value});
      break;
  }
}

void CaseTable::SetFieldFloat(const std::string& name, double value) {
  const int index = WritableField(name);
  if (!std::isfinite(value)) {
    throw StoreError("Field " + NameOf(index) + " takes only finite numbers, not " + FormatReal(value));
  }
  switch (KindOf(index)) {
    case FieldKind::Real:
      Write(index, value);
      break;
    case FieldKind::Text:
      Write(index, FormatReal(value));
      break;
    default: {
      const auto rounded = RoundToInt32(value);
      if (!rounded) NotAnInteger(FormatReal(value), index);
      Write(index, std::int64_t{*rounded});
      break;
    }
  }
}

void CaseTable::SetFieldText(const std::string& name, const std::string& value) {
  const int index = WritableField(name);
  const FieldKind kind = KindOf(index);
  if (kind == FieldKind::Text) {
    Write(index, value.empty() ? FieldValue{} : FieldValue{value});
    return;
  }
  if (TrimBlanks(value).empty()) {
    Write(index, std::monostate{});
  } else if (kind == FieldKind::Real) {
    const auto parsed = ParseReal(value);
    if (!parsed) NotAReal(value, index);
    Write(index, *parsed);
  } else {
    const auto parsed = ParseInteger(value);
    if (!parsed) NotAnInteger(value, index);
    Write(index, std::int64_t{*parsed});
  }
}

void CaseTable::SetFieldNull(const std::string& name) {
  Write(WritableField(name), std::monostate{});
}

void CaseTable::SetDisplayFormat(const std::string& field, const std::string& format) {
  const int index = FieldIndex(field);
  const FieldKind kind = KindOf(index);
  if (kind != FieldKind::Real && kind != FieldKind::Integer) {
    throw StoreError("Field " + NameOf(index) + " is not numeric and takes no display format");
  }
  display_formats_[static_cast<std::size_t>(index)] = format;
}

std::string CaseTable::DisplayText(const std::string& field) const {
  int index = 0;
  const FieldValue& value = Value(field, &index);
  const std::string& format = display_formats_[static_cast<std::size_t>(index)];
  if (IsNull(value) || format.empty()) return FieldAsText(field);
  return FormatFloat(format, FieldAsFloat(field));
}

}  // namespace vorla
