#pragma once
// A reference sample: skeletons of documented age at death, one per line of
// a CSV file with the columns of the case table (score fields, SEX, RACE,
// SKELETON_NAME, ...) and AGE. Every line is checked before anything is used;
// the scores are tidied and normalised exactly as for an analysis and turned
// into model stages through the parameter file's recoding tables.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "calib/MemoryRow.h"
#include "calib/ParameterStructure.h"

namespace vorla::calib {

inline constexpr double YoungestAge = 15.0;
inline constexpr double OldestAge = 110.0;

// The sample cannot be used; the message lists the faults with their lines.
class ReferenceSampleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The model stages of one component of one individual: for the right (or
// only) side and the left side the lowest and highest stage the scores allow;
// 0 and 0 where a side takes no part (not scored, withdrawn, or the same
// scores as the right side).
struct ComponentStages {
  std::array<std::int8_t, 2> low{};
  std::array<std::int8_t, 2> high{};
  bool Scored() const { return low[0] > 0 || low[1] > 0; }
};

struct ReferenceIndividual {
  int line = 0;  // of the file, from 1
  double age = 0.0;
  int group = 1;                        // 1 to 4 from SEX and RACE
  std::vector<ComponentStages> stages;  // one per component, in the parameter file's order
  std::vector<std::string> cells;       // one per column; score cells as whole numbers
};

struct ReferenceOptions {
  bool needModel = false;  // HAZARDFUNC must name a mortality model on every line
  // How a fault names the place of a line ("line 3" when not given): a sample
  // read from a case table names the case.
  std::function<std::string(int line)> placeOfLine;
};

struct ReferenceSample {
  std::string fileName;
  std::vector<std::string> columns;  // upper case
  std::vector<ReferenceIndividual> individuals;
  std::shared_ptr<const FieldLayout> layout;  // the fields of a row made from an individual

  // A case row holding the individual's cells, with SKELETON_ID = id.
  MemoryRow Row(const ReferenceIndividual& individual, std::int32_t id) const;
  // The cell of a column (by upper-case name), or "" when the file has no such column.
  std::string Cell(const ReferenceIndividual& individual, const std::string& column) const;
};

ReferenceSample ReadReferenceSample(const std::string& path, const ParameterStructure& structure,
                                    const ReferenceOptions& options);
ReferenceSample ParseReferenceSample(const std::string& text, const std::string& fileName,
                                     const ParameterStructure& structure, const ReferenceOptions& options);

// The age class of a documented age: 0 for 15-29, 1 for 30-49, 2 for 50-69, 3 for 70 and over.
int AgeClass(double age);
extern const std::array<const char*, 4> AgeClassNames;

}  // namespace vorla::calib
