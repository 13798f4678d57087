#pragma once
// A row that reads through to another row and keeps every write to itself:
// the Analyze action can run on it to see what it would store, while the
// row underneath and its store stay as they are.
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "store/CaseRow.h"

namespace vorla {

// A field whose stored value is not the one the action would store; the
// texts are empty for an empty field.
struct FieldDifference {
  std::string field;
  std::string stored;
  std::string computed;
};

class RowOverlay final : public CaseRow {
 public:
  explicit RowOverlay(const CaseRow& base) : base_(base) {}

  // Only the row underneath is at hand.
  bool LocateId(std::int32_t id) override;

  bool FieldIsNull(const FieldKey& field) const override;
  std::int32_t FieldAsInteger(const FieldKey& field) const override;
  std::string FieldAsText(const FieldKey& field) const override;
  double FieldAsFloat(const FieldKey& field) const override;

  void Edit() override {}
  void SetFieldInteger(const FieldKey& field, std::int32_t value) override;
  void SetFieldFloat(const FieldKey& field, double value) override;
  void SetFieldText(const FieldKey& field, const std::string& value) override;
  void SetFieldNull(const FieldKey& field) override;
  void Post() override {}

  // The fields written here that do not hold what the row underneath holds,
  // in the order of their names; only fields whose names begin with `prefix`
  // (compared without regard to case) are compared.
  std::vector<FieldDifference> DifferencesFromBase(const std::string& prefix) const;

 private:
  using Value = std::variant<std::monostate, std::int32_t, double, std::string>;
  const Value* Written(const std::string& name) const;
  const CaseRow& base_;
  std::map<std::string, Value> written_;  // by lower-case name
};

}  // namespace vorla
