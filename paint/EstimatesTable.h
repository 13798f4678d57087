#pragma once
// The table of estimates of one case, as the results grid shows it and the
// printed report copies it: 6 rows by 7 columns of texts filled from the
// stored results of the row.
#include <QString>
#include <array>

#include "params/ParameterReader.h"
#include "store/CaseRow.h"

namespace vorla::gui {

// The head of a column (row 0) for limits at this confidence level (90, 95
// or 99; 0 when the level was not recorded).
QString EstimatesHead(int column, int level);

struct EstimatesTable {
  std::array<std::array<QString, 7>, 6> cells;  // [row][column]
  // The rows in use: the heads, corrected, uncorrected and one per selected complex.
  int rowCount = 3;

  const QString& Cell(int column, int row) const {
    return cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
};

// Fills the table from the row's stored results, which the analysis has
// already corrected (a combined probability of -1 emptied, a complex without
// a test given 1); it reads the row and changes nothing. A probability of 1
// that no test can have given (no degrees of freedom, or the maximum at an
// end of the age grid) is shown as "1", as is an empty probability of a
// selected complex with results. level: of the stored limits, for the heads.
EstimatesTable FillEstimatesTable(const CaseRow& row, const ComplexSelection& selection, int level);

}  // namespace vorla::gui
