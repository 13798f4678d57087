#pragma once
// The one kind of error the store raises: a failure of the database, a field
// the table lacks, a value a field cannot take, an operation in the wrong state.
#include <stdexcept>
#include <string>

namespace vorla {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A field name the table lacks; the message names the field as it was asked for.
class FieldNotFound : public StoreError {
 public:
  explicit FieldNotFound(const std::string& name) : StoreError("Field '" + name + "' not found"), name_(name) {}
  const std::string& FieldName() const { return name_; }

 private:
  std::string name_;
};

// A row that another writer changed after it was read: posting it would
// overwrite their change. The row keeps its edit state and what was written
// into it; reloading it or overwriting the stored row are the ways on.
class RowChangedError : public StoreError {
 public:
  explicit RowChangedError(const std::string& when)
      : StoreError("This case was changed by another user at " + when), when_(when) {}
  const std::string& When() const { return when_; }

 private:
  std::string when_;
};

}  // namespace vorla
