#pragma once
// The whole content of a parameter file, as the analysis checks it: every
// complex and component, scored or not, with the recoding tables and the
// rows of every group. Calibration takes its structure from here, replaces
// the transition rows and writes it out again; the simulator draws stages
// from it.
#include <string>
#include <vector>

#include "params/ParameterCheck.h"

namespace vorla::calib {

using vorla::ComplexStructure;
using vorla::ComponentStructure;
using vorla::ParameterStructure;
using vorla::TransitionRow;

// Reads and checks a parameter file whole, as every analysis run does
// (ParameterCheck.h). Errors name the file and the line.
ParameterStructure ReadParameterStructure(const std::string& path);
ParameterStructure ParameterStructureFromText(const std::string& text, const std::string& fileName);

// The score fields of a component in the order the case loading reads them:
// NAME_LOW, NAME_UPPER, or NAME_R_LOW, NAME_R_UPPER, NAME_L_LOW, NAME_L_UPPER.
std::vector<std::string> ScoreFields(const ComponentStructure& component);
// The bases of its score pairs: NAME, or NAME_R and NAME_L.
std::vector<std::string> PairBases(const ComponentStructure& component);

// Calibration and simulation tell the groups apart by sex and ancestry, so
// they need the four groups; throws a ParameterFileError otherwise.
void RequireFourGroups(const ParameterStructure& structure);

}  // namespace vorla::calib
