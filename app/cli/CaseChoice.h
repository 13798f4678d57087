#pragma once
// Which stored cases a command works on: --id N, --name NAME or --all.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/CommandLine.h"
#include "store/CaseTable.h"

namespace vorla::cli {

struct CaseChoice {
  std::optional<std::int32_t> id;
  std::optional<std::string> name;
  bool all = false;
};

// Exactly one of --id, --name and --all; a usage error otherwise.
CaseChoice ReadCaseChoice(const CommandLine& arguments);

// The keys of the chosen rows (all of them in key order), found before
// anything moves; throws when the named case does not exist.
std::vector<std::int32_t> SelectRows(CaseTable& table, const CaseChoice& choice);

}  // namespace vorla::cli
