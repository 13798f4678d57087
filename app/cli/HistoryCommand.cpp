#include <algorithm>

#include "app/cli/CaseChoice.h"
#include "app/cli/Command.h"
#include "app/cli/Commands.h"
#include "app/cli/DatabaseChoice.h"
#include "app/cli/ParameterFileCheck.h"
#include "app/cli/ResultReport.h"
#include "app/common/ProgramDirectory.h"
#include "store/CaseHistory.h"
#include "store/CaseTable.h"

namespace vorla::cli {

const char* const HistoryHelp =
    "Usage: vorla-cli history [--dir DIR] --id N | --name TEXT\n"
    "                         [--format text|csv|json]\n"
    "\n"
    "Shows the history of a case of the case table in DIR (default: the folder of\n"
    "the program), newest first: every stored change with its time (UTC), the\n"
    "analyst, the program (the window, or which vorla-cli command), on a server\n"
    "its user name, and each changed field with its old and new value. An\n"
    "analysis is one line with its level, parameter set and corrected estimate;\n"
    "import and copy name the file the case came from. A deleted case keeps its\n"
    "history, found by its SKELETON_ID or case number. --name takes every case\n"
    "with that case number. 'export --history FILE.csv' writes the whole history.\n"
    "Exit codes: 0 shown, 2 usage error, 3 no such case, or the table could not\n"
    "be read.\n";

namespace {

enum class HistoryFormat { Text, Csv, Json };

struct HistoryOptions {
  std::string dir;
  CaseChoice cases;
  HistoryFormat format = HistoryFormat::Text;
};

HistoryOptions ReadOptions(const CommandLine& a) {
  a.NoWords();
  HistoryOptions o;
  o.dir = a.Value("--dir").value_or("");
  if (!a.Has("--id") && !a.Has("--name")) throw UsageError("name the case with --id or --name");
  o.cases = ReadCaseChoice(a);
  if (const auto format = a.Value("--format")) {
    if (*format == "text")
      o.format = HistoryFormat::Text;
    else if (*format == "csv")
      o.format = HistoryFormat::Csv;
    else if (*format == "json")
      o.format = HistoryFormat::Json;
    else
      throw UsageError("--format is text, csv or json");
  }
  return o;
}

std::string Shown(const std::string& value) {
  return value.empty() ? std::string("(empty)") : value;
}

void PrintText(const std::vector<HistoryLine>& lines, std::ostream& out) {
  for (const HistoryLine& line : lines) {
    out << line.time << " UTC  SKELETON_ID " << line.key;
    if (!line.name.empty()) out << " \"" << line.name << "\"";
    out << "  " << Shown(line.analyst) << ", " << Shown(line.program);
    if (!line.serverUser.empty()) out << " (server user " << line.serverUser << ")";
    out << "  " << line.change;
    if (!line.field.empty())
      out << "  " << line.field << ": " << Shown(line.oldValue) << " -> " << Shown(line.newValue);
    out << "\n";
  }
}

void PrintCsv(const std::vector<HistoryLine>& lines, std::ostream& out) {
  const auto print = [&out](const auto& cells) {
    bool first = true;
    for (const auto& cell : cells) {
      out << (first ? "" : ",") << CsvCell(std::string(cell));
      first = false;
    }
    out << "\r\n";
  };
  print(HistoryColumns());
  for (const HistoryLine& line : lines) print(HistoryCells(line));
}

void PrintJson(const std::vector<HistoryLine>& lines, std::ostream& out) {
  out << "[";
  for (std::size_t l = 0; l < lines.size(); ++l) {
    const std::vector<std::string> cells = HistoryCells(lines[l]);
    out << (l > 0 ? ",\n " : "\n ") << "{";
    for (std::size_t c = 0; c < cells.size(); ++c) {
      out << (c > 0 ? ", " : "") << JsonString(std::string(HistoryColumns()[c])) << ": ";
      // The two keys are numbers; every other value is a text, or null when empty.
      if (c < 2)
        out << cells[c];
      else
        out << (cells[c].empty() ? std::string("null") : JsonString(cells[c]));
    }
    out << "}";
  }
  out << (lines.empty() ? "]\n" : "\n]\n");
}

class History final : public Command {
 public:
  History() : Command("history", HistoryHelp, {{"--dir", "--id", "--name", "--format"}}) {}

 private:
  void Read(const CommandLine& line) override { o_ = ReadOptions(line); }
  int Execute() override;

  HistoryOptions o_;
};

int History::Execute() {
  const HistoryOptions& o = o_;
  std::ostream& out = Out();
  std::ostream& err = Err();
  const std::string dir = WorkingDirectory(o.dir, Argv0());
  if (!HasCaseTable(dir)) throw std::runtime_error("The folder " + dir + " holds no case table TAData.db.");
  DeclareTraitsOfFolder(dir, err);
  CaseTable table;
  table.Open(CaseTableLocation(dir));
  const RowFilter filter =
      o.cases.id ? RowFilter(std::int64_t{*o.cases.id}) : RowFilter(o.cases.name.value_or(std::string()));
  std::vector<HistoryLine> lines;
  table.ForEachHistoryLine(filter, [&lines](const HistoryLine& line) { lines.push_back(line); });
  const std::string which =
      o.cases.id ? "SKELETON_ID " + std::to_string(*o.cases.id) : "the case number \"" + *o.cases.name + "\"";
  if (lines.empty()) {
    const bool stored = o.cases.id ? table.LocateId(*o.cases.id) : !table.KeysNamed(*o.cases.name).empty();
    if (!stored) throw std::runtime_error("There is no case with " + which + " and no history of one.");
    err << "No change of the case with " << which << " is recorded.\n";
  }
  std::reverse(lines.begin(), lines.end());  // newest first
  if (o.format == HistoryFormat::Csv)
    PrintCsv(lines, out);
  else if (o.format == HistoryFormat::Json)
    PrintJson(lines, out);
  else
    PrintText(lines, out);
  return 0;
}

}  // namespace

int HistoryCommand(const std::vector<std::string>& args, const char* argv0, std::ostream& out, std::ostream& err) {
  return History().Run(args, argv0, out, err);
}

}  // namespace vorla::cli
