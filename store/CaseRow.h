#pragma once
// What the case binding (parameter reader, case loading, result write-back)
// needs of the case table: one current row, reached by key, read and written
// field by field. Field names are matched without regard to case; a name the
// table lacks raises an error that names the field.
#include <atomic>
#include <cstdint>
#include <string>

namespace vorla {

// A field's name, and the column the case table found it in: a caller that
// reads the same fields of many rows keeps its keys, and after the first
// look-up the table reaches the field by its position. A row that keeps its
// fields by name reads the name. Any text converts to a key.
class FieldKey {
 public:
  FieldKey(std::string name) : name_(std::move(name)) {}  // NOLINT: a name is a key
  FieldKey(const char* name) : name_(name) {}             // NOLINT
  FieldKey(const FieldKey& other) : name_(other.name_), column_(other.Column()) {}
  FieldKey& operator=(const FieldKey&) = delete;

  const std::string& Name() const { return name_; }
  // The column found for the name; -1 until one is found.
  int Column() const { return column_.load(std::memory_order_relaxed); }
  // Kept by the table, for a column that never moves; rows on several
  // threads may find it at once.
  void RememberColumn(int column) const { column_.store(column, std::memory_order_relaxed); }

 private:
  std::string name_;
  mutable std::atomic<int> column_{-1};
};

class CaseRow {
 public:
  virtual ~CaseRow() = default;

  // Makes the row with this SKELETON_ID current; false (and no move) when none matches.
  virtual bool LocateId(std::int32_t id) = 0;

  virtual bool FieldIsNull(const FieldKey& field) const = 0;
  // An empty field reads as 0, as "" and as 0.0.
  virtual std::int32_t FieldAsInteger(const FieldKey& field) const = 0;
  virtual std::string FieldAsText(const FieldKey& field) const = 0;
  virtual double FieldAsFloat(const FieldKey& field) const = 0;

  // Enters the edit state on the current row (nothing happens when already editing).
  virtual void Edit() = 0;
  virtual void SetFieldInteger(const FieldKey& field, std::int32_t value) = 0;
  virtual void SetFieldFloat(const FieldKey& field, double value) = 0;
  // A text written into a numeric field is converted; an empty text empties the field.
  virtual void SetFieldText(const FieldKey& field, const std::string& value) = 0;
  virtual void SetFieldNull(const FieldKey& field) = 0;
  // Writes the row to the store in one transaction.
  virtual void Post() = 0;
};

}  // namespace vorla
