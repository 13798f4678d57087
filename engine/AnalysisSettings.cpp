#include "engine/AnalysisSettings.h"

#include <string>

#include "engine/AnalysisError.h"
#include "engine/PriorModels.h"
#include "engine/StageLikelihood.h"

namespace vorla {

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

AnalysisSettings ChooseAnalysisSettings(int level, const std::string& linkFunction, const std::string& hazardModel,
                                        const std::string& sex, const std::string& race) {
  return ChooseAnalysisSettings(level, linkFunction, hazardModel, sex, race, {});
}

AnalysisSettings ChooseAnalysisSettings(int level, const std::string& linkFunction, const std::string& hazardModel,
                                        const std::string& sex, const std::string& race,
                                        const std::vector<OwnMortalityModel>& ownModels) {
  AnalysisSettings settings;
  settings.criticalValue = CriticalValueForLevel(level);
  settings.link = LinkFunctionNamed(linkFunction);
  settings.prior = HazardTableNamed(hazardModel, ownModels);
  settings.group = SelectGroup(sex, race);
  return settings;
}

}  // namespace vorla
