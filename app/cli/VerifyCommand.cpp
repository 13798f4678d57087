#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/cli/CaseChoice.h"
#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/DatabaseChoice.h"
#include "app/common/ProgramDirectory.h"
#include "calib/MemoryRow.h"
#include "paint/ReportMetadata.h"
#include "params/ResultWriteBack.h"
#include "params/StoredResults.h"
#include "store/CaseTable.h"
#include "store/Schema.h"

namespace vorla::cli {

const char* const VerifyHelp =
    "Usage: vorla-cli verify [--dir DIR] (--id N | --name NAME | --all) [--level 90|95|99]\n"
    "       vorla-cli verify REPORT.pdf --params FILE\n"
    "\n"
    "Checks that results follow from their scores: the case is analysed again,\n"
    "exactly as Analyze would, and what that gives is compared field by field with\n"
    "what is recorded. Nothing is stored and no trace is written.\n"
    "\n"
    "  --dir DIR        the folder holding Parameters.dat and TAData.db (default:\n"
    "                   the folder of the program); its Parameters.dat is the set\n"
    "                   the stored results are checked against\n"
    "  --id N, --name NAME, --all\n"
    "                   the stored cases to check; cases without results are named\n"
    "                   and left out\n"
    "  --level L        the level for results stored before the table recorded it\n"
    "                   (default 95); results that record their level use it\n"
    "  REPORT.pdf       a report page written by VORLA: its metadata records the\n"
    "                   case's scores, choices, level, parameter set and results\n"
    "  --params FILE    the parameter set to recompute the report's case with; a set\n"
    "                   whose SHA-256 is not the one the report records is refused\n"
    "\n"
    "Each case is said to be \"reproduced\", or every field that differs is named\n"
    "with its recorded and its recomputed value.\n"
    "Exit codes: 0 every case checked was reproduced, 1 one was not (or the set is\n"
    "not the one the report records), 2 usage error, 3 nothing could be checked:\n"
    "no case with results, or a file, the folder or the case table could not be\n"
    "read.\n";

namespace {

struct VerifyOptions {
  std::string dir;
  CaseChoice cases;
  int level = 95;
  std::string report;      // the PDF; empty for stored cases
  std::string parameters;  // with the PDF
};

VerifyOptions ReadOptions(const CommandLine& a) {
  VerifyOptions o;
  o.level = a.Level();
  if (a.Words().empty()) {
    if (a.Has("--params")) throw UsageError("--params goes with a report PDF");
    o.dir = a.Value("--dir").value_or("");
    o.cases = ReadCaseChoice(a);
    return o;
  }
  if (a.Words().size() > 1) throw UsageError("unexpected argument " + a.Words()[1]);
  for (const char* option : {"--dir", "--id", "--name", "--all", "--level"})
    if (a.Has(option)) throw UsageError(std::string(option) + " goes with stored cases, not with a report PDF");
  if (!a.Has("--params")) throw UsageError("a report PDF is checked against a parameter set: give --params FILE");
  o.report = a.Words()[0];
  o.parameters = *a.Value("--params");
  return o;
}

std::string Shown(const std::string& value) {
  return value.empty() ? std::string("(empty)") : value;
}

// What the check found, as the line says it; false when not reproduced.
bool Verdict(const StoredResultsCheck& check, std::string& said) {
  switch (check.state) {
    case StoredState::Current:
      said = "reproduced";
      return true;
    case StoredState::None:
      said = "no stored results, not checked";
      return true;
    case StoredState::Unchecked:
      said = "not reproduced: it cannot be analysed: " + check.message;
      return false;
    case StoredState::OtherSet:
    case StoredState::Outdated:
      break;
  }
  said = "not reproduced";
  if (check.state == StoredState::OtherSet) said += ": computed with another parameter set";
  if (!check.message.empty()) said += ": Analyze would refuse it now: " + check.message;
  const char* separator = ": ";
  for (const FieldDifference& d : check.differences) {
    said += separator + d.field + " recorded " + Shown(d.stored) +
            (check.state == StoredState::OtherSet ? ", in use " : ", recomputed ") + Shown(d.computed);
    separator = "; ";
  }
  return false;
}

std::string CaseName(const CaseRow& row) {
  const std::string name = row.FieldIsNull("SKELETON_NAME") ? std::string() : row.FieldAsText("SKELETON_NAME");
  return "SKELETON_ID " + row.FieldAsText("SKELETON_ID") + (name.empty() ? "" : " \"" + name + "\"");
}

class Verify final : public Command {
 public:
  Verify() : Command("verify", VerifyHelp, {{"--dir", "--id", "--name", "--level", "--params"}, {"--all"}}) {}

 private:
  void Read(const CommandLine& line) override { o_ = ReadOptions(line); }
  int Execute() override { return o_.report.empty() ? StoredCases() : ReportFile(); }
  int StoredCases();
  int ReportFile();

  RunSettings Settings(const std::string& parameterFile) {
    RunSettings settings;
    settings.level = o_.level;
    settings.parameterFile = parameterFile;
    settings.parameters = Parameters(parameterFile);
    return settings;
  }

  VerifyOptions o_;
};

int Verify::StoredCases() {
  const std::string dir = WorkingDirectory(o_.dir, Argv0());
  if (!HasCaseTable(dir)) throw std::runtime_error("The folder " + dir + " holds no case table TAData.db.");
  const RunSettings settings = Settings((std::filesystem::path(dir) / "Parameters.dat").string());
  CaseTable table;
  table.Open(CaseTableLocation(dir));
  std::size_t reproduced = 0, differing = 0, without = 0;
  for (const std::int32_t id : SelectRows(table, o_.cases)) {
    table.LocateId(id);
    std::string said;
    const StoredResultsCheck check = CheckStoredResults(table, StoredSelection(table), settings);
    const bool ok = Verdict(check, said);
    Out() << CaseName(table) << ": " << said << "\n";
    (check.state == StoredState::None ? without : ok ? reproduced : differing) += 1;
  }
  Out() << reproduced << " case(s) reproduced, " << differing << " not reproduced";
  if (without > 0) Out() << ", " << without << " without results";
  Out() << "\n";
  if (reproduced + differing == 0) {
    Err() << "No case with stored results was checked.\n";
    return 3;
  }
  return differing == 0 ? 0 : 1;
}

int Verify::ReportFile() {
  QFile file(QString::fromStdString(o_.report));
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("Cannot read " + o_.report + ": " + file.errorString().toStdString());
  gui::RecordedFields record;
  try {
    record = gui::ReadRecordedCase(file.readAll());
  } catch (const std::exception& e) {
    throw std::runtime_error("Cannot verify " + o_.report + ": " + e.what() + ".");
  }
  std::string recordedSet;
  std::int32_t id = 0;
  for (const auto& [field, value] : record) {
    if (field == ResultSetField) recordedSet = value;
    if (field == "SKELETON_ID") id = static_cast<std::int32_t>(std::strtol(value.c_str(), nullptr, 10));
  }
  if (recordedSet.empty())
    throw std::runtime_error("Cannot verify " + o_.report + ": it records no parameter set (" + ResultSetField + ").");

  const RunSettings settings = Settings(o_.parameters);
  const ParameterIdentity& set = settings.parameters->identity;
  if (set.sha256 != recordedSet) {
    Err() << o_.report << " was made with the parameter set whose SHA-256 is " << recordedSet << " (" << ResultSetField
          << "); " << o_.parameters << " is " << set.sha256
          << ". Give the set the report names; nothing was verified.\n";
    return 1;
  }
  // The case as the report records it, in a row of its own: the fields of
  // the set in use, the built-in ones and those of its own traits.
  std::vector<std::string> names;
  for (const FieldInfo& field : CaseFields()) names.emplace_back(field.name);
  const auto layout = std::make_shared<const calib::FieldLayout>(names);
  calib::MemoryRow row(layout, id);
  for (const auto& [field, value] : record) {
    if (layout->Find(field) < 0)
      throw std::runtime_error("Cannot verify " + o_.report + ": it records a field " + field +
                               " that the case table of this set does not have.");
    row.Fill(field, value);
  }
  const StoredResultsCheck check = CheckStoredResults(row, StoredSelection(row), settings);
  if (check.state == StoredState::None)
    throw std::runtime_error("Cannot verify " + o_.report + ": it records no results.");
  std::string said;
  const bool ok = Verdict(check, said);
  Out() << o_.report << ", " << CaseName(row) << ": " << said << "\n";
  return ok ? 0 : 1;
}

}  // namespace

int VerifyCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Verify().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
