#pragma once
// The uncorrected likelihood profile of one case, read as the Analyze action
// reads it, for the mortality of a set of cases.
#include "engine/CaseProfile.h"
#include "params/CaseRecord.h"
#include "params/ParameterCheck.h"

namespace vorla::calib {

// The case's scores are checked and tidied, the complexes without scores
// are left out, and the case is loaded with the set under its sex and
// ancestry; the mortality model it chose plays no part. A case the action
// would refuse (no ancestry or sex, a score that is no stage) or that has
// nothing to analyse throws std::runtime_error with the action's message.
GridValuesOfCase ProfileOfCase(CaseRecord record, const CheckedParameters& set);

}  // namespace vorla::calib
