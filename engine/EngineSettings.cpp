#include "engine/EngineSettings.h"

#include <string>

#include "engine/AnalysisError.h"
#include "engine/PriorModels.h"
#include "engine/StageLikelihood.h"

namespace vorla {

thread_local long double CriticalValue = 0.0L;
thread_local LinkFunctionType LinkFunction = &Logit;
thread_local PriorDensityType PriorDensity = &HazardDensity;
thread_local HazardTableType HazardTable{};

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
