#include "store/CaseCopy.h"

#include "store/CaseTable.h"

namespace vorla {

int CopyCaseTable(const CaseTable& from, CaseTable& to) {
  if (!from.IsOpen() || !to.IsOpen()) throw StoreError("The case table is not open");
  to.SavePendingRow();
  to.ClearFilter();
  if (!to.IsEmpty()) {
    throw StoreError(to.Where() + " already holds " + std::to_string(to.RecordCount()) +
                     " cases; a case table is copied only into an empty one");
  }
  int count = 0;
  to.BeginTransaction();
  try {
    from.ForEachStoredRow([&](const std::vector<FieldValue>& row) {
      try {
        to.InsertStoredRow(row);
      } catch (const StoreError& error) {
        throw StoreError("Case " + std::to_string(std::get<std::int64_t>(row[0])) +
                         " could not be copied: " + error.what());
      }
      ++count;
    });
    to.Commit();
  } catch (...) {
    try {
      if (to.InTransaction()) to.Rollback();
    } catch (const StoreError&) {
      // The first failure is the one to report.
    }
    throw;
  }
  return count;
}

}  // namespace vorla
