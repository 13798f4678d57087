#include "calib/CaseProfileRun.h"

#include <stdexcept>

#include "engine/PriorModels.h"
#include "engine/StageLikelihood.h"
#include "params/CaseLoading.h"
#include "params/CaseRun.h"

namespace vorla::calib {

GridValuesOfCase ProfileOfCase(CaseRecord record, const CheckedParameters& set) {
  if (const auto missing =
          MissingChoiceMessage(IsChoice(record.race, AncestryChoices), IsChoice(record.sex, SexChoices), true))
    throw std::runtime_error(*missing);
  TidyScores(record);
  const ComplexSelection& chosen = record.selection;
  if (!chosen.UseCranialData && !chosen.UsePubicData && !chosen.UseAuricularData)
    throw std::runtime_error(NoDataTypesMessage);
  const AnalysisTreePtr loaded = LoadCase(record, set, SelectGroup(record.sex, record.race));
  if (!loaded) throw std::runtime_error(NoDataMessage);
  return UncorrectedCaseProfile(*loaded, LinkFunctionNamed("logit"));
}

}  // namespace vorla::calib
