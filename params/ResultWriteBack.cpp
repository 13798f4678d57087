#include "params/ResultWriteBack.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include "engine/TextCase.h"
#include "params/CaseRecord.h"
#include "params/CaseRun.h"

namespace vorla {

namespace {

// The rounding runs in the default mode of the floating-point unit: to nearest, ties to even.
double RoundTo(double x, long double scale) {
  return static_cast<double>(std::nearbyint(static_cast<long double>(x) * scale) / scale);
}

const char* const ComplexEndings[] = {"Max_LIKELIHOOD", "LOW95P_CONF", "UPPER95P_CONF", "DEGFREE", "CHI2", "CHI2_P"};
enum ComplexField { Mla, Low, Upper, Df, Chi2, P };
const char* const CombinedFields[] = {"Res_All_Max_LIKELIHOOD", "Res_All_STD_ERROR",         "Res_All_LOW95P_CONF",
                                      "Res_All_UPPER95P_CONF",  "Res_All_DEGFREE",           "Res_All_CHI2",
                                      "Res_All_CHI2_P",         "Res_AllCor_Max_LIKELIHOOD", "Res_AllCor_STD_ERROR",
                                      "Res_AllCor_LOW95P_CONF", "Res_AllCor_UPPER95P_CONF"};
enum CombinedField { AllMla, AllSe, AllLow, AllUpper, AllDf, AllChi2, AllP, CorMla, CorSe, CorLow, CorUpper };
constexpr std::size_t CombinedCount = std::size(CombinedFields);
// The known complexes in the order of their fields after the combined ones.
const char* const KnownComplexNames[] = {"PUBIS", "AURICULAR", "SUTURES"};

// The index of a known complex's first result field; none for another complex.
std::optional<std::size_t> KnownComplexStart(const std::string& complexName) {
  for (std::size_t i = 0; i < std::size(KnownComplexNames); ++i)
    if (complexName == KnownComplexNames[i]) return CombinedCount + 6 * i;
  return std::nullopt;
}

// Where the values of one complex go: the fields of a known complex, or
// fields by name for another one.
struct ComplexTarget {
  CaseResults& results;
  std::optional<std::size_t> start;
  std::string prefix;
  void Set(ComplexField field, ResultValue value) const {
    if (start)
      results.fields[*start + field] = std::move(value);
    else
      results.otherFields.emplace_back(prefix + ComplexEndings[field], std::move(value));
  }
};

// A limit the analysis left open (0) is stored as the end of the age grid.
ResultValue Limit(double limit, const char* openEnd) {
  if (limit > 0) return RoundOneDecimal(limit);
  return std::string(openEnd);
}

void ComplexResults(const ComplexTarget& to, const TraitComplex& c) {
  to.Set(Mla, RoundOneDecimal(c.MLA));
  to.Set(Low, Limit(c.CILow, "15"));
  to.Set(Upper, Limit(c.CIHigh, "110"));
  to.Set(Df, c.DF);
  if (c.DF > 0) {
    to.Set(Chi2, RoundOneDecimal(c.Consistensy));
    if (c.PConsistensy >= 0) to.Set(P, RoundTwoDecimals(c.PConsistensy));
  }
}

bool IsEmpty(const std::optional<ResultValue>& value) {
  return !value || std::holds_alternative<std::monostate>(*value);
}

void Apply(CaseRow& row, const FieldKey& field, const ResultValue& value) {
  if (const auto* i = std::get_if<std::int32_t>(&value))
    row.SetFieldInteger(field, *i);
  else if (const auto* d = std::get_if<double>(&value))
    row.SetFieldFloat(field, *d);
  else if (const auto* s = std::get_if<std::string>(&value))
    row.SetFieldText(field, *s);
  else
    row.SetFieldNull(field);
}

}  // namespace

double RoundOneDecimal(double x) {
  return RoundTo(x, 10.0L);
}
double RoundTwoDecimals(double x) {
  return RoundTo(x, 100.0L);
}

std::string ResultPrefix(const std::string& complexName) {
  if (complexName == "PUBIS") return "RES_PUB_";
  if (complexName == "AURICULAR") return "RES_AUR_";
  if (complexName == "SUTURES") return "RES_CRA_";
  return complexName;
}

std::vector<std::string> ComplexResultFields(const std::string& complexName) {
  std::vector<std::string> fields;
  for (const char* ending : ComplexEndings) fields.push_back(ResultPrefix(complexName) + ending);
  return fields;
}

// The store's keys of the result fields, made once for every row of every
// run; the table remembers their columns.
const std::array<FieldKey, ResultFieldCount>& ResultFieldKeys() {
  static const std::array<FieldKey, ResultFieldCount> keys = [] {
    std::vector<std::string> names(std::begin(CombinedFields), std::end(CombinedFields));
    for (const char* complex : KnownComplexNames)
      for (const std::string& field : ComplexResultFields(complex)) names.push_back(field);
    return [&names]<std::size_t... I>(std::index_sequence<I...>) {
      return std::array<FieldKey, ResultFieldCount>{FieldKey(names[I])...};
    }
    (std::make_index_sequence<ResultFieldCount>());
  }();
  return keys;
}

const ResultValue* CaseResults::Field(const std::string& name) const {
  const std::string wanted = LowerCase(name);
  const auto& keys = ResultFieldKeys();
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (LowerCase(keys[i].Name()) == wanted) return fields[i] ? &*fields[i] : nullptr;
  for (const auto& [field, value] : otherFields)
    if (LowerCase(field) == wanted) return &value;
  return nullptr;
}

CaseResults ResultsOfCase(std::int32_t id, const TTransisionsAnalyseDataSet* s, int level, const ParameterIdentity& set,
                          const ComplexSelection& selection) {
  CaseResults r;
  r.id = id;
  r.level = level;
  r.set = set;
  r.analysed = s != nullptr;
  // The fields of the known complexes are emptied first: those the case
  // has no results for stay empty.
  for (std::size_t i = CombinedCount; i < ResultFieldCount; ++i) r.fields[i] = std::monostate{};
  if (!s) {
    for (std::size_t i = 0; i < CombinedCount; ++i) r.fields[i] = std::monostate{};
    return r;
  }

  auto& f = r.fields;
  f[AllMla] = RoundOneDecimal(s->MLA);
  f[AllSe] = RoundOneDecimal(s->SE);
  f[AllLow] = Limit(s->CILow, "15");
  f[AllUpper] = Limit(s->CIHigh, "110");
  f[AllDf] = s->DF;
  f[AllChi2] = s->DF >= 1 ? ResultValue(RoundOneDecimal(s->Consistensy)) : ResultValue();
  f[AllP] = s->DF >= 1 && s->PConsistensy >= 0 ? ResultValue(RoundTwoDecimals(s->PConsistensy)) : ResultValue();
  f[CorMla] = RoundOneDecimal(s->Hazard_MLA);
  f[CorSe] = RoundOneDecimal(s->Hazard_SE);
  f[CorLow] = RoundOneDecimal(s->Hazard_CILow);
  f[CorUpper] = RoundOneDecimal(s->Hazard_CIHigh);
  for (const TraitComplex* c = s->Complexes.get(); c; c = c->Next.get())
    ComplexResults({r, KnownComplexStart(c->Complexname), ResultPrefix(c->Complexname)}, *c);

  // The summary's corrections.
  if (const auto* p = std::get_if<double>(&*f[AllP]); p != nullptr && *p == -1.0) f[AllP] = std::monostate{};
  for (int i = 0; i < 3; ++i) {
    if (!SelectionFlag(selection, i)) continue;
    const std::size_t start = *KnownComplexStart(KnownComplexes()[static_cast<std::size_t>(i)].complexName);
    if (!IsEmpty(f[start + Mla]) && IsEmpty(f[start + P])) f[start + P] = 1.0;
  }
  return r;
}

void StoreCaseResults(CaseRow& row, const CaseResults& r, const CaseRecord* tidied) {
  static const FieldKey levelField(ResultLevelField), setField(ResultSetField),
      demonstrationField(ResultDemonstrationField);
  row.Edit();
  if (tidied != nullptr) WriteTidiedScores(row, *tidied);
  if (r.analysed) {
    row.SetFieldInteger(levelField, r.level);
    row.SetFieldText(setField, r.set.sha256);
    row.SetFieldInteger(demonstrationField, r.set.demonstration ? 1 : 0);
  } else {
    for (const FieldKey* key : {&levelField, &setField, &demonstrationField}) row.SetFieldNull(*key);
  }
  const auto& keys = ResultFieldKeys();
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (r.fields[i]) Apply(row, keys[i], *r.fields[i]);
  for (const auto& [field, value] : r.otherFields) Apply(row, field, value);
  row.Post();
}

bool RowHoldsValue(const CaseRow& row, const FieldKey& field, const ResultValue& value) {
  const auto* text = std::get_if<std::string>(&value);
  const bool empty = std::holds_alternative<std::monostate>(value) || (text != nullptr && text->empty());
  if (empty != row.FieldIsNull(field)) return false;
  if (empty) return true;
  if (text != nullptr) return row.FieldAsText(field) == *text;
  const double number = std::holds_alternative<double>(value) ? std::get<double>(value)
                                                              : static_cast<double>(std::get<std::int32_t>(value));
  return row.FieldAsFloat(field) == number;
}

}  // namespace vorla
