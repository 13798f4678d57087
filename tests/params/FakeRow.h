#pragma once
// A case row held in memory, for the tests of the case binding.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/TextCase.h"
#include "store/CaseRow.h"
#include "store/StoreError.h"

namespace vorla::test {

class FakeRow : public CaseRow {
 public:
  // Field names (any case) with no value; SKELETON_ID is added.
  explicit FakeRow(const std::vector<std::string>& fields);

  std::map<std::string, std::optional<std::string>> values;  // upper-case name -> text
  int posts = 0;
  bool editing = false;
  std::int32_t id = 1;

  void Set(const std::string& name, const std::string& text) { Slot(name) = text; }
  void Clear(const std::string& name) { Slot(name).reset(); }

  bool LocateId(std::int32_t key) override { return key == id; }
  bool FieldIsNull(const FieldKey& field) const override { return !Slot(field.Name()).has_value(); }
  std::int32_t FieldAsInteger(const FieldKey& field) const override;
  std::string FieldAsText(const FieldKey& field) const override { return Slot(field.Name()).value_or(""); }
  double FieldAsFloat(const FieldKey& field) const override;
  void Edit() override { editing = true; }
  void SetFieldInteger(const FieldKey& field, std::int32_t value) override {
    Write(field.Name(), std::to_string(value));
  }
  void SetFieldFloat(const FieldKey& field, double value) override;
  void SetFieldText(const FieldKey& field, const std::string& value) override;
  void SetFieldNull(const FieldKey& field) override;
  void Post() override {
    ++posts;
    editing = false;
  }

 private:
  void Write(const std::string& name, const std::string& text);
  std::optional<std::string>& Slot(const std::string& name);
  const std::optional<std::string>& Slot(const std::string& name) const;
};

// Every field of the case table: identification, scores, results.
std::vector<std::string> AllCaseFields();

}  // namespace vorla::test
