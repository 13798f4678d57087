#pragma once
// The choices one analysis is made under: the level of the limits, the link
// function of the transitions, the mortality prior of the corrected estimate
// and the sex and ancestry group whose parameters the case is loaded with.
// The caller makes the value and hands it to every step of the run; the
// engine keeps none of it between calls, so runs with other choices, before
// or beside this one on any thread, cannot change its numbers.
#include <array>
#include <string>
#include <vector>

namespace vorla {

using LinkFunctionType = double (*)(double a, double b, double c, double d, double e, double x);
using HazardTableType = std::array<double, 9>;

struct AnalysisSettings {
  long double criticalValue = 0.0L;  // half the chi-square critical value of the level (CriticalValueForLevel)
  LinkFunctionType link = nullptr;   // the probability of having passed a transition at an age
  HazardTableType prior{};           // the Gompertz-Makeham table of the mortality prior (PriorModels.h)
  int group = 1;                     // 1 to 4 (SelectGroup): the rows of the parameter set that are read
};

// The constant of a confidence level of 90, 95 or 99 %; throws for any other level.
long double CriticalValueForLevel(int level);

// The settings for a level (90, 95 or 99), a link function ("logit"), a
// mortality model ("archeological" or "forensic") and a sex and ancestry, the
// names in any letter case. Throws AnalysisError for a level, link or model
// that is none of these, in that order.
AnalysisSettings ChooseAnalysisSettings(int level, const std::string& linkFunction, const std::string& hazardModel,
                                        const std::string& sex, const std::string& race);
// The same, the mortality model also one of the case folder's own by its name.
struct OwnMortalityModel;
AnalysisSettings ChooseAnalysisSettings(int level, const std::string& linkFunction, const std::string& hazardModel,
                                        const std::string& sex, const std::string& race,
                                        const std::vector<OwnMortalityModel>& ownModels);

}  // namespace vorla
