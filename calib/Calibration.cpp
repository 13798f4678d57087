#include "calib/Calibration.h"

#include <algorithm>
#include <cmath>

namespace vorla::calib {

namespace {

bool Finite(const ComponentFit& fit) {
  for (const TransitionEstimate& t : fit.transitions)
    if (!std::isfinite(t.a) || !std::isfinite(t.b)) return false;
  return true;
}

std::string Where(const ComplexStructure& c, const ComponentStructure& k, const std::vector<int>& groups) {
  return "Component " + k.name + " (" + c.name + "), " + GroupsName(groups);
}

// The pools of a pooling, each a list of groups.
std::vector<std::vector<int>> Pools(Pooling pooling) {
  switch (pooling) {
    case Pooling::Sex:
      return {{1, 2}, {3, 4}};
    case Pooling::Ancestry:
      return {{1, 3}, {2, 4}};
    case Pooling::All:
      return {{1, 2, 3, 4}};
    case Pooling::None:
      break;
  }
  return {{1}, {2}, {3}, {4}};
}

bool Contains(const std::vector<int>& groups, int group) {
  return std::find(groups.begin(), groups.end(), group) != groups.end();
}

FitReport FitOn(const ReferenceSample& sample, const ComplexStructure& c, const ComponentStructure& k,
                std::size_t index, const std::vector<int>& groups, int minPerTransition) {
  FitReport report{c.name,
                   k.name,
                   groups.size() == 1 ? groups.front() : 0,
                   groups,
                   FitComponent(k.transitions, ComponentObservations(sample, index, groups), minPerTransition),
                   {}};
  if (report.fit.status == FitStatus::Converged && !Finite(report.fit)) {
    report.fit.status = FitStatus::NotConverged;
    report.fit.problem = "the fit ended on numbers that are not finite";
    report.fit.problems = {report.fit.problem};
  }
  return report;
}

// One line per transition that cannot be fitted, then the individuals by stage.
void ListProblems(const ComplexStructure& c, const ComponentStructure& k, const FitReport& f,
                  std::vector<std::string>& lines) {
  for (const std::string& problem : f.fit.problems) lines.push_back(Where(c, k, f.groups) + ", " + problem + ".");
  if (f.fit.individuals == 0) return;
  std::string counts;
  for (std::size_t s = 0; s < f.fit.stageCounts.size(); ++s)
    counts +=
        (s ? ", " : "") + std::string("stage ") + std::to_string(s + 1) + ": " + std::to_string(f.fit.stageCounts[s]);
  if (!counts.empty()) lines.push_back("  Individuals by stage there: " + counts + ".");
}

}  // namespace

Pooling ParsePooling(const std::string& text) {
  if (text == "sex") return Pooling::Sex;
  if (text == "ancestry") return Pooling::Ancestry;
  if (text == "all") return Pooling::All;
  throw std::invalid_argument("--pool is sex, ancestry or all, not " + text);
}

std::string PoolingName(Pooling pooling) {
  switch (pooling) {
    case Pooling::Sex:
      return "sex";
    case Pooling::Ancestry:
      return "ancestry";
    case Pooling::All:
      return "all";
    case Pooling::None:
      break;
  }
  return "none";
}

std::string ThinDataAdvice(bool poolingMayHelp) {
  std::string text =
      "A stage with few individuals can be merged with its neighbour on the template's recoding line: let the\n"
      "scores of the sparse stage stand for the neighbouring stage, lower the number of transitions on that\n"
      "line by one and remove the last transition's rows (one per group) below it.\n";
  if (poolingMayHelp)
    text +=
        "Or fit such a trait on groups together: --pool sex (both sexes of an ancestry), --pool ancestry (both\n"
        "ancestries of a sex, for a collection of one ancestry) or --pool all.\n";
  text += "--min-per-transition N changes the number of individuals needed on each side.\n";
  return text;
}

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

std::string GroupsName(const std::vector<int>& groups) {
  if (groups.size() == 1) return GroupName(groups.front());
  if (groups.size() != 2) return "all groups";
  const std::string pair = "groups " + std::to_string(groups[0]) + " and " + std::to_string(groups[1]);
  if (groups[0] == 1 && groups[1] == 2) return pair + " (not black)";
  if (groups[0] == 3 && groups[1] == 4) return pair + " (black)";
  if (groups[0] == 1 && groups[1] == 3) return pair + " (female or unknown sex)";
  if (groups[0] == 2 && groups[1] == 4) return pair + " (male)";
  return pair;
}

std::vector<FitObservation> ComponentObservations(const ReferenceSample& sample, std::size_t componentIndex,
                                                  int group) {
  return group == 0 ? ComponentObservations(sample, componentIndex, std::vector<int>{1, 2, 3, 4})
                    : ComponentObservations(sample, componentIndex, std::vector<int>{group});
}

std::vector<FitObservation> ComponentObservations(const ReferenceSample& sample, std::size_t componentIndex,
                                                  const std::vector<int>& groups) {
  std::vector<FitObservation> observations;
  for (const ReferenceIndividual& person : sample.individuals) {
    if (!Contains(groups, person.group)) continue;
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
  result.mostAgeSE = options.mostAgeSE;
  const std::size_t steps = templateStructure.ComponentCount();
  std::size_t index = 0;
  std::vector<std::string> problems;  // of every component, so that one run lists them all
  std::size_t undetermined = 0;
  bool poolingMayHelp = false;
  for (ComplexStructure& c : result.parameters.complexes) {
    for (ComponentStructure& k : c.components) {
      Advance(options.progress, "fitting " + k.name, index, steps);
      std::vector<FitReport> fits;  // one per group, in group order
      for (int g = 1; g <= groups; ++g) fits.push_back(FitOn(sample, c, k, index, {g}, options.minPerTransition));
      std::vector<FitReport> used;
      bool failed = false;
      for (const std::vector<int>& pool : Pools(options.pooling)) {
        const auto alone = [&](int g) -> FitReport& { return fits[static_cast<std::size_t>(g - 1)]; };
        const auto failing =
            std::find_if(pool.begin(), pool.end(), [&](int g) { return alone(g).fit.status != FitStatus::Converged; });
        if (failing == pool.end()) {
          for (int g : pool) used.push_back(std::move(alone(g)));
          continue;
        }
        if (pool.size() == 1) {
          ListProblems(c, k, alone(*failing), problems);
          undetermined += alone(*failing).fit.problems.size();
          poolingMayHelp = true;
          failed = true;
          continue;
        }
        FitReport pooled = FitOn(sample, c, k, index, pool, options.minPerTransition);
        pooled.pooledBecause = GroupName(*failing) + ", " + alone(*failing).fit.problem;
        if (pooled.fit.status != FitStatus::Converged) {
          ListProblems(c, k, pooled, problems);
          undetermined += pooled.fit.problems.size();
          poolingMayHelp |= pool.size() < 4;
          failed = true;
          continue;
        }
        used.push_back(std::move(pooled));
      }
      if (!failed) {
        for (int t = 0; t < k.transitions; ++t)
          for (int g = 1; g <= groups; ++g) {
            const auto fit =
                std::find_if(used.begin(), used.end(), [g](const FitReport& f) { return Contains(f.groups, g); });
            TransitionRow& row = k.Row(t, g, groups);
            row.a = fit->fit.transitions[static_cast<std::size_t>(t)].a;
            row.b = fit->fit.transitions[static_cast<std::size_t>(t)].b;
            row.c = row.d = row.e = 0.0;
          }
        std::sort(used.begin(), used.end(),
                  [](const FitReport& x, const FitReport& y) { return x.groups.front() < y.groups.front(); });
        for (FitReport& f : used) result.fits.push_back(std::move(f));
      }
      ++index;
    }
  }
  if (!problems.empty()) {
    std::string message = "The sample cannot determine " + std::to_string(undetermined) +
                          (undetermined == 1 ? " transition:" : " transitions:");
    for (const std::string& line : problems) message += "\n" + line;
    throw CalibrationError(message, poolingMayHelp);
  }
  Advance(options.progress, "fitting done", steps, steps);
  return result;
}

}  // namespace vorla::calib
