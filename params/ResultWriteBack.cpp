#include "params/ResultWriteBack.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

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

// The keys of the result fields are made once for every row of every run.
const std::vector<FieldKey>& CombinedKeys() {
  static const std::vector<FieldKey> keys(std::begin(CombinedFields), std::end(CombinedFields));
  return keys;
}

std::vector<FieldKey> ComplexKeys(const std::string& complexName) {
  std::vector<FieldKey> keys;
  for (const char* ending : ComplexEndings) keys.emplace_back(ResultPrefix(complexName) + ending);
  return keys;
}

const std::array<std::pair<const char*, std::vector<FieldKey>>, 3>& KnownComplexKeys() {
  static const std::array<std::pair<const char*, std::vector<FieldKey>>, 3> keys = {
      {{"PUBIS", ComplexKeys("PUBIS")}, {"AURICULAR", ComplexKeys("AURICULAR")}, {"SUTURES", ComplexKeys("SUTURES")}}};
  return keys;
}

// A limit the analysis left open (0) is stored as the end of the age grid.
void SetLimit(CaseRow& row, const FieldKey& field, double limit, const char* openEnd) {
  if (limit > 0)
    row.SetFieldFloat(field, RoundOneDecimal(limit));
  else
    row.SetFieldText(field, openEnd);
}

void StoreComplex(CaseRow& row, const std::vector<FieldKey>& k, const TraitComplex& c) {
  row.SetFieldFloat(k[Mla], RoundOneDecimal(c.MLA));
  SetLimit(row, k[Low], c.CILow, "15");
  SetLimit(row, k[Upper], c.CIHigh, "110");
  row.SetFieldInteger(k[Df], c.DF);
  if (c.DF > 0) {
    row.SetFieldFloat(k[Chi2], RoundOneDecimal(c.Consistensy));
    if (c.PConsistensy >= 0) row.SetFieldFloat(k[P], RoundTwoDecimals(c.PConsistensy));
  }
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

void StoreResults(std::int32_t skeletonId, CaseRow& row, const TTransisionsAnalyseDataSet* s) {
  row.LocateId(skeletonId);
  row.Edit();
  WriteResults(row, s);
  row.Post();
}

void WriteResults(CaseRow& row, const TTransisionsAnalyseDataSet* s) {
  for (const auto& [name, keys] : KnownComplexKeys())
    for (const FieldKey& key : keys) row.SetFieldNull(key);

  const std::vector<FieldKey>& k = CombinedKeys();
  if (!s) {
    for (const FieldKey& key : k) row.SetFieldNull(key);
    return;
  }

  row.SetFieldFloat(k[AllMla], RoundOneDecimal(s->MLA));
  row.SetFieldFloat(k[AllSe], RoundOneDecimal(s->SE));
  SetLimit(row, k[AllLow], s->CILow, "15");
  SetLimit(row, k[AllUpper], s->CIHigh, "110");
  row.SetFieldInteger(k[AllDf], s->DF);
  if (s->DF >= 1)
    row.SetFieldFloat(k[AllChi2], RoundOneDecimal(s->Consistensy));
  else
    row.SetFieldNull(k[AllChi2]);
  if (s->DF >= 1 && s->PConsistensy >= 0)
    row.SetFieldFloat(k[AllP], RoundTwoDecimals(s->PConsistensy));
  else
    row.SetFieldNull(k[AllP]);
  row.SetFieldFloat(k[CorMla], RoundOneDecimal(s->Hazard_MLA));
  row.SetFieldFloat(k[CorSe], RoundOneDecimal(s->Hazard_SE));
  row.SetFieldFloat(k[CorLow], RoundOneDecimal(s->Hazard_CILow));
  row.SetFieldFloat(k[CorUpper], RoundOneDecimal(s->Hazard_CIHigh));

  for (const TraitComplex* c = s->Complexes.get(); c; c = c->Next.get()) {
    const auto known = std::find_if(KnownComplexKeys().begin(), KnownComplexKeys().end(),
                                    [c](const auto& entry) { return c->Complexname == entry.first; });
    if (known != KnownComplexKeys().end())
      StoreComplex(row, known->second, *c);
    else
      StoreComplex(row, ComplexKeys(c->Complexname), *c);
  }
}

}  // namespace vorla
