#pragma once
// The database that `vorla-cli --db URI` names, for every command that opens
// the case table; without it, the case folder's own table (TAData.db, or the
// server its TAData.conn names).
#include <optional>
#include <string>
#include <vector>

namespace vorla::cli {

// Takes `--db VALUE` (or `--db=VALUE`) out of the arguments, wherever it stands, and keeps the
// value for the commands; a usage error when the value is missing.
std::vector<std::string> TakeDatabaseOption(const std::vector<std::string>& args);
void ChooseDatabase(std::optional<std::string> uri);

// What CaseTable::Open is given for the case folder.
std::string CaseTableLocation(const std::string& folder);
// Whether there is a case table to read: a chosen database, or one in the folder.
bool HasCaseTable(const std::string& folder);

}  // namespace vorla::cli
