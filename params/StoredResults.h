#pragma once
// Whether the results stored in a row are those the Analyze action would
// store for the row as it stands: its scores, choices and complexes, and the
// parameter set. The action runs on the case read from the row, and its
// results are compared with the stored fields; neither the row, its store
// nor the trace is touched.
#include <string>

#include <vector>

#include "params/CaseRun.h"

namespace vorla {

enum class StoredState {
  None,       // no results stored
  Current,    // Analyze would store exactly these results
  Outdated,   // the row changed since its results were stored
  OtherSet,   // the results were computed with another parameter set than the one in use
  Unchecked,  // results stored, but the row could not be analysed to compare (see message)
};

// A field whose stored value is not the one the action would store; the
// texts are empty for an empty field.
struct FieldDifference {
  std::string field;
  std::string stored;
  std::string computed;
};

struct StoredResultsCheck {
  StoredState state = StoredState::None;
  int level = 0;  // the level recorded with the results; 0 when not recorded
  // The complexes Analyze would take part now (the check boxes less the
  // complexes without scores).
  ComplexSelection selection;
  std::string message;  // why the row could not be analysed (Unchecked), or was refused (Outdated)
  // The stored fields that differ from what Analyze would store (Outdated),
  // or the set's checksum (OtherSet).
  std::vector<FieldDifference> differences;
  AnalysisTreePtr analysedCase;  // the case the comparison analysed, with settings.keepCase
};

// Runs the Analyze action on the row's case at the level recorded with its
// results (settings.level when none is recorded), with `requested`
// complexes, and compares what it would store with what is stored. No trace
// is written.
StoredResultsCheck CheckStoredResults(const CaseRow& row, const ComplexSelection& requested, RunSettings settings);

// The confidence level recorded with the row's results; 0 when none is.
int RecordedLevel(const CaseRow& row);

// The complexes that took part in the analysis whose results the row holds:
// those with stored results of their own.
ComplexSelection StoredSelection(const CaseRow& row);

// Whether the row holds results of an analysis.
bool HasStoredResults(const CaseRow& row);

}  // namespace vorla
