#pragma once
// Where a case folder keeps its case table: the SQLite file TAData.db in the
// folder, or, when the folder holds TAData.conn, the PostgreSQL database whose
// connection string is the first line of that file. A connection URI given
// instead of a folder names the database itself.
#include <optional>
#include <string>
#include <string_view>

namespace vorla {

inline constexpr std::string_view kConnectionFileName = "TAData.conn";

struct CaseLocation {
  bool server = false;
  // The SQLite file's path, or the connection string.
  std::string target;
};

// A folder's TAData.conn that is empty or holds a password is refused: the
// password belongs in ~/.pgpass (or PGPASSFILE, or the service file), not in
// a folder that is shared and copied.
CaseLocation ResolveCaseLocation(const std::string& folderOrUri);

// A database chosen for the whole run (the window's --db URI): every case
// folder's table is then that one. None: each folder's own.
void ChooseDatabaseForCaseFolders(std::optional<std::string> conninfo);

// Whether the folder holds a case table: TAData.db or TAData.conn (or a
// database was chosen for the run).
bool FolderHasCaseTable(const std::string& folder);

// Whether the text names a database server rather than a folder.
bool IsDatabaseUri(std::string_view text);

}  // namespace vorla
