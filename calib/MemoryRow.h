#pragma once
// A case row held in memory: the row interface of the case table over a
// fixed list of fields, so that a reference individual goes through the very
// steps of the Analyze action without a database.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/CaseRow.h"

namespace vorla::calib {

// The field names of a row, found without regard to case.
class FieldLayout {
 public:
  explicit FieldLayout(const std::vector<std::string>& names);
  // Index of the field, or -1.
  int Find(std::string_view name) const;
  std::size_t Size() const { return names_.size(); }
  const std::string& Name(std::size_t index) const { return names_[index]; }

 private:
  std::vector<std::string> names_;
  std::unordered_map<std::string, int> index_;  // upper-case name -> index
};

// Every field of the case table.
std::shared_ptr<const FieldLayout> CaseTableLayout();

class MemoryRow : public CaseRow {
 public:
  MemoryRow(std::shared_ptr<const FieldLayout> layout, std::int32_t id);

  // Sets a field without the edit state (filling the row before use).
  void Fill(const std::string& name, const std::string& text);

  bool LocateId(std::int32_t id) override { return id == id_; }
  bool FieldIsNull(const FieldKey& field) const override { return !Slot(field.Name()).has_value(); }
  std::int32_t FieldAsInteger(const FieldKey& field) const override;
  std::string FieldAsText(const FieldKey& field) const override { return Slot(field.Name()).value_or(""); }
  double FieldAsFloat(const FieldKey& field) const override;
  void Edit() override { editing_ = true; }
  void SetFieldInteger(const FieldKey& field, std::int32_t value) override;
  void SetFieldFloat(const FieldKey& field, double value) override;
  void SetFieldText(const FieldKey& field, const std::string& value) override;
  void SetFieldNull(const FieldKey& field) override;
  void Post() override { editing_ = false; }

 private:
  std::optional<std::string>& Slot(const std::string& name);
  const std::optional<std::string>& Slot(const std::string& name) const;
  std::optional<std::string>& Writable(const std::string& name);

  std::shared_ptr<const FieldLayout> layout_;
  std::vector<std::optional<std::string>> values_;
  std::int32_t id_;
  bool editing_ = false;
};

}  // namespace vorla::calib
