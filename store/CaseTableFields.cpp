// Reading and writing the fields of the current row, and their display.
#include <cmath>
#include <limits>

#include "store/CaseTable.h"
#include "store/DisplayFormat.h"
#include "store/RowValues.h"
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

bool IsAgeField(int index) {
  return CaseFields()[static_cast<std::size_t>(index)].name == kAgeField;
}

// A documented age lies within the ages the method estimates.
FieldValue InAgeRange(int index, FieldValue value) {
  if (!IsAgeField(index)) return value;
  const double* age = std::get_if<double>(&value);
  if (age != nullptr && (*age < kYoungestDocumentedAge || *age > kOldestDocumentedAge))
    throw StoreError("Field AGE takes a documented age from 15 to 110 years, not " + FormatReal(*age));
  return value;
}

}  // namespace

int FieldIndexOf(const FieldKey& field) {
  const int remembered = field.Column();
  if (remembered >= 0) return remembered;
  const int index = FindCaseField(field.Name());
  if (index < 0) throw FieldNotFound(field.Name());
  // The built-in fields keep their columns whatever traits of one's own come and go.
  if (static_cast<std::size_t>(index) < BuiltInFieldCount()) field.RememberColumn(index);
  return index;
}

void RequireWritableField(int index) {
  if (KindOf(index) == FieldKind::Key) {
    throw StoreError("Field SKELETON_ID is assigned by the case table and cannot be written");
  }
}

std::int32_t IntegerOfField(const FieldValue& value, int index) {
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

double FloatOfField(const FieldValue& value, int index) {
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

std::string TextOfField(const FieldValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&value)) return FormatReal(*d);
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  return {};
}

FieldValue IntegerForField(int index, std::int32_t value) {
  if (IsAgeField(index)) return InAgeRange(index, static_cast<double>(value));
  switch (KindOf(index)) {
    case FieldKind::Real:
      return static_cast<double>(value);
    case FieldKind::Text:
      return std::to_string(value);
    default:
      return std::int64_t{value};
  }
}

FieldValue FloatForField(int index, double value) {
  if (!std::isfinite(value)) {
    throw StoreError("Field " + NameOf(index) + " takes only finite numbers, not " + FormatReal(value));
  }
  switch (KindOf(index)) {
    case FieldKind::Real:
      return InAgeRange(index, value);
    case FieldKind::Text:
      return FormatReal(value);
    default: {
      const auto rounded = RoundToInt32(value);
      if (!rounded) NotAnInteger(FormatReal(value), index);
      return std::int64_t{*rounded};
    }
  }
}

FieldValue TextForField(int index, const std::string& value) {
  const FieldKind kind = KindOf(index);
  if (kind == FieldKind::Text) return value.empty() ? FieldValue{} : FieldValue{value};
  if (TrimBlanks(value).empty()) return std::monostate{};
  if (kind == FieldKind::Real) {
    const auto parsed = ParseReal(value);
    if (!parsed) NotAReal(value, index);
    return InAgeRange(index, *parsed);
  }
  const auto parsed = ParseInteger(value);
  if (!parsed) NotAnInteger(value, index);
  return std::int64_t{*parsed};
}

int CaseTable::FieldIndex(const FieldKey& field) const {
  return FieldIndexOf(field);
}

const FieldValue& CaseTable::Value(const FieldKey& field, int* index) const {
  const int found = FieldIndex(field);
  RequireOpen();
  // Fields of one's own traits declared after the table was opened are not in its rows.
  if (static_cast<std::size_t>(found) >= row_.size()) throw FieldNotFound(field.Name());
  if (index != nullptr) *index = found;
  return row_[static_cast<std::size_t>(found)];
}

bool CaseTable::FieldIsNull(const FieldKey& field) const {
  return IsNull(Value(field));
}

FieldValue CaseTable::FieldAsValue(const FieldKey& field) const {
  return Value(field);
}

std::int32_t CaseTable::FieldAsInteger(const FieldKey& field) const {
  int index = 0;
  const FieldValue& value = Value(field, &index);
  return IntegerOfField(value, index);
}

double CaseTable::FieldAsFloat(const FieldKey& field) const {
  int index = 0;
  const FieldValue& value = Value(field, &index);
  return FloatOfField(value, index);
}

std::string CaseTable::FieldAsText(const FieldKey& field) const {
  return TextOfField(Value(field));
}

std::string CaseTable::FieldTextStart(const FieldKey& field, std::size_t most) const {
  const FieldValue& value = Value(field);
  const auto* text = std::get_if<std::string>(&value);
  if (text == nullptr) return TextOfField(value).substr(0, most);
  if (text->size() <= most) return *text;
  std::size_t cut = most;
  while (cut > 0 && (static_cast<unsigned char>((*text)[cut]) & 0xC0) == 0x80) --cut;
  return text->substr(0, cut);
}

int CaseTable::WritableField(const FieldKey& field) const {
  const int index = FieldIndex(field);
  RequireOpen();
  if (static_cast<std::size_t>(index) >= row_.size()) throw FieldNotFound(field.Name());
  if (state_ == RowState::Browse) throw StoreError("Table is not in edit mode");
  RequireWritableField(index);
  return index;
}

void CaseTable::Write(int index, FieldValue value) {
  // A stored row given back a value it holds is not changed by it: a post
  // of nothing but such values writes nothing.
  if (state_ == RowState::Edit && row_[static_cast<std::size_t>(index)] == value) return;
  row_[static_cast<std::size_t>(index)] = std::move(value);
  modified_ = true;
}

void CaseTable::SetFieldInteger(const FieldKey& field, std::int32_t value) {
  const int index = WritableField(field);
  Write(index, IntegerForField(index, value));
}

void CaseTable::SetFieldFloat(const FieldKey& field, double value) {
  const int index = WritableField(field);
  Write(index, FloatForField(index, value));
}

void CaseTable::SetFieldText(const FieldKey& field, const std::string& value) {
  const int index = WritableField(field);
  Write(index, TextForField(index, value));
}

void CaseTable::SetFieldNull(const FieldKey& field) {
  Write(WritableField(field), std::monostate{});
}

void CaseTable::RestoreField(const FieldKey& field) {
  if (state_ == RowState::Browse) return;
  const auto index = static_cast<std::size_t>(WritableField(field));
  row_[index] = state_ == RowState::Edit ? saved_row_[index] : FieldValue{};
  if (state_ == RowState::Edit && row_ == saved_row_) modified_ = false;
}

const std::vector<FieldValue>& CaseTable::CurrentValues() const {
  RequireOpen();
  return row_;
}

void CaseTable::SetDisplayFormat(const std::string& field, const std::string& format) {
  const int index = FieldIndex(field);
  if (static_cast<std::size_t>(index) >= display_formats_.size()) display_formats_.resize(CaseFields().size());
  const FieldKind kind = KindOf(index);
  if (kind != FieldKind::Real && kind != FieldKind::Integer) {
    throw StoreError("Field " + NameOf(index) + " is not numeric and takes no display format");
  }
  display_formats_[static_cast<std::size_t>(index)] = format;
}

std::string CaseTable::DisplayText(const std::string& field) const {
  int index = 0;
  const FieldValue& value = Value(field, &index);
  const auto slot = static_cast<std::size_t>(index);
  if (IsNull(value) || slot >= display_formats_.size() || display_formats_[slot].empty()) return FieldAsText(field);
  const std::string& format = display_formats_[slot];
  return FormatFloat(format, FieldAsFloat(field));
}

}  // namespace vorla
