// The command dispatch of vorla-cli.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/CommandLine.h"
#include "app/cli/Commands.h"
#include "app/cli/DatabaseChoice.h"
#include "app/common/ProgramDirectory.h"
#include "paint/Analyst.h"
#include "store/CaseHistory.h"

namespace vorla::cli {

const char* const GeneralHelp =
    "Usage: vorla-cli [--db URI] COMMAND [OPTIONS]\n"
    "\n"
    "Age at death by transition analysis, without the window.\n"
    "\n"
    "Commands:\n"
    "  analyze   estimate the age of stored cases and store the results\n"
    "  ask       the probability of an age threshold and the likelihood ratio for a candidate's age\n"
    "  import    add cases from a CSV file to the case table\n"
    "  export    write the case table to a CSV file\n"
    "  report    write the one-page report of stored cases as PDF files\n"
    "  form      write the blank score form as a PDF file\n"
    "  calibrate fit a parameter set to a reference sample of known age\n"
    "  validate  compare the estimates for a reference sample with its known ages\n"
    "  simulate  draw a reference sample from a parameter set\n"
    "  demography estimate the mortality of a set of cases: a Gompertz-Makeham model and its life table\n"
    "  copy      copy a whole case table between a case folder and a database server\n"
    "  history   show the history of a case: every change, who made it and when\n"
    "  verify    check that stored results, or a report PDF's, follow from their scores\n"
    "\n"
    "--analyst NAME (before or after the command) is who the history and the\n"
    "report pages name (default: the name of the window's Edit > Preferences,\n"
    "else the login's full name).\n"
    "--db URI (before or after the command) keeps the case table on a PostgreSQL\n"
    "server, postgresql://HOST/DATABASE, instead of in the case folder; so does a\n"
    "file TAData.conn in the case folder holding that URI. Passwords come from\n"
    "~/.pgpass, PGPASSFILE or the service file, never from the folder.\n"
    "\n"
    "'vorla-cli COMMAND --help' explains a command; 'vorla-cli --version' tells\n"
    "the version.\n";

}  // namespace vorla::cli

namespace vorla::cli {

int RunCli(int argc, char** argv) {
  std::vector<std::string> args;
  std::optional<std::string> analyst;
  try {
    args = TakeDatabaseOption(std::vector<std::string>(argv + 1, argv + argc));
    analyst = TakeProgramOption(args, "--analyst", "--analyst needs a name");
  } catch (const UsageError& e) {
    std::cerr << "vorla-cli: " << e.what() << "\n\n" << GeneralHelp;
    return 2;
  }
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    (args.empty() ? std::cerr : std::cout) << GeneralHelp;
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version") {
    std::cout << "vorla-cli " << VersionText() << "\n";
    return 0;
  }
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  struct Entry {
    const char* name;
    int (*run)(const std::vector<std::string>&, const char*, std::ostream&, std::ostream&);
  };
  for (const Entry& e :
       {Entry{"analyze", &AnalyzeCommand}, Entry{"import", &ImportCommand}, Entry{"export", &ExportCommand},
        Entry{"report", &ReportCommand}, Entry{"form", &FormCommand}, Entry{"calibrate", &CalibrateCommand},
        Entry{"validate", &ValidateCommand}, Entry{"simulate", &SimulateCommand}, Entry{"copy", &CopyCommand},
        Entry{"ask", &AskCommand}, Entry{"history", &HistoryCommand}, Entry{"verify", &VerifyCommand},
        Entry{"demography", &DemographyCommand}}) {
    if (command != e.name) continue;
    // Every change a command makes is recorded in the case's history as its
    // own, and its report pages name the same analyst: --analyst, else the
    // one of the window's preferences.
    CaseWriter writer = DefaultCaseWriter();
    writer.analyst = analyst ? QString::fromStdString(*analyst).trimmed().toStdString()
                             : gui::AnalystName(gui::ProgramSettings()).toStdString();
    writer.program = std::string("vorla-cli ") + e.name;
    SetDefaultCaseWriter(writer);
    return e.run(rest, argv[0], std::cout, std::cerr);
  }
  std::cerr << "vorla-cli: unknown command " << command << "\n\n" << GeneralHelp;
  return 2;
}

}  // namespace vorla::cli
