#include "app/cli/DatabaseChoice.h"

#include "app/cli/CommandLine.h"
#include "store/CaseLocation.h"

namespace vorla::cli {
namespace {

// Set once, before the command runs.
std::optional<std::string>& Chosen() {
  static std::optional<std::string> uri;
  return uri;
}

}  // namespace

std::vector<std::string> TakeDatabaseOption(const std::vector<std::string>& args) {
  std::vector<std::string> rest = args;
  ChooseDatabase(TakeProgramOption(rest, "--db", "--db needs a connection URI"));
  return rest;
}

void ChooseDatabase(std::optional<std::string> uri) {
  Chosen() = std::move(uri);
}

std::string CaseTableLocation(const std::string& folder) {
  return Chosen() ? *Chosen() : folder;
}

bool HasCaseTable(const std::string& folder) {
  return Chosen().has_value() || FolderHasCaseTable(folder);
}

}  // namespace vorla::cli
