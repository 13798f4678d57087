#pragma once
// The row-level steps of the Analyze action, shared by the window and the
// headless tool: the model-choice checks, the tidying of score pairs, the
// choice of complexes, one run (prepare, analyse, store, trace, release) and
// the corrections the results summary makes to the row.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// The same pairs as keys: those of the built-in fields are made once for
// every run, those of the parameter set's own traits here.
class ComplexPairKeys {
 public:
  ComplexPairKeys(int complexIndex, const CheckedParameters* parameters);
  template <class Visit>
  void ForEach(Visit visit) const {
    for (const ScorePairKeys& pair : *builtIn_) visit(pair);
    for (const ScorePairKeys& pair : own_) visit(pair);
  }

 private:
  const std::vector<ScorePairKeys>* builtIn_;
  std::vector<ScorePairKeys> own_;
};

// Whether every score field of the complex is empty (blank text); with the
// parameter set, its own traits in the complex count too.
bool ComplexIsEmpty(const CaseRow& row, int complexIndex, const CheckedParameters* parameters = nullptr);

// The summary's corrections after a run: a selected complex with results and
// an empty probability gets 1; a combined probability of -1 is emptied.
// Each correction is posted, unless `post` is false: then the row is left
// in the edit state with them.
void CorrectProbabilities(CaseRow& row, const ComplexSelection& selection, bool post = true);

struct RunSettings {
  int level = 95;             // 90, 95 or 99
  std::string parameterFile;  // Parameters.dat
  std::string tracePath;      // TATree.txt; none written when empty
  // Told why the trace could not be written (naming the file); the run's
  // results are stored all the same.
  std::function<void(const std::string& message)> onTraceFailed;
  // Sees the analysed case after its results are stored and before it is
  // released (null when there was nothing to analyse): the window draws the
  // likelihood curves from it.
  std::function<void(const TTransisionsAnalyseDataSet*)> onAnalysed;
  // The parameter file as checked whole before the first case of the run
  // (CheckParameterFile). Without it every run reads and checks
  // parameterFile afresh.
  std::shared_ptr<const CheckedParameters> parameters;
  // When set, the analysed case is handed here, after its results are
  // stored, instead of being traced and released: a batch traces only the
  // case it ends with.
  std::function<void(AnalysisTreePtr)> keepAnalysed;
};

// One run on the row with this key: the engine's settings (of the calling
// thread), prepare, analyse, store (with the level of the limits), trace (its
// failures told to onTraceFailed) and release, or hand the case to keepAnalysed, and the
// summary's corrections.
// Returns false when there was nothing to analyse (the results are emptied).
bool RunAnalysisOnRow(std::int32_t skeletonId, CaseRow& row, const ComplexSelection& selection,
                      const RunSettings& settings);

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

// The whole Analyze action on the current row: checks, tidying, selection
// (starting from `requested`), then the run.
RowResult AnalyzeRow(CaseRow& row, const ComplexSelection& requested, const RunSettings& settings);

}  // namespace vorla
