#pragma once
// How a field of a case row is read and written: the conversions the case
// table's current row and a detached copy of a row share, by the field's
// index in CaseFields().
#include <cstdint>
#include <string>

#include "store/CaseRow.h"
#include "store/FieldValue.h"

namespace vorla {

std::int32_t IntegerOfField(const FieldValue& value, int index);
double FloatOfField(const FieldValue& value, int index);
std::string TextOfField(const FieldValue& value);

// The value a field of this index keeps when it is given a number or a text;
// throws as the case table does for a value the field cannot take.
FieldValue IntegerForField(int index, std::int32_t value);
FieldValue FloatForField(int index, double value);
FieldValue TextForField(int index, const std::string& value);

// The index of the field; throws FieldNotFound. A built-in field's column is
// remembered in its key.
int FieldIndexOf(const FieldKey& field);
// Throws for SKELETON_ID, which the case table assigns.
void RequireWritableField(int index);

}  // namespace vorla
