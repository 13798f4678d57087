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
  std::vector<std::string> rest;
  std::optional<std::string> uri;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--db") {
      rest.push_back(args[i]);
      continue;
    }
    if (i + 1 >= args.size() || args[i + 1].empty()) throw UsageError("--db needs a connection URI");
    uri = args[++i];
  }
  ChooseDatabase(uri);
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
