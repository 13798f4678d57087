#pragma once
// Reads the parameter file into the complex and component lists of one case:
// only the rows of the case's group, only scored components, only selected
// complexes, and no complex that ends up empty.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/AnalysisTree.h"

namespace vorla {

// Which of the three known complexes take part.
struct ComplexSelection {
  bool UseCranialData = true;
  bool UsePubicData = true;
  bool UseAuricularData = true;
};

using ScorePairs = std::array<std::int32_t, 4>;  // right low, right upper, left low, left upper
// Gives the normalised scores of a component by its whole name and side count.
using ScoreSource = std::function<ScorePairs(const std::string& componentName, std::int32_t sideCount)>;

struct ParameterSet {
  double Resvar = 1.0;                      // case-level variance factor
  std::unique_ptr<TraitComplex> Complexes;  // kept complexes in file order; none when empty
};

// Reads and checks the whole file (ParameterCheck.h), then keeps what the
// case uses.
ParameterSet ReadParameterSet(const std::string& path, int group, const ScoreSource& scores,
                              const ComplexSelection& selection);
// The same from text already read; fileName names it in errors.
ParameterSet ReadParameterText(const std::string& text, const std::string& fileName, int group,
                               const ScoreSource& scores, const ComplexSelection& selection);

// Why the parameter file at this path cannot be read, in a message that names
// the file and says what to do; empty when it can be opened.
std::string ParameterFileProblem(const std::string& path);

// A header line's name: the text before any "#", without surrounding blanks
// and control characters.
std::string HeaderName(const std::string& restOfLine);

}  // namespace vorla
