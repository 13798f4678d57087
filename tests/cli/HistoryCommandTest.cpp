// vorla-cli history and export --history: a case's changes newest first in
// each format, named by the command that made them; the case is found by key
// or case number; what is asked wrongly is a usage error.
#include <gtest/gtest.h>

#include <unistd.h>
#include <regex>

#include <filesystem>

#include "CommandOutcome.h"
#include "app/cli/Commands.h"

using namespace vorla;
using cli::test::Command;
using cli::test::Count;
using cli::test::ReadAll;
namespace fs = std::filesystem;

namespace {

class HistoryCommand : public ::testing::Test {
 protected:
  HistoryCommand() : dir(fs::temp_directory_path() / ("vorla-history-" + std::to_string(::getpid()))) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(VORLA_TEST_PARAMETERS, dir / "Parameters.dat");
    EXPECT_EQ(Run({"import", "--dir", dir.string(), VORLA_TEST_EXAMPLES}), 0);
    EXPECT_EQ(Run({"analyze", "--dir", dir.string(), "--id", "1", "--level", "90"}), 0);
  }
  ~HistoryCommand() override { fs::remove_all(dir); }
  // Through the dispatch, as from the shell, so that the command names itself.
  static int Run(std::vector<std::string> args) {
    std::vector<char*> argv = {const_cast<char*>("vorla-cli")};
    for (std::string& a : args) argv.push_back(a.data());
    return cli::RunCli(static_cast<int>(argv.size()), argv.data());
  }
  cli::test::Outcome History(std::vector<std::string> more) {
    more.insert(more.begin(), {"--dir", dir.string()});
    return Command(&cli::HistoryCommand, more);
  }
  fs::path dir;
};

}  // namespace

TEST_F(HistoryCommand, ShowsTheChangesNewestFirstInEachFormat) {
  const auto csv = History({"--id", "1", "--format", "csv"});
  ASSERT_EQ(csv.code, 0) << csv.err;
  const std::string header =
      "HISTORY_ID,SKELETON_ID,SKELETON_NAME,CHANGED_AT,ANALYST,PROGRAM,DB_USER,CHANGE,FIELD,OLD_VALUE,NEW_VALUE\r\n";
  ASSERT_EQ(csv.out.substr(0, header.size()), header);
  const std::string first = csv.out.substr(header.size(), csv.out.find('\n', header.size()) - header.size());
  EXPECT_TRUE(std::regex_search(
      first, std::regex(",vorla-cli analyze,,analysed at 90 % with set [0-9a-f]{12}\u2026; corrected ")))
      << first;
  EXPECT_EQ(Count(csv.out, "\r\n"), 3u);
  EXPECT_NE(csv.out.find("vorla-cli import,,\"imported from '" + std::string(VORLA_TEST_EXAMPLES) + "', line 2\""),
            std::string::npos)
      << csv.out;

  const auto json = History({"--name", "DEMO-01 young adult", "--format", "json"});
  ASSERT_EQ(json.code, 0) << json.err;
  EXPECT_EQ(Count(json.out, "\"SKELETON_ID\": 1,"), 2u);
  EXPECT_EQ(Count(json.out, "\"DB_USER\": null"), 2u);
  EXPECT_LT(json.out.find("analysed at 90 %"), json.out.find("imported from"));

  const auto text = History({"--id", "1"});
  EXPECT_EQ(Count(text.out, "\n"), 2u);
  EXPECT_NE(text.out.find("vorla-cli analyze  analysed at 90 %"), std::string::npos) << text.out;

  const fs::path exported = dir / "history.csv";
  EXPECT_EQ(Command(&cli::ExportCommand, {"--dir", dir.string(), "--history", exported.string()}).code, 0);
  EXPECT_EQ(Count(ReadAll(exported), "\r\n"), 12u);  // the header, ten imports, one analysis
}

TEST_F(HistoryCommand, RefusesWhatItCannotAnswer) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"--all"}, {"--id", "1", "--name", "x"}, {"--id", "1", "--format", "xml"}, {"--id", "one"}})
    EXPECT_EQ(History(args).code, 2) << ::testing::PrintToString(args);
  const auto missing = History({"--id", "99"});
  EXPECT_EQ(missing.code, 3);
  EXPECT_NE(missing.err.find("There is no case with SKELETON_ID 99"), std::string::npos) << missing.err;
  EXPECT_EQ(Command(&cli::ExportCommand, {"--dir", dir.string()}).code, 2);
}
