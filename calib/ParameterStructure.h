#pragma once
// The whole content of a parameter file: every complex and component, scored
// or not, with the recoding tables and the rows of every group. Calibration
// takes its structure from here, replaces the transition rows and writes it
// out again; the simulator draws stages from it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorla::calib {

// One line of a parameter block: the row label and a to e.
struct TransitionRow {
  std::int32_t label = 0;
  double a = 0.0, b = 0.0, c = 0.0, d = 0.0, e = 0.0;
};

struct ComponentStructure {
  std::string name;     // whole trimmed name, the stem of its score fields
  std::string comment;  // text after "#" on the header line, if any
  std::int32_t sideCount = 1;
  std::int32_t transitions = 0;  // N; the component has N + 1 stages
  std::array<std::int32_t, 9> recoding{};
  std::vector<TransitionRow> rows;  // N x G rows, transition by transition, group by group
  int line = 0;                     // of the header in the file read

  bool Paired() const { return sideCount != 1; }
  // Row of transition t (0 .. N - 1) for group g (1 .. G).
  TransitionRow& Row(int t, int g, int groups) { return rows[static_cast<std::size_t>(t * groups + g - 1)]; }
  const TransitionRow& Row(int t, int g, int groups) const {
    return rows[static_cast<std::size_t>(t * groups + g - 1)];
  }
  // The lowest observed score that stands for a model stage; 0 when none does.
  std::int32_t ScoreOfStage(std::int32_t stage) const;
};

struct ComplexStructure {
  std::int32_t headerNumber = 1;
  std::string name;
  std::string comment;
  double resvar = 1.0;
  std::vector<ComponentStructure> components;
  int line = 0;
};

struct ParameterStructure {
  std::string fileName;       // where it was read from, for messages
  std::string versionNote;    // the rest of the version line
  std::int32_t groups = 4;
  double resvar = 1.0;
  std::vector<ComplexStructure> complexes;

  std::size_t ComponentCount() const;
};

// Reads a parameter file by the grammar the analysis reads it with. Errors
// name the file and the line. The numbers are checked against what the
// analysis itself reads for every group, so a file whose blocks the two would
// read differently (a blank line inside a parameter block) is refused.
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
