#pragma once
// Whether the results stored in a row are those the Analyze action would
// store for the row as it stands: its scores, choices and complexes, and the
// parameter set. The action runs on an overlay of the row; neither the row,
// its store nor the trace is touched.
#include <string>

#include <vector>

#include "params/CaseRun.h"
#include "params/RowOverlay.h"

namespace vorla {

enum class StoredState {
  None,       // no results stored
  Current,    // Analyze would store exactly these results
  Outdated,   // the row changed since its results were stored
  OtherSet,   // the results were computed with another parameter set than the one in use
  Unchecked,  // results stored, but the row could not be analysed to compare (see message)
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
};

// Runs the Analyze action on an overlay of the row at the level recorded
// with its results (settings.level when none is recorded), with `requested`
// complexes, and compares what it would store with what is stored.
// settings.onAnalysed sees the case the comparison analysed; no trace is written.
StoredResultsCheck CheckStoredResults(const CaseRow& row, const ComplexSelection& requested, RunSettings settings);

// The confidence level recorded with the row's results; 0 when none is.
int RecordedLevel(const CaseRow& row);

// The complexes that took part in the analysis whose results the row holds:
// those with stored results of their own.
ComplexSelection StoredSelection(const CaseRow& row);

// Whether the row holds results of an analysis.
bool HasStoredResults(const CaseRow& row);

}  // namespace vorla
