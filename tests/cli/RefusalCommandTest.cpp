// The headless tool's refusals: a parameter file that cannot be used is
// refused once, before any case and before anything is written; a folder
// that is no case folder is one error; a run that cannot be stored says so
// and reports nothing as analysed; report names every file system takes.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <sys/resource.h>

#include "CommandOutcome.h"
#include "DemoFolder.h"
#include "app/cli/Commands.h"
#include "paint/CaseFiles.h"
#include "store/CaseTable.h"
#include "store/Schema.h"

using namespace vorla;
using cli::test::Command;
using cli::test::Count;
using cli::test::Outcome;
using cli::test::ReadAll;
using cli::test::WriteAll;
namespace fs = std::filesystem;

namespace {

// The first lines of the demonstration set, as `head -n` gives them.
std::string Head(int lines) {
  std::istringstream in(ReadAll(VORLA_TEST_PARAMETERS));
  std::string line, text;
  for (int i = 0; i < lines && std::getline(in, line); ++i) text += line + "\n";
  return text;
}

class CaseFolder : public ::testing::Test {
 protected:
  Outcome Analyze(std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"--dir", dir.string(), "--all", "--format", "csv"};
    args.insert(args.end(), more.begin(), more.end());
    return Command(&cli::AnalyzeCommand, args);
  }
  cli::test::DemoFolder folder{"refusal"};
  fs::path dir = folder.Path();
};

}  // namespace

TEST_F(CaseFolder, ACutParameterFileIsRefusedOnceBeforeAnyRow) {
  WriteAll(dir / "Parameters.dat", Head(100));
  const std::string before = ReadAll(dir / "TAData.db");
  const Outcome o = Analyze();
  EXPECT_EQ(o.code, 3);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(Count(o.err, (dir / "Parameters.dat").string() + ", line 101: the file ends here"), 1u) << o.err;
  EXPECT_EQ(ReadAll(dir / "TAData.db"), before);
  EXPECT_FALSE(fs::exists(dir / "TATree.txt"));

  // A missing file: one message, not one per case.
  fs::remove(dir / "Parameters.dat");
  const Outcome missing = Analyze();
  EXPECT_EQ(missing.code, 3);
  EXPECT_EQ(Count(missing.err, "does not exist"), 1u) << missing.err;

  WriteAll(dir / "Parameters.dat", "\n0.12\n4\n");
  const Outcome version = Analyze();
  EXPECT_EQ(version.code, 1);
  EXPECT_NE(version.err.find("Parameters.dat, line 2: Wrong version of parameter set."), std::string::npos);
  EXPECT_EQ(ReadAll(dir / "TAData.db"), before);
}

TEST_F(CaseFolder, WarningsAreGivenOnceAndTheRunGoesOn) {
  std::string text = ReadAll(VORLA_TEST_PARAMETERS);
  text.replace(text.find("1.3\n"), 4, "250\n");  // the variance factor of the first complex
  WriteAll(dir / "Parameters.dat", text);
  const Outcome o = Analyze();
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(Count(o.err, "Warning: "), 1u) << o.err;
  EXPECT_NE(o.err.find("Parameters.dat, line 5: the variance factor 250 of complex SUTURES is above 100"),
            std::string::npos);
  EXPECT_EQ(Count(o.out, ",analysed,"), 10u);
}

TEST_F(CaseFolder, NothingIsReportedAsAnalysedUnlessItWasStored) {
  // The disk is full: no write reaches the database.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit full = saved;
  full.rlim_cur = 512;
  setrlimit(RLIMIT_FSIZE, &full);
  const Outcome o = Analyze();
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(o.code, 3);
  CaseTable table;
  table.Open(dir.string());
  int stored = 0;
  table.ForEachStoredRow(
      [&](const std::vector<FieldValue>& row) { stored += !IsNull(row[FindCaseField("RES_ALL_MAX_LIKELIHOOD")]); });
  EXPECT_EQ(stored, 0);
  EXPECT_EQ(Count(o.out, ",analysed,"), 0u) << o.out;
  EXPECT_NE(o.err.find("Nothing was stored"), std::string::npos) << o.err;
}

// A row the database refuses to store (here a trigger) ends the batch, be it
// the last row or one in the middle, with one job or two: nothing is stored,
// nothing is reported as analysed.
TEST_F(CaseFolder, ARowThatCannotBeStoredEndsTheBatch) {
  for (const char* key : {"10", "4"}) {
    for (const char* jobs : {"1", "2"}) {
      {
        CaseTable table;
        table.Open(dir.string());
        table.ExecSql("DROP TRIGGER IF EXISTS refuse");
        table.ExecSql(std::string("CREATE TRIGGER refuse BEFORE UPDATE ON TAData WHEN NEW.SKELETON_ID = ") + key +
                      " BEGIN SELECT RAISE(ABORT, 'row refused by the test'); END");
      }
      const Outcome o = Analyze({"--jobs", jobs});
      EXPECT_EQ(o.code, 3) << key << ", " << jobs << " jobs";
      EXPECT_EQ(o.out, "") << key;
      EXPECT_NE(o.err.find(std::string("Case ") + key + ": its row could not be saved: "), std::string::npos) << o.err;
      EXPECT_NE(o.err.find("row refused by the test"), std::string::npos) << o.err;
      EXPECT_NE(o.err.find("Nothing was stored"), std::string::npos) << o.err;
      CaseTable table;
      table.Open(dir.string());
      int stored = 0;
      table.ForEachStoredRow(
          [&](const std::vector<FieldValue>& row) { stored += !IsNull(row[FindCaseField("RES_ALL_MAX_LIKELIHOOD")]); });
      EXPECT_EQ(stored, 0) << key << ", " << jobs << " jobs";
      // The trace is that of the case before, the last one stored before the end.
      const std::string trace = ReadAll(dir / "TATree.txt");
      const std::string expected = std::string("Name          = ") + (key == std::string("10") ? "DEMO-09" : "DEMO-03");
      EXPECT_EQ(trace.substr(0, expected.size()), expected) << key;
    }
  }
}

TEST(CommandFolders, AFolderWithoutCaseFilesIsOneError) {
  const cli::test::DemoFolder empty("empty", cli::test::DemoFolder::Nothing);
  const fs::path& dir = empty.Path();
  const Outcome analyze = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--all"});
  EXPECT_EQ(analyze.code, 3);
  EXPECT_EQ(Count(analyze.err, "\n"), 1u) << analyze.err;
  EXPECT_NE(analyze.err.find("holds neither Parameters.dat nor TAData.db"), std::string::npos);
  const Outcome exported = Command(&cli::ExportCommand, {"--dir", dir.string(), (dir / "out.csv").string()});
  EXPECT_EQ(exported.code, 3);
  EXPECT_TRUE(fs::is_empty(dir)) << "a case table or a file was made in a folder that held none";
}

TEST(CommandFolders, SimulateChecksTheFileBeforeItAllocates) {
  const cli::test::DemoFolder folder("simulate", cli::test::DemoFolder::Nothing);
  const fs::path& dir = folder.Path();
  std::string text = ReadAll(VORLA_TEST_PARAMETERS);
  text.replace(text.find("\n4\n"), 3, "\n2147483647\n");
  WriteAll(dir / "Parameters.dat", text);
  const Outcome o = Command(&cli::SimulateCommand, {"--n", "10", "--params", (dir / "Parameters.dat").string(), "--out",
                                                    (dir / "sample.csv").string()});
  EXPECT_EQ(o.code, 3);
  EXPECT_NE(o.err.find("Parameters.dat, line "), std::string::npos) << o.err;
  EXPECT_FALSE(fs::exists(dir / "sample.csv"));
}

TEST(ReportNames, LongCaseNumbersAreCutWithTheKey) {
  std::set<std::string> taken;
  std::string cjk;
  for (int i = 0; i < 90; ++i) cjk += "\xE9\xAA\xA8";  // 90 three-byte characters
  const std::string stem = gui::ReportFileStem(cjk, 4711, taken);
  EXPECT_LE(stem.size(), gui::MaxReportStemLength);
  EXPECT_EQ(stem.substr(stem.size() - 5), "_4711");
  // Two long numbers that agree in their first part stay apart.
  const std::string other = gui::ReportFileStem(cjk + "x", 4712, taken);
  EXPECT_NE(other, stem);
  EXPECT_EQ(gui::ReportFileStem("short", 1, taken), "short");
}

// PUB_TEXTURE has the scores 1-4 in the demonstration set. A 7 there is
// refused by import and copy, naming where and what is allowed, and nothing is
// written; the same score stored by another way refuses its case in the
// analysis, which goes on with the other cases.
TEST_F(CaseFolder, AScoreThatStandsForNoStageIsRefused) {
  const std::string before = ReadAll(dir / "TAData.db");
  WriteAll(dir / "seven.csv", "SKELETON_NAME,PUB_TEXTURE_R_LOW,CRA_PTERICA_UPPER\nA,4,5\nB,7,\nC,,6\n");
  const Outcome imported = Command(&cli::ImportCommand, {"--dir", dir.string(), (dir / "seven.csv").string()});
  EXPECT_EQ(imported.code, 3);
  EXPECT_NE(imported.err.find("line 3, field PUB_TEXTURE_R_LOW: the score 7 stands for no stage of PUB_TEXTURE; the "
                              "allowed scores are 1-4 (and -1 to withdraw the side)"),
            std::string::npos)
      << imported.err;
  EXPECT_NE(imported.err.find("line 4, field CRA_PTERICA_UPPER: the score 6 stands for no stage of CRA_PTERICA; the "
                              "allowed scores are 1-5"),
            std::string::npos)
      << imported.err;
  EXPECT_EQ(ReadAll(dir / "TAData.db"), before);

  {  // as a hand-made change to the table would store it
    CaseTable table;
    table.Open(dir.string());
    table.ExecSql("UPDATE TAData SET PUB_TEXTURE_L_LOW = 7 WHERE SKELETON_ID = 4");
  }
  const Outcome analysed = Analyze();
  EXPECT_EQ(analysed.code, 3);
  EXPECT_EQ(Count(analysed.out, ",analysed,"), 9u) << analysed.out;
  EXPECT_NE(analysed.err.find(
                "Case 4 \"DEMO-04 cranium only\": Field PUB_TEXTURE_L_LOW holds the score 7, which stands for no "
                "stage of PUB_TEXTURE; the allowed scores are 1-4"),
            std::string::npos)
      << analysed.err;

  const fs::path copy = dir / "copy";
  const Outcome copied = Command(&cli::CopyCommand, {"--from", dir.string(), "--to", copy.string()});
  EXPECT_EQ(copied.code, 3);
  EXPECT_NE(copied.err.find("Case 4, field PUB_TEXTURE_L_LOW: the score 7 stands for no stage of PUB_TEXTURE"),
            std::string::npos)
      << copied.err;
  CaseTable target;
  target.Open(copy.string());
  EXPECT_TRUE(target.IsEmpty());
}
