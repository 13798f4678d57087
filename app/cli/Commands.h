#pragma once
// The commands of vorla-cli, each a Command (app/cli/Command.h) with its
// --help text beside it. Each returns the program's exit code: 0 success,
// 1 a parameter file of the wrong version, 2 a usage error, 3 a row that failed
// or could not be analysed (or a file that could not be read or written),
// 130 stopped with Ctrl-C.
#include <ostream>
#include <string>
#include <vector>

namespace vorla::cli {

int AnalyzeCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int ImportCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int ExportCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int CalibrateCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int ValidateCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int FormCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int ReportCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int CopyCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int AskCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int SimulateCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int VerifyCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int DemographyCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);
int HistoryCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err);

// The program's own --help.
extern const char* const GeneralHelp;

// Runs the command the arguments name.
int RunCli(int argc, char** argv);

}  // namespace vorla::cli
