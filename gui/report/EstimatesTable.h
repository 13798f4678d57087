#pragma once
// The table of estimates of one case, as the results grid shows it and the
// printed report copies it: 6 rows by 7 columns of texts filled from the
// stored results of the row.
#include <QString>
#include <array>

#include "params/ParameterReader.h"
#include "store/CaseRow.h"

namespace vorla::gui {

// The column heads, row 0.
extern const std::array<const char*, 7> EstimatesHeads;

struct EstimatesTable {
  std::array<std::array<QString, 7>, 6> cells;  // [row][column]
  // The rows in use: the heads, corrected, uncorrected and one per selected complex.
  int rowCount = 3;
  // The combined probability was stored as -1 (and has been emptied).
  bool combinedWasMinusOne = false;

  const QString& Cell(int column, int row) const {
    return cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
};

// Fills the table from the row's stored results. The summary's corrections
// are made in the row first: a combined probability of -1 is emptied, and a
// selected complex with results but no probability gets 1 (shown as "1").
// afterStoredCorrection: the row was corrected when it was analysed, so a
// stored 1 that no test can have given is shown as that correction's "1",
// and the table reads as it did right after the analysis.
EstimatesTable FillEstimatesTable(CaseRow& row, const ComplexSelection& selection, bool afterStoredCorrection);

}  // namespace vorla::gui
