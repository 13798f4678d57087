#include "FakeRow.h"

#include <cmath>
#include <sstream>

#include "params/CaseRun.h"

namespace vorla::test {

FakeRow::FakeRow(const std::vector<std::string>& fields) {
  values["skeleton_id"] = "1";
  for (const std::string& f : fields) values[LowerCase(f)];
}

std::optional<std::string>& FakeRow::Slot(const std::string& name) {
  auto it = values.find(LowerCase(name));
  if (it == values.end()) throw FieldNotFound(name);
  return it->second;
}

const std::optional<std::string>& FakeRow::Slot(const std::string& name) const {
  return const_cast<FakeRow*>(this)->Slot(name);
}

std::int32_t FakeRow::FieldAsInteger(const FieldKey& field) const {
  const std::string& name = field.Name();
  const auto& v = Slot(name);
  return v ? static_cast<std::int32_t>(std::lround(std::stod(*v))) : 0;
}

double FakeRow::FieldAsFloat(const FieldKey& field) const {
  const std::string& name = field.Name();
  const auto& v = Slot(name);
  return v ? std::stod(*v) : 0.0;
}

void FakeRow::Write(const std::string& name, const std::string& text) {
  if (!editing) throw StoreError("Table is not in edit mode");
  Slot(name) = text;
}

void FakeRow::SetFieldFloat(const FieldKey& field, double value) {
  const std::string& name = field.Name();
  std::ostringstream text;
  text.precision(17);
  text << value;
  Write(name, text.str());
}

void FakeRow::SetFieldText(const FieldKey& field, const std::string& value) {
  const std::string& name = field.Name();
  if (value.empty())
    SetFieldNull(name);
  else
    Write(name, value);
}

void FakeRow::SetFieldNull(const FieldKey& field) {
  const std::string& name = field.Name();
  if (!editing) throw StoreError("Table is not in edit mode");
  Slot(name).reset();
}

std::vector<std::string> AllCaseFields() {
  std::vector<std::string> fields = {"SKELETON_NAME", "SEX", "RACE", "HAZARDFUNC"};
  for (const ComplexPairs& c : KnownComplexes()) {
    for (const std::string& base : c.pairBases) {
      fields.push_back(base + "_LOW");
      fields.push_back(base + "_UPPER");
    }
    for (const char* end : {"MAX_LIKELIHOOD", "LOW95P_CONF", "UPPER95P_CONF", "DEGFREE", "CHI2", "CHI2_P"})
      fields.push_back(std::string(c.resultPrefix) + end);
  }
  for (const char* f :
       {"RES_ALL_MAX_LIKELIHOOD", "RES_ALL_STD_ERROR", "RES_ALL_LOW95P_CONF", "RES_ALL_UPPER95P_CONF",
        "RES_ALL_DEGFREE", "RES_ALL_CHI2", "RES_ALL_CHI2_P", "RES_ALLCOR_MAX_LIKELIHOOD", "RES_ALLCOR_STD_ERROR",
        "RES_ALLCOR_LOW95P_CONF", "RES_ALLCOR_UPPER95P_CONF", "RES_CI_LEVEL", "RES_PARAM_SHA256", "RES_PARAM_DEMO"})
    fields.push_back(f);
  return fields;
}

}  // namespace vorla::test
