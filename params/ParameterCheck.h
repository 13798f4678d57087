#pragma once
// The parameter file read and checked whole: every complex and component,
// scored or not, with the recoding tables and the rows of every group. A
// run reads the file once, checks it here before its first case, and every
// case then takes its components from the checked set; calibration takes its
// structure from here, the simulator draws stages from it.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "params/ParameterIdentity.h"
#include "params/ParameterReader.h"
#include "store/CaseRow.h"

namespace vorla {

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
  int blockLine = 0;                // of the first row of its block

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
  int resvarLine = 0;
};

struct ParameterStructure {
  std::string fileName;     // where it was read from, for messages
  std::string versionNote;  // the rest of the version line
  std::int32_t groups = 4;
  double resvar = 1.0;
  std::vector<ComplexStructure> complexes;
  int groupsLine = 2;
  int resvarLine = 3;

  std::size_t ComponentCount() const;
};

// The largest parameter file read; anything larger is no parameter set.
inline constexpr std::uintmax_t MaxParameterFileBytes = 64u * 1024u * 1024u;

// The text of a parameter file, read once. Refused, each with its own message
// naming the path: a missing file, a folder, a device, a fifo or socket, a
// file too large, an empty file, a file that is not text (a NUL byte). A
// UTF-8 byte-order mark at the start is dropped.
std::string ReadParameterFileText(const std::string& path);

// Reads the whole text by the grammar of the parameter file and checks it:
// every block present with one row per line, counts and tables consistent,
// numbers finite and not lost to 0, the list ends present and nothing but
// blank or "#" lines after them; a side count of 1 or 2, every row labelled
// by its group or by its number in the block, no trait (without regard to
// case) and no complex listed twice. Errors name the file, the line and what was
// expected there (ParameterFileError); another version raises
// ParameterVersionError.
ParameterStructure ParseParameterText(const std::string& text, const std::string& fileName);
ParameterStructure ParseParameterFile(const std::string& path);

// Whether the case table has a field of this name (without regard to case).
using FieldExists = std::function<bool(const std::string& field)>;

// A component whose score fields the built-in case table lacks: a trait of
// the parameter set's own, whose fields a case table gains when it is opened
// with the set.
struct OwnTrait {
  std::string name;  // as the parameter file writes it
  bool paired = false;
  std::int32_t stages = 0;  // the model's stages, N + 1
  std::array<std::int32_t, 9> recoding{};
  std::string comment;
  std::string complex;
  int line = 0;
};

// The longest name of a trait of one's own (the trace prints it whole).
inline constexpr std::size_t MaxOwnTraitName = 31;

// The components none of whose score fields is built in, each name once, in
// file order; nothing is checked.
std::vector<OwnTrait> OwnTraitsOf(const ParameterStructure& structure, const FieldExists& builtInField);

// A built-in trait declared with the other number of sides than its fields
// have (a trait scored once declared with 2 sides, or one scored on both sides
// declared with 1) is refused naming the line: it would otherwise become a
// trait of one's own under the same name, and its scores would never be read.
void CheckDeclaredSides(const std::string& fileName, const ComponentStructure& component,
                        const FieldExists& builtInField);
void CheckDeclaredSides(const ParameterStructure& structure, const FieldExists& builtInField);

// Every complex's result fields must be in the case table (fieldExists: the
// built-in fields). A component whose score fields are all built in reads
// them (they must be stage scores, when isScoreField tells); one with none of
// them is a trait of its own, whose name must be a valid column name (a
// letter, then letters, digits and underscores) whose fields no other trait
// takes; one with only some of them is refused. A refusal names the line.
// Returns the traits of one's own in file order, each name once.
std::vector<OwnTrait> CheckCaseFields(const ParameterStructure& structure, const FieldExists& fieldExists,
                                      const FieldExists& isScoreField = {});

// Values that are allowed but look like a mistake, one line each, naming the
// file and the line: a slope b of 0 or less, a transition age -a/b outside 0
// to 150 years, a variance factor above 100 or below 0.01, transition ages
// that go down within a component.
std::vector<std::string> PlausibilityWarnings(const ParameterStructure& structure);

// The score fields of a component: NAME_R_LOW, NAME_R_UPPER, NAME_L_LOW,
// NAME_L_UPPER when paired, NAME_LOW and NAME_UPPER when not.
std::vector<std::string> ScoreFieldsOf(const std::string& name, bool paired);

// The keys of every component's score fields, by the component's name.
using ScoreFieldKeys = std::unordered_map<std::string, std::vector<FieldKey>>;

// A parameter file checked whole for analysis runs.
struct CheckedParameters {
  std::string path;
  ParameterIdentity identity;  // which set this is
  ParameterStructure structure;
  std::vector<std::string> warnings;  // shown once, when the file is checked
  std::vector<OwnTrait> ownTraits;    // components the built-in case table lacks
  ScoreFieldKeys scoreFields;         // made once, read by every case of a run
  // The file as it was when read (CheckParameterFile only).
  std::uintmax_t fileSize = 0;
  std::filesystem::file_time_type modified{};
};

// Reads the file once and checks it whole for analysis: the grammar and
// values as ParseParameterText, the four sex and ancestry groups, and (when
// fieldExists is given) the fields of the case table as CheckCaseFields.
// Throws as ParseParameterText does.
std::shared_ptr<const CheckedParameters> CheckParameterFile(const std::string& path, const FieldExists& fieldExists,
                                                            const FieldExists& isScoreField = {});
// Whether the file is no longer the one that was checked (another size or
// time of change, or gone), so that it must be checked again before a run.
bool ParameterFileChanged(const CheckedParameters& checked);
// The same for a file already read into memory.
std::shared_ptr<const CheckedParameters> CheckParameterText(const std::string& text, const std::string& path,
                                                            const FieldExists& fieldExists,
                                                            const FieldExists& isScoreField = {});

// The complex and component lists of one case from a checked set: only the
// rows of the case's group, only scored components, only selected complexes,
// and no complex that ends up empty. The scores of every component are asked
// for in file order, also for complexes that are not selected.
ParameterSet BuildParameterSet(const ParameterStructure& structure, int group, const ScoreSource& scores,
                               const ComplexSelection& selection);

}  // namespace vorla
