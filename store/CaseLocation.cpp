#include "store/CaseLocation.h"

#include <filesystem>
#include <fstream>

#include "store/FieldValue.h"
#include "store/Postgres.h"
#include "store/Schema.h"
#include "store/StoreError.h"

namespace vorla {

namespace {

std::optional<std::string>& ChosenDatabase() {
  static std::optional<std::string> conninfo;
  return conninfo;
}

}  // namespace

void ChooseDatabaseForCaseFolders(std::optional<std::string> conninfo) {
  ChosenDatabase() = std::move(conninfo);
}

bool IsDatabaseUri(std::string_view text) {
  return IsPostgresUri(text);
}

CaseLocation ResolveCaseLocation(const std::string& folderOrUri) {
  if (IsDatabaseUri(folderOrUri)) return {true, folderOrUri};
  if (ChosenDatabase()) return {true, *ChosenDatabase()};
  const std::filesystem::path folder = folderOrUri.empty() ? "." : folderOrUri;
  const std::filesystem::path conn = folder / std::string(kConnectionFileName);
  std::error_code ignored;
  if (!std::filesystem::exists(conn, ignored)) return {false, (folder / std::string(kCaseFileName)).string()};
  std::ifstream in(conn);
  std::string line;
  std::string target;
  while (target.empty() && std::getline(in, line)) {
    const std::string_view text = TrimBlanks(line);
    if (!text.empty() && text.front() != '#') target = std::string(text);
  }
  if (in.bad() || (!in.eof() && in.fail())) throw StoreError("Cannot read " + conn.string());
  if (target.empty()) throw StoreError(conn.string() + " names no database: it should hold one connection URI");
  if (ConnInfoHasPassword(target)) {
    throw StoreError(conn.string() +
                     " holds a password. Keep the password in ~/.pgpass (or the file PGPASSFILE names, or the "
                     "service file) and remove it from " +
                     std::string(kConnectionFileName) + ".");
  }
  return {true, target};
}

bool FolderHasCaseTable(const std::string& folder) {
  if (ChosenDatabase()) return true;
  const std::filesystem::path base = folder.empty() ? "." : folder;
  std::error_code ignored;
  return std::filesystem::exists(base / std::string(kCaseFileName), ignored) ||
         std::filesystem::exists(base / std::string(kConnectionFileName), ignored);
}

}  // namespace vorla
