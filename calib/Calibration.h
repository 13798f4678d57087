#pragma once
// Calibration of a parameter set on a reference sample: for every component
// and every sex and ancestry group, the a and b of all transitions by maximum
// likelihood at the individuals' documented ages; c, d and e become 0; the
// structure and the variance factors stay those of the template.
#include <stdexcept>
#include <string>
#include <vector>

#include "calib/ParameterStructure.h"
#include "calib/Progress.h"
#include "calib/ReferenceSample.h"
#include "calib/TransitionFit.h"

namespace vorla::calib {

// Which groups a component is fitted on together when one of them cannot
// determine it alone: None (every group alone), Sex (both sexes of an
// ancestry: groups 1 and 2, groups 3 and 4), Ancestry (both ancestries of a
// sex: groups 1 and 3, groups 2 and 4), All (the four groups).
enum class Pooling { None, Sex, Ancestry, All };

// "sex", "ancestry" or "all"; throws std::invalid_argument otherwise.
Pooling ParsePooling(const std::string& text);
std::string PoolingName(Pooling pooling);

// A transition whose standard error of age exceeds this many years is not
// determined by the sample, unless the options say otherwise.
inline constexpr double DefaultMostAgeSE = 20.0;

struct CalibrationOptions {
  int minPerTransition = 20;        // individuals needed on each side of every transition
  Pooling pooling = Pooling::None;  // how a component that a group cannot determine is fitted
  double mostAgeSE = DefaultMostAgeSE;
  const Progress* progress = nullptr;
};

struct FitReport {
  std::string complexName;
  std::string componentName;
  int group = 0;            // 1 to 4, or 0 for groups fitted together
  std::vector<int> groups;  // the groups fitted: {group}, or the pool
  ComponentFit fit;
  std::string pooledBecause;  // for a pool: the group and transition that could not be determined alone
};

struct CalibrationResult {
  ParameterStructure parameters;
  std::vector<FitReport> fits;  // component by component, group by group
  std::size_t individuals = 0;
  double mostAgeSE = DefaultMostAgeSE;
};

// Components that the data cannot determine; the message lists every
// transition that cannot be fitted, one line each, naming the component, the
// group and the transition, with the individuals seen in each stage.
class CalibrationError : public std::runtime_error {
 public:
  CalibrationError(const std::string& message, bool poolingCouldHelp, bool moreFoldsCouldHelp = false)
      : std::runtime_error(message), poolingMayHelp(poolingCouldHelp), moreFoldsMayHelp(moreFoldsCouldHelp) {}
  bool poolingMayHelp;
  bool moreFoldsMayHelp;
};

// What a user can do about transitions that the sample cannot determine:
// merge a sparse stage on the recoding line, pool groups, or change the
// minimum. Lines of text, each ending in a line break.
std::string ThinDataAdvice(bool poolingMayHelp);

// "group 2 (male, not black)"; "all groups" for 0.
std::string GroupName(int group);
// The name of a set of groups: one group's, "groups 1 and 3 (female or
// unknown sex)", "all groups".
std::string GroupsName(const std::vector<int>& groups);

// The observations of the component with this index (counted over all
// complexes in file order) of the individuals of a group (0: every group).
std::vector<FitObservation> ComponentObservations(const ReferenceSample& sample, std::size_t componentIndex, int group);
std::vector<FitObservation> ComponentObservations(const ReferenceSample& sample, std::size_t componentIndex,
                                                  const std::vector<int>& groups);

CalibrationResult Calibrate(const ParameterStructure& templateStructure, const ReferenceSample& sample,
                            const CalibrationOptions& options);

}  // namespace vorla::calib
