#include <filesystem>

#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/DatabaseChoice.h"
#include "app/cli/ParameterFileCheck.h"
#include "app/common/ProgramDirectory.h"
#include "paint/StageScoresOfSet.h"
#include "params/CaseRun.h"
#include "params/MortalityModelFile.h"
#include "store/CaseCsv.h"
#include "store/CaseHistory.h"
#include "store/CaseLocation.h"
#include "store/CaseTable.h"

namespace vorla::cli {

const char* const ImportHelp =
    "Usage: vorla-cli import [--dir DIR] FILE.csv\n"
    "\n"
    "Adds the cases of a CSV file to the case table TAData.db in DIR (default: the\n"
    "folder of the program; a missing folder is created). The first line names the\n"
    "fields (SKELETON_NAME, SEX, RACE, HAZARDFUNC, the score fields such as\n"
    "PUB_RELIEF_R_LOW, TA_Notes, AGE, ...), without regard to case; an empty cell is\n"
    "an empty field. The score fields of the traits of one's own that the folder's\n"
    "Parameters.dat defines (NAME_R_LOW ... NAME_L_UPPER, or NAME_LOW and\n"
    "NAME_UPPER) are fields too; AGE is a documented age from 15 to 110 years.\n"
    "SKELETON_ID is given by the table. Every line is checked first: on a score\n"
    "that is not a whole number from -1 to 9 or (with the folder's Parameters.dat)\n"
    "stands for no stage of its trait, an age outside 15 to 110, a text that is\n"
    "not UTF-8 or holds a NUL byte, an unknown column or a malformed line, nothing\n"
    "is imported and the faults are listed by line.\n";

const char* const ExportHelp =
    "Usage: vorla-cli export [--dir DIR] [--history HISTORY.csv] [FILE.csv]\n"
    "\n"
    "Writes every case of the case table in DIR (default: the folder of the program)\n"
    "to a CSV file: a header of all field names, then one line per case in key order.\n"
    "The fields of the traits of one's own of the folder's Parameters.dat are\n"
    "written too; AGE only when a case has a documented age. --history writes the\n"
    "history of every case, deleted ones too, to HISTORY.csv: a line per change\n"
    "in the order they were made (see 'vorla-cli history --help').\n";

namespace {

struct TransferOptions {
  std::string dir;
  std::string file;
  std::string history;
};

// Import and export: the folder and the CSV file.
class Transfer final : public Command {
 public:
  using Body = int (*)(const TransferOptions&, const char*, std::ostream&, std::ostream&);
  Transfer(const char* name, const char* help, Body work, bool withHistory = false)
      : Command(name, help,
                {withHistory ? std::vector<std::string>{"--dir", "--history"} : std::vector<std::string>{"--dir"}}),
        work_(work),
        withHistory_(withHistory) {}

 private:
  void Read(const CommandLine& a) override {
    o_ = {a.Value("--dir").value_or(""), {}, a.Value("--history").value_or("")};
    if (a.Has("--history") && o_.history.empty()) throw UsageError("--history names a CSV file");
    // Export writes the table, its history, or both.
    if (a.Words().size() > 1 || (a.Words().empty() && (!withHistory_ || o_.history.empty())))
      throw UsageError("name exactly one CSV file");
    if (!a.Words().empty()) o_.file = a.Words().front();
  }
  int Execute() override { return work_(o_, Argv0(), Out(), Err()); }

  Body work_;
  bool withHistory_;
  TransferOptions o_;
};

int Import(const TransferOptions& o, const char* argv0, std::ostream& out, std::ostream& err) {
  try {
    const std::string dir = WorkingDirectory(o.dir, argv0);
    std::filesystem::create_directories(dir);
    const auto checked = DeclareTraitsOfFolder(dir, err);
    CaseTable table;
    table.Open(CaseTableLocation(dir));
    std::vector<std::string> warnings;
    // The folder's own mortality models are models to choose as the built-in ones.
    std::vector<std::string> models = ModelChoices;
    for (const OwnMortalityModel& m : ReadMortalityModels(dir + MortalityModelFileName)) models.push_back(m.name);
    const int count = ImportCsv(table, o.file, {{"SEX", SexChoices}, {"RACE", AncestryChoices}, {"HAZARDFUNC", models}},
                                warnings, {}, StageScoresOf(checked.get()));
    for (const std::string& warning : warnings) err << "Warning: " << o.file << ", " << warning << "\n";
    out << "Imported " << count << (count == 1 ? " case" : " cases") << " into "
        << (ResolveCaseLocation(CaseTableLocation(dir)).server ? table.Where() : dir + "TAData.db") << "\n";
    return 0;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    if (std::string(e.what()).find("unknown field") != std::string::npos)
      err << "A trait of one's own is known when the folder's Parameters.dat defines it.\n";
    return 3;
  }
}

int Export(const TransferOptions& o, const char* argv0, std::ostream& out, std::ostream& err) {
  try {
    const std::string dir = WorkingDirectory(o.dir, argv0);
    if (!std::filesystem::is_directory(dir)) throw std::runtime_error("The folder " + dir + " does not exist.");
    // A mistyped folder is said, rather than given an empty case table.
    if (!HasCaseTable(dir)) throw std::runtime_error("The folder " + dir + " holds no case table TAData.db.");
    DeclareTraitsOfFolder(dir, err);
    CaseTable table;
    table.Open(CaseTableLocation(dir));
    if (!o.file.empty()) {
      std::vector<std::string> undeclared;
      const int count = ExportCsv(table, o.file, &undeclared);
      if (!undeclared.empty()) {
        std::string names;
        for (const std::string& name : undeclared) names += (names.empty() ? "" : ", ") + name;
        err << "Warning: the case table holds columns that " << dir
            << "Parameters.dat no longer declares; they are exported as they are: " << names << "\n";
      }
      out << "Exported " << count << (count == 1 ? " case" : " cases") << " to " << o.file << "\n";
    }
    if (!o.history.empty()) {
      const int lines = ExportHistoryCsv(table, o.history);
      out << "Exported " << lines << (lines == 1 ? " line" : " lines") << " of history to " << o.history << "\n";
    }
    return 0;
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 3;
  }
}

}  // namespace

int ImportCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Transfer("import", ImportHelp, &Import).Run(args, argv0, out, err);
}

int ExportCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return Transfer("export", ExportHelp, &Export, true).Run(args, argv0, out, err);
}

}  // namespace vorla::cli
