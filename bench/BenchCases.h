#pragma once
// Cases for the benchmarks: realistic components scored on both sides.
#include <string>

#include "engine/AnalysisTree.h"
#include "params/ParameterReader.h"

namespace vorla::bench {

// A complex of `components` traits with five to seven stages, scored as
// intervals on the right and single stages on the left.
std::unique_ptr<TraitComplex> RealisticComplex(int components);

// Scores every component of a parameter file on both sides (an interval on
// the right, one stage on the left), within stages 1 to 3.
ScoreSource AllScored();

// The demonstration parameter set beside the benchmark program.
std::string DemoParameterFile();

}  // namespace vorla::bench
