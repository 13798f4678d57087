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

struct CalibrationOptions {
  int minPerTransition = 20;  // individuals needed on each side of every transition
  bool poolGroups = false;    // fit an undetermined component on all groups together
  const Progress* progress = nullptr;
};

struct FitReport {
  std::string complexName;
  std::string componentName;
  int group = 0;  // 1 to 4, or 0 for all groups together
  ComponentFit fit;
  std::string pooledBecause;  // for group 0: the group and transition that could not be determined alone
};

struct CalibrationResult {
  ParameterStructure parameters;
  std::vector<FitReport> fits;  // component by component, group by group
  std::size_t individuals = 0;
};

// A component that the data cannot determine; the message names the
// component, the group and the transition.
class CalibrationError : public std::runtime_error {
 public:
  CalibrationError(const std::string& message, bool poolingCouldHelp)
      : std::runtime_error(message), poolingMayHelp(poolingCouldHelp) {}
  bool poolingMayHelp;
};

// "group 2 (male, not black)"; "all groups" for 0.
std::string GroupName(int group);

// The observations of the component with this index (counted over all
// complexes in file order) of the individuals of a group (0: every group).
std::vector<FitObservation> ComponentObservations(const ReferenceSample& sample, std::size_t componentIndex, int group);

CalibrationResult Calibrate(const ParameterStructure& templateStructure, const ReferenceSample& sample,
                            const CalibrationOptions& options);

}  // namespace vorla::calib
