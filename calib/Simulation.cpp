#include "calib/Simulation.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <vector>

#include "calib/PriorAges.h"
#include "engine/AnalysisTree.h"
#include "engine/StageLikelihood.h"
#include "store/CsvText.h"
#include "store/FieldValue.h"

namespace vorla::calib {

namespace {

// A uniform number in [0, 1) from the top 53 bits, the same on every platform.
double Uniform(std::mt19937_64& engine) {
  return static_cast<double>(engine() >> 11) * 0x1.0p-53;
}

// The stage reached at this age: each transition in turn is made with its
// logit probability, and the first one not made ends the walk.
int DrawStage(const ComponentStructure& k, int group, int groups, double age, std::mt19937_64& engine) {
  int stage = 1;
  for (int t = 0; t < k.transitions; ++t) {
    const TransitionRow& row = k.Row(t, group, groups);
    if (!(Uniform(engine) < Logit(row.a, row.b, row.c, row.d, row.e, age))) break;
    ++stage;
  }
  return stage;
}

}  // namespace

const char* SexOfGroup(int group) {
  return group == 2 || group == 4 ? "Male" : "Female";
}
const char* AncestryOfGroup(int group) {
  return group >= 3 ? "Black" : "White";
}

SideDraw ParseSideDraw(const std::string& text) {
  if (text == "same") return SideDraw::Same;
  if (text == "independent") return SideDraw::Independent;
  throw std::invalid_argument("the sides are drawn same or independent, not " + text);
}

AgeRange ParseAgeDistribution(const std::string& text) {
  const std::string prefix = "uniform:";
  const std::size_t second = text.find(':', prefix.size());
  if (text.rfind(prefix, 0) != 0 || second == std::string::npos)
    throw std::invalid_argument("the age distribution is written uniform:LOW:HIGH, not " + text);
  const auto low = ParseReal(text.substr(prefix.size(), second - prefix.size()));
  const auto high = ParseReal(text.substr(second + 1));
  if (!low || !high) throw std::invalid_argument("the age distribution is written uniform:LOW:HIGH, not " + text);
  if (*low < 15.0 || *high > 110.0 || !(*low < *high))
    throw std::invalid_argument("the ages of uniform:LOW:HIGH lie within 15 to 110 with LOW below HIGH, not " + text);
  return {*low, *high};
}

SimulationSummary Simulate(const ParameterStructure& structure, const SimulationOptions& options, std::ostream& out) {
  RequireFourGroups(structure);
  if (options.group < 0 || options.group > 4) throw std::invalid_argument("the group is 1, 2, 3 or 4");
  std::mt19937_64 engine(options.seed);
  SimulationSummary summary;

  std::string header = "SKELETON_NAME,SEX,RACE,HAZARDFUNC,AGE";
  for (const ComplexStructure& c : structure.complexes)
    for (const ComponentStructure& k : c.components)
      for (const std::string& field : ScoreFields(k)) header += "," + CsvCell(field);
  out << header << "\n";

  std::string line;
  char number[32];
  for (std::size_t i = 0; i < options.count; ++i) {
    if (i % 1000 == 0) Advance(options.progress, "drawing", i, options.count);
    const int group = options.group != 0 ? options.group : static_cast<int>(i % 4) + 1;
    const bool uniform = options.agePrior.empty() && !options.ageModel;
    const AgeRange range = uniform ? options.ages : AgeRange{AgeGridStart, AgeGridEnd};
    double age = uniform                    ? range.low + (range.high - range.low) * Uniform(engine)
                 : options.agePrior.empty() ? DrawAgeAtDeath(*options.ageModel, Uniform(engine))
                                            : DrawPriorAge(options.agePrior, Uniform(engine));
    // The age is written to the hundredth of a year, and the stages are drawn at the age as written.
    age = std::min(std::max(std::round(age * 100.0) / 100.0, range.low), range.high);
    std::snprintf(number, sizeof number, "%06zu", i + 1);
    line = std::string("SIM-") + number + "," + SexOfGroup(group) + "," + AncestryOfGroup(group) + "," +
           CsvCell(options.model) + ",";
    std::snprintf(number, sizeof number, "%.2f", age);
    line += number;
    for (const ComplexStructure& c : structure.complexes)
      for (const ComponentStructure& k : c.components) {
        int score = 0;
        for (int side = 0; side < (k.Paired() ? 2 : 1); ++side) {
          // With the same stage on both sides the left side repeats the right one's draw.
          if (side == 0 || options.sides == SideDraw::Independent)
            score = k.ScoreOfStage(DrawStage(k, group, structure.groups, age, engine));
          if (score == 0) {
            ++summary.unrecordedSides;
            line += ",,";
          } else {
            line += "," + std::to_string(score) + "," + std::to_string(score);
          }
        }
      }
    out << line << "\n";
    if (!out) throw std::runtime_error("The sample could not be written");
    ++summary.individuals;
  }
  Advance(options.progress, "drawing", options.count, options.count);
  out.flush();
  return summary;
}

}  // namespace vorla::calib
