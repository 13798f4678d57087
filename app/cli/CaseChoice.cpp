#include "app/cli/CaseChoice.h"

#include <cstdint>

namespace vorla::cli {

CaseChoice ReadCaseChoice(const CommandLine& a) {
  CaseChoice choice;
  choice.all = a.Has("--all");
  choice.name = a.Value("--name");
  if (a.Has("--id")) {
    try {
      choice.id = static_cast<std::int32_t>(a.Whole("--id", INT32_MIN, INT32_MAX, 0));
    } catch (const UsageError&) {
      throw UsageError("--id takes a whole number, not " + *a.Value("--id"));
    }
  }
  if (int(choice.all) + int(choice.id.has_value()) + int(choice.name.has_value()) != 1)
    throw UsageError("name the cases with exactly one of --id, --name and --all");
  return choice;
}

std::vector<std::int32_t> SelectRows(CaseTable& table, const CaseChoice& choice) {
  std::vector<std::int32_t> ids;
  if (choice.all) {
    for (table.First(); !table.Eof(); table.Next()) ids.push_back(table.FieldAsInteger("SKELETON_ID"));
    // A run over all cases of an empty table did nothing, which is no success.
    if (ids.empty()) throw std::runtime_error("The case table " + table.Where() + " holds no case.");
  } else if (choice.id) {
    if (!table.LocateId(*choice.id))
      throw std::runtime_error("There is no case with SKELETON_ID " + std::to_string(*choice.id) + ".");
    ids.push_back(*choice.id);
  } else {
    if (!table.LocateName(*choice.name)) throw std::runtime_error("There is no case named \"" + *choice.name + "\".");
    ids.push_back(table.FieldAsInteger("SKELETON_ID"));
  }
  return ids;
}

}  // namespace vorla::cli
