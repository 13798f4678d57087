#pragma once
// A case's history: every change of a stored case, appended to the table
// TADataHistory in the same transaction as the change and never edited or
// removed. An entry is one change of one case; it is stored as one or more
// lines that share the key, the time, the analyst and the program: what
// happened ("new case", "changed", "analysed at 95 % ...", "imported from
// ...", "deleted") and, for a field, its old and new value.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/FieldValue.h"
#include "store/Schema.h"

namespace vorla {

inline constexpr std::string_view kHistoryTableName = "TADataHistory";

// Who and what writes into a case table.
struct CaseWriter {
  std::string analyst;
  std::string program;  // "vorla", "vorla-cli analyze", ...
};

// The login's full name (the first part of its GECOS field), else the login
// name; empty when neither is known.
std::string LoginFullName();
// What a case table opened from now on writes as: at first the login's full
// name and no program.
CaseWriter DefaultCaseWriter();
void SetDefaultCaseWriter(CaseWriter writer);

// One line of an entry as the table computes it. Empty texts are stored as NULL.
struct HistoryItem {
  std::string change;
  std::string field;
  std::string oldValue;
  std::string newValue;
};

// One stored line of the history.
struct HistoryLine {
  std::int64_t id = 0;   // HISTORY_ID, in the order the lines were written
  std::int64_t key = 0;  // SKELETON_ID
  std::string name;      // SKELETON_NAME after the change (before a deletion)
  std::string time;      // UTC, YYYY-MM-DD HH:MM:SS
  std::string analyst;
  std::string program;
  std::string serverUser;  // the server's user name; empty for a file
  std::string change;
  std::string field;
  std::string oldValue;
  std::string newValue;
};

// The column names of a stored line, in the order of HistoryLine.
const std::vector<std::string_view>& HistoryColumns();
// A line's values as texts in the order of HistoryColumns().
std::vector<std::string> HistoryCells(const HistoryLine& line);

// The column names without HISTORY_ID, joined by ", ", for statements.
std::string HistoryColumnList();
// The time now in UTC, YYYY-MM-DD HH:MM:SS.
std::string UtcTimeNow();
// A text stored as NULL when empty.
FieldValue TextOrNull(const std::string& text);

// The value as the history writes it: whole numbers and reals as the CSV
// export writes them, texts as they are, empty for none.
std::string HistoryValueText(const FieldValue& value);

// The lines of a post: `before` is the row as stored before it (null for a
// new row), `after` the row as written; both in the order of CaseFields().
// A change of any result field (RES_*) is one line for the analysis (or for
// results cleared), whatever else changed is a line per field. A new row
// with an origin (a file it was imported from) is one line naming it.
// Nothing when no field changed.
std::vector<HistoryItem> DescribePost(const std::vector<FieldValue>* before, const std::vector<FieldValue>& after,
                                      const std::string& origin = {});
// The lines of a deletion: "deleted", then each field the row held.
std::vector<HistoryItem> DescribeDeletion(const std::vector<FieldValue>& row);

// The history as comma-separated text: a header of HistoryColumns(), then a
// line per stored line. Written whole or not at all; returns how many lines.
class CaseTable;
int ExportHistoryCsv(const CaseTable& table, const std::string& path);

}  // namespace vorla
