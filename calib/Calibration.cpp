#include "calib/Calibration.h"

#include <cmath>

namespace vorla::calib {

namespace {

bool Finite(const ComponentFit& fit) {
  for (const TransitionEstimate& t : fit.transitions)
    if (!std::isfinite(t.a) || !std::isfinite(t.b)) return false;
  return true;
}

std::string Where(const ComplexStructure& c, const ComponentStructure& k, int group) {
  return "Component " + k.name + " (" + c.name + "), " + GroupName(group);
}

}  // namespace

std::string GroupName(int group) {
  switch (group) {
    case 1:
      return "group 1 (female or unknown sex, not black)";
    case 2:
      return "group 2 (male, not black)";
    case 3:
      return "group 3 (female or unknown sex, black)";
    case 4:
      return "group 4 (male, black)";
    default:
      return "all groups";
  }
}

std::vector<FitObservation> ComponentObservations(const ReferenceSample& sample, std::size_t componentIndex,
                                                  int group) {
  std::vector<FitObservation> observations;
  for (const ReferenceIndividual& person : sample.individuals) {
    if (group != 0 && person.group != group) continue;
    const ComponentStages& s = person.stages[componentIndex];
    if (!s.Scored()) continue;
    observations.push_back({person.age, s.low, s.high});
  }
  return observations;
}

CalibrationResult Calibrate(const ParameterStructure& templateStructure, const ReferenceSample& sample,
                            const CalibrationOptions& options) {
  RequireFourGroups(templateStructure);
  const int groups = templateStructure.groups;
  CalibrationResult result;
  result.parameters = templateStructure;
  result.individuals = sample.individuals.size();
  const std::size_t steps = templateStructure.ComponentCount();
  std::size_t index = 0;
  for (ComplexStructure& c : result.parameters.complexes) {
    for (ComponentStructure& k : c.components) {
      Advance(options.progress, "fitting " + k.name, index, steps);
      std::vector<FitReport> fits;
      std::string failure;
      int failedGroup = 0;
      for (int g = 1; g <= groups && failure.empty(); ++g) {
        FitReport report{c.name,
                         k.name,
                         g,
                         FitComponent(k.transitions, ComponentObservations(sample, index, g), options.minPerTransition),
                         {}};
        if (report.fit.status == FitStatus::Converged && !Finite(report.fit)) {
          report.fit.status = FitStatus::NotConverged;
          report.fit.problem = "the fit ended on numbers that are not finite";
        }
        if (report.fit.status != FitStatus::Converged) {
          failure = report.fit.problem;
          failedGroup = g;
        }
        fits.push_back(std::move(report));
      }
      if (!failure.empty()) {
        if (!options.poolGroups) throw CalibrationError(Where(c, k, failedGroup) + ", " + failure + ".", true);
        FitReport pooled{c.name, k.name, 0,
                         FitComponent(k.transitions, ComponentObservations(sample, index, 0), options.minPerTransition),
                         GroupName(failedGroup) + ", " + failure};
        if (pooled.fit.status == FitStatus::Converged && !Finite(pooled.fit)) {
          pooled.fit.status = FitStatus::NotConverged;
          pooled.fit.problem = "the fit ended on numbers that are not finite";
        }
        if (pooled.fit.status != FitStatus::Converged)
          throw CalibrationError(Where(c, k, 0) + " together, " + pooled.fit.problem + ".", false);
        fits.clear();
        fits.push_back(std::move(pooled));
      }
      for (int t = 0; t < k.transitions; ++t)
        for (int g = 1; g <= groups; ++g) {
          const ComponentFit& fit = fits.size() == 1 ? fits.front().fit : fits[static_cast<std::size_t>(g - 1)].fit;
          TransitionRow& row = k.Row(t, g, groups);
          row.a = fit.transitions[static_cast<std::size_t>(t)].a;
          row.b = fit.transitions[static_cast<std::size_t>(t)].b;
          row.c = row.d = row.e = 0.0;
        }
      for (FitReport& f : fits) result.fits.push_back(std::move(f));
      ++index;
    }
  }
  Advance(options.progress, "fitting done", steps, steps);
  return result;
}

}  // namespace vorla::calib
