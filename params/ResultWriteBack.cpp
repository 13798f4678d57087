#include "params/ResultWriteBack.h"

#include <cmath>

namespace vorla {

namespace {

// The rounding runs in the default mode of the floating-point unit: to nearest, ties to even.
double RoundTo(double x, long double scale) {
  return static_cast<double>(std::nearbyint(static_cast<long double>(x) * scale) / scale);
}

const char* const ComplexEndings[] = {"Max_LIKELIHOOD", "LOW95P_CONF", "UPPER95P_CONF", "DEGFREE", "CHI2", "CHI2_P"};
const char* const CombinedFields[] = {"Res_All_Max_LIKELIHOOD", "Res_All_STD_ERROR",         "Res_All_LOW95P_CONF",
                                      "Res_All_UPPER95P_CONF",  "Res_All_DEGFREE",           "Res_All_CHI2",
                                      "Res_All_CHI2_P",         "Res_AllCor_Max_LIKELIHOOD", "Res_AllCor_STD_ERROR",
                                      "Res_AllCor_LOW95P_CONF", "Res_AllCor_UPPER95P_CONF"};

// A limit the analysis left open (0) is stored as the end of the age grid.
void SetLimit(CaseRow& row, const std::string& field, double limit, const char* openEnd) {
  if (limit > 0)
    row.SetFieldFloat(field, RoundOneDecimal(limit));
  else
    row.SetFieldText(field, openEnd);
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
  for (const char* complex : {"PUBIS", "AURICULAR", "SUTURES"})
    for (const char* ending : ComplexEndings) row.SetFieldNull(ResultPrefix(complex) + ending);

  if (!s) {
    for (const char* field : CombinedFields) row.SetFieldNull(field);
    row.Post();
    return;
  }

  row.SetFieldFloat("Res_All_Max_LIKELIHOOD", RoundOneDecimal(s->MLA));
  row.SetFieldFloat("Res_All_STD_ERROR", RoundOneDecimal(s->SE));
  SetLimit(row, "Res_All_LOW95P_CONF", s->CILow, "15");
  SetLimit(row, "Res_All_UPPER95P_CONF", s->CIHigh, "110");
  row.SetFieldInteger("Res_All_DEGFREE", s->DF);
  if (s->DF >= 1)
    row.SetFieldFloat("Res_All_CHI2", RoundOneDecimal(s->Consistensy));
  else
    row.SetFieldNull("Res_All_CHI2");
  if (s->DF >= 1 && s->PConsistensy >= 0)
    row.SetFieldFloat("Res_All_CHI2_P", RoundTwoDecimals(s->PConsistensy));
  else
    row.SetFieldNull("Res_All_CHI2_P");
  row.SetFieldFloat("Res_AllCor_Max_LIKELIHOOD", RoundOneDecimal(s->Hazard_MLA));
  row.SetFieldFloat("Res_AllCor_STD_ERROR", RoundOneDecimal(s->Hazard_SE));
  row.SetFieldFloat("Res_AllCor_LOW95P_CONF", RoundOneDecimal(s->Hazard_CILow));
  row.SetFieldFloat("Res_AllCor_UPPER95P_CONF", RoundOneDecimal(s->Hazard_CIHigh));

  for (const TraitComplex* c = s->Complexes.get(); c; c = c->Next.get()) {
    const std::string prefix = ResultPrefix(c->Complexname);
    row.SetFieldFloat(prefix + "Max_LIKELIHOOD", RoundOneDecimal(c->MLA));
    SetLimit(row, prefix + "LOW95P_CONF", c->CILow, "15");
    SetLimit(row, prefix + "UPPER95P_CONF", c->CIHigh, "110");
    row.SetFieldInteger(prefix + "DEGFREE", c->DF);
    if (c->DF > 0) {
      row.SetFieldFloat(prefix + "CHI2", RoundOneDecimal(c->Consistensy));
      if (c->PConsistensy >= 0) row.SetFieldFloat(prefix + "CHI2_P", RoundTwoDecimals(c->PConsistensy));
    }
  }
  row.Post();
}

}  // namespace vorla
