#pragma once
// What the case binding (parameter reader, case loading, result write-back)
// needs of the case table: one current row, reached by key, read and written
// field by field. Field names are matched without regard to case; a name the
// table lacks raises an error that names the field.
#include <cstdint>
#include <string>

namespace vorla {

class CaseRow {
 public:
  virtual ~CaseRow() = default;

  // Makes the row with this SKELETON_ID current; false (and no move) when none matches.
  virtual bool LocateId(std::int32_t id) = 0;

  virtual bool FieldIsNull(const std::string& name) const = 0;
  // An empty field reads as 0, as "" and as 0.0.
  virtual std::int32_t FieldAsInteger(const std::string& name) const = 0;
  virtual std::string FieldAsText(const std::string& name) const = 0;
  virtual double FieldAsFloat(const std::string& name) const = 0;

  // Enters the edit state on the current row (nothing happens when already editing).
  virtual void Edit() = 0;
  virtual void SetFieldInteger(const std::string& name, std::int32_t value) = 0;
  virtual void SetFieldFloat(const std::string& name, double value) = 0;
  // A text written into a numeric field is converted; an empty text empties the field.
  virtual void SetFieldText(const std::string& name, const std::string& value) = 0;
  virtual void SetFieldNull(const std::string& name) = 0;
  // Writes the row to the store in one transaction.
  virtual void Post() = 0;
};

}  // namespace vorla
