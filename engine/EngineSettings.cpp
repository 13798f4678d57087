#include "engine/EngineSettings.h"

#include <string>

#include "engine/AnalysisError.h"
#include "engine/PriorModels.h"
#include "engine/StageLikelihood.h"

namespace vorla {

long double CriticalValue = 0.0L;
LinkFunctionType LinkFunction = &Logit;
PriorDensityType PriorDensity = &HazardDensity;
HazardTableType HazardTable{};

long double CriticalValueForLevel(int level) {
  switch (level) {
    case 90:
      return 1.355L;
    case 95:
      return 1.9208L;
    case 99:
      return 3.315L;
    default:
      throw AnalysisError("illegal confidence level: " + std::to_string(level));
  }
}

}  // namespace vorla
