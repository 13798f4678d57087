// The options of every command, read once: values, flags, words, and what
// is refused, in the words the commands have always used.
#include <gtest/gtest.h>

#include "CommandOutcome.h"
#include "app/cli/CommandLine.h"
#include "app/cli/Commands.h"

using namespace vorla;
using cli::CommandLine;
using cli::OptionNames;

namespace {

const OptionNames Names({"--dir", "--id"}, {"--all"}, {"--at-least"});

// The options a line gives, as "option=value" in order of the names, then the words.
std::string Read(const std::vector<std::string>& args) {
  try {
    const CommandLine line(args, Names);
    std::string text;
    for (const char* option : {"--dir", "--id", "--all", "--at-least"})
      for (const std::string& value : line.Values(option)) text += std::string(option) + "=" + value + " ";
    for (const std::string& word : line.Words()) text += "[" + word + "] ";
    return text;
  } catch (const cli::UsageError& e) {
    return std::string("refused: ") + e.what();
  }
}

}  // namespace

TEST(CommandLine, ReadsValuesFlagsAndWordsAndRefusesInTheCommandsWords) {
  const struct {
    std::vector<std::string> args;
    std::string read;
  } lines[] = {
      {{"--dir", "d", "--all", "file"}, "--dir=d --all= [file] "},
      {{"--dir=d=e", "--id="}, "--dir=d=e --id= "},
      // A value may begin with a dash, even be "--"; a lone "-" is a word.
      {{"--dir", "-x", "--id", "--", "-"}, "--dir=-x --id=-- [-] "},
      {{"--at-least", "30", "--at-least=50"}, "--at-least=30 --at-least=50 "},
      {{"--all", "--all"}, "--all= "},
      // File names are bytes, not necessarily UTF-8.
      {{"--dir", "caf\xe9", "\xff\xfe.csv"}, "--dir=caf\xe9 [\xff\xfe.csv] "},
      {{"--dir", "a", "--dir", "b"}, "refused: the option --dir is given twice"},
      {{"--dir"}, "refused: the option --dir needs a value"},
      {{"--all", "--bogus=1"}, "refused: unknown option --bogus=1"},
      {{"--all=yes"}, "refused: unknown option --all=yes"},
      {{"-dir", "d"}, "refused: unknown option -dir"},
      {{"--all", "--", "file"}, "refused: unknown option --"},
  };
  for (const auto& line : lines) EXPECT_EQ(Read(line.args), line.read) << line.args.front();
}

TEST(CommandLine, NumbersAndChoicesNameTheOptionWhenRefused) {
  const OptionNames names({"--n", "--level", "--format", "--age"});
  const CommandLine line({"--n", "12", "--level", "99", "--format", "csv", "--age", "0"}, names);
  EXPECT_EQ(line.Whole("--n", 1, 20, 5), 12);
  EXPECT_EQ(line.Level(), 99);
  EXPECT_EQ(line.Choice("--format", {"text", "csv"}, 0, "no"), 1u);
  EXPECT_EQ(CommandLine({}, names).Level(), 95);
  const auto refusal = [&](const auto& read) {
    try {
      read();
    } catch (const cli::UsageError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(refusal([&] { line.Whole("--n", 1, 10, 5); }), "--n takes a whole number from 1 to 10, not 12");
  EXPECT_EQ(refusal([&] { line.Years("--age", 20); }), "--age takes a number of years above 0 and at most 1000, not 0");
  EXPECT_EQ(refusal([&] { CommandLine({"--level", "80"}, names).Level(); }), "--level is 90, 95 or 99");
}

// Every command: --help anywhere prints its text and succeeds; a usage error
// says what is wrong, then the same text, and ends with 2.
TEST(CommandLine, HelpAndUsageErrorsOfEveryCommand) {
  for (const auto& [name, command] : std::initializer_list<std::pair<const char*, decltype(&cli::AnalyzeCommand)>>{
           {"analyze", &cli::AnalyzeCommand},
           {"ask", &cli::AskCommand},
           {"import", &cli::ImportCommand},
           {"export", &cli::ExportCommand},
           {"report", &cli::ReportCommand},
           {"form", &cli::FormCommand},
           {"calibrate", &cli::CalibrateCommand},
           {"validate", &cli::ValidateCommand},
           {"simulate", &cli::SimulateCommand},
           {"copy", &cli::CopyCommand}}) {
    const cli::test::Outcome help = cli::test::Command(command, {"--bogus", "-h"});
    EXPECT_EQ(help.code, 0) << name;
    EXPECT_EQ(help.out.rfind(std::string("Usage: vorla-cli ") + name + " ", 0), 0u) << name;
    const cli::test::Outcome refused = cli::test::Command(command, {"--bogus"});
    EXPECT_EQ(refused.code, 2) << name;
    EXPECT_EQ(refused.err, std::string("vorla-cli ") + name + ": unknown option --bogus\n\n" + help.out) << name;
    EXPECT_EQ(refused.out, "") << name;
  }
}

// The options every command knows are taken wherever they stand; a missing
// name is refused rather than taking the next option for it.
TEST(CommandLine, TakesTheProgramsOwnOptionsWhereverTheyStand) {
  const struct {
    std::vector<std::string> args;
    std::string taken;  // the value, then the rest; or "refused"
  } lines[] = {
      {{"--analyst", "A. Osteo", "report", "--all"}, "A. Osteo|report --all "},
      {{"report", "--analyst=B", "--all", "--analyst", "C"}, "C|report --all "},
      {{"report", "--all"}, "(none)|report --all "},
      {{"analyze", "--analyst", "--dir", "d"}, "refused"},
      {{"analyze", "--analyst="}, "refused"},
      {{"analyze", "--analyst"}, "refused"},
  };
  for (const auto& line : lines) {
    std::vector<std::string> args = line.args;
    std::string taken;
    try {
      taken = cli::TakeProgramOption(args, "--analyst", "--analyst needs a name").value_or("(none)") + "|";
      for (const std::string& arg : args) taken += arg + " ";
    } catch (const cli::UsageError&) {
      taken = "refused";
    }
    EXPECT_EQ(taken, line.taken) << line.args.size();
  }
}
