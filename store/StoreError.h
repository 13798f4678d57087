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

}  // namespace vorla
