#pragma once
// The steps of the Analyze action, shared by the window and the headless
// tool: the known complexes and choices, the run of one case (a CaseRecord
// in, its CaseResults out) and the whole action on a case.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "params/CaseRecord.h"
#include "params/CaseResults.h"
#include "params/ParameterCheck.h"
#include "params/ParameterReader.h"
#include "store/CaseRow.h"

namespace vorla {

extern const char* const NoAncestryMessage;
extern const char* const NoSexMessage;
extern const char* const NoModelMessage;
extern const char* const NoDataTypesMessage;
extern const char* const NoDataMessage;

extern const std::vector<std::string> SexChoices;
extern const std::vector<std::string> AncestryChoices;
extern const std::vector<std::string> ModelChoices;

// The score pairs of one known complex, in the order the Analyze action visits them.
struct ComplexPairs {
  const char* complexName;  // as the parameter file names it
  const char* displayName;  // as the window shows it
  const char* resultPrefix;
  std::vector<std::string> pairBases;  // field base names; + "_LOW" and "_UPPER"
};
// Cranial sutures, pubic symphysis, auricular surface.
const std::array<ComplexPairs, 3>& KnownComplexes();

bool& SelectionFlag(ComplexSelection& selection, int complexIndex);
bool SelectionFlag(const ComplexSelection& selection, int complexIndex);

// Whether a text equals one of the choices, without regard to case.
bool IsChoice(const std::string& text, const std::vector<std::string>& choices);

// The first missing model choice as its message, or none.
std::optional<std::string> MissingChoiceMessage(bool ancestryChosen, bool sexChosen, bool modelChosen);

// One score pair: its base name and the keys of its two fields.
struct ScorePairKeys {
  explicit ScorePairKeys(const std::string& pairBase);
  std::string base;
  FieldKey low;    // base + "_LOW"
  FieldKey upper;  // base + "_UPPER"
};

// Tidies one pair from the texts of its two boxes: a lone maximum moves to the
// minimum, a reversed pair is swapped. Throws when a text to be stored is not
// a whole number.
void OrderScorePair(CaseRow& row, const ScorePairKeys& pair, const std::string& minText, const std::string& maxText);
void OrderScorePair(CaseRow& row, const std::string& base, const std::string& minText, const std::string& maxText);

// The score pairs of a known complex that a run reads: the built-in ones,
// then those of the traits of the parameter set's own in that complex (the
// right side before the left, as the built-in ones).
std::vector<std::string> ComplexPairBases(int complexIndex, const CheckedParameters* parameters);
std::vector<std::string> ComplexPairBases(int complexIndex, const std::vector<OwnTrait>& ownTraits);

struct RunSettings {
  int level = 95;             // 90, 95 or 99
  std::string parameterFile;  // Parameters.dat
  std::string tracePath;      // TATree.txt; none written when empty
  // Told why the trace could not be written (naming the file); the run's
  // results are stored all the same.
  std::function<void(const std::string& message)> onTraceFailed;
  // The parameter file as checked whole before the first case of the run
  // (CheckParameterFile). Without it every run reads and checks
  // parameterFile afresh.
  std::shared_ptr<const CheckedParameters> parameters;
  // The fields a case is read from, made once for the run (LayoutOfRun).
  std::shared_ptr<const CaseLayout> layout;
  // The mortality models of the case folder's own (MortalityModelFile.h),
  // read once for the run (ModelsOfRun). Without them every run reads the
  // file beside parameterFile afresh.
  std::shared_ptr<const OwnMortalityModels> ownModels;
  // Whether the results keep the analysed case (for the curves, the trace,
  // the age questions); otherwise it is released on the thread that built it.
  bool keepCase = false;
};

// The set of a run: settings.parameters, or the file read and checked now.
std::shared_ptr<const CheckedParameters> SetOfRun(const RunSettings& settings);
// The models of one's own of a run: settings.ownModels, or those of the
// file beside settings.parameterFile, read now (none without the file).
std::shared_ptr<const OwnMortalityModels> ModelsOfRun(const RunSettings& settings);
// The fields of a run's cases: settings.layout, or made now for
// settings.parameters (the built-in fields without them).
std::shared_ptr<const CaseLayout> LayoutOfRun(const RunSettings& settings);

// One run on a case whose checks and tidying are done, with the complexes
// of record.selection: the settings of its level and choices, load,
// analyse, and the results at settings.level. Nothing is stored
// or traced.
CaseResults AnalyzeCase(const CaseRecord& record, const RunSettings& settings);

// Writes the trace of the case to settings.tracePath (none when it is
// empty); a trace that cannot be written is no failure of the run (its
// results are stored) but is told to settings.onTraceFailed.
void WriteTrace(const TTransisionsAnalyseDataSet* record, const RunSettings& settings);

enum class RowOutcome { Analysed, NoData, Refused };
struct RowResult {
  RowOutcome outcome = RowOutcome::Analysed;
  std::string message;         // for NoData and Refused
  ComplexSelection selection;  // the complexes that took part
};

// The whole Analyze action on the case: the choice checks, the tidying and
// the selection (from record.selection), then the run. `results` receives
// what the run gives (none when a check refused the case).
RowResult AnalyzeRecord(CaseRecord& record, const RunSettings& settings, std::optional<CaseResults>& results);

// Stores what the action gave into the current row, the case's: the tidied
// pairs and the results in one post (StoreCaseResults), or only the tidied
// pairs of a refused case.
void StoreCase(CaseRow& row, const CaseRecord& record, const std::optional<CaseResults>& results);

// The same on the current row, which then stores the tidied pairs and the
// results in one post (StoreCaseResults), and the trace.
RowResult AnalyzeRow(CaseRow& row, const ComplexSelection& requested, const RunSettings& settings);

}  // namespace vorla
