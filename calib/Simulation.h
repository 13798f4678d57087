#pragma once
// Draws a reference sample from the model of a parameter file: documented
// ages from a chosen distribution, and for every trait the stage reached at
// that age. The output has the reference CSV format that calibration and
// validation read. The same seed gives the same sample on every platform.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "calib/MortalityModel.h"
#include "calib/ParameterStructure.h"
#include "calib/Progress.h"

namespace vorla::calib {

struct AgeRange {
  double low = 18.0;
  double high = 95.0;
};

// "uniform:LOW:HIGH" with 15 <= LOW < HIGH <= 110; throws std::invalid_argument with the reason.
AgeRange ParseAgeDistribution(const std::string& text);

// How the two sides of a paired trait are drawn.
//  Same: the stage is a property of the individual: one stage per trait, drawn
//    at the individual's age and recorded on both sides. This is the model the
//    analysis and the calibration use, which count identical sides once.
//  Independent: each side draws its own stage, so the sides often differ; for
//    studying the method on collections whose sides disagree.
enum class SideDraw { Same, Independent };

// "same" or "independent"; throws std::invalid_argument with the reason.
SideDraw ParseSideDraw(const std::string& text);

struct SimulationOptions {
  std::size_t count = 0;
  std::uint64_t seed = 1;
  AgeRange ages;
  // "archeological" or "forensic": the ages are drawn from that mortality
  // prior on 15 to 110 instead of from `ages` (calib/PriorAges.h).
  std::string agePrior;
  // Otherwise, when given, the ages are drawn from this model on 15 to 110.
  std::optional<MortalityModel> ageModel;
  int group = 0;                        // 1 to 4: everyone in that group; 0: the four groups in turn
  std::string model = "Archeological";  // written into HAZARDFUNC
  SideDraw sides = SideDraw::Same;
  const Progress* progress = nullptr;
};

struct SimulationSummary {
  std::size_t individuals = 0;
  std::size_t unrecordedSides = 0;  // sides left empty: no score stands for the stage drawn
};

SimulationSummary Simulate(const ParameterStructure& structure, const SimulationOptions& options, std::ostream& out);

// The sex and ancestry written for a group: Female/White, Male/White, Female/Black, Male/Black.
const char* SexOfGroup(int group);
const char* AncestryOfGroup(int group);

}  // namespace vorla::calib
