// TATree.txt: written whole or not at all, and a failure said.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FakeRow.h"
#include "engine/AnalysisTrace.h"
#include "params/CaseRun.h"
#include "params/ParameterCheck.h"
#include "params/TraceFile.h"

using namespace vorla;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class TraceFile : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("vorla-trace-" + std::to_string(::getpid()));
  fs::path path = dir / "TATree.txt";
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
    row.Set("SEX", SexChoices.front());
    row.Set("RACE", AncestryChoices.front());
    row.Set("HAZARDFUNC", ModelChoices.front());
    for (const char* base : {"PUB_RELIEF_L", "PUB_TEXTURE_L", "AUR_TOPOSUP_L", "CRA_PTERICA"}) {
      row.Set(std::string(base) + "_LOW", "2");
      row.Set(std::string(base) + "_UPPER", "3");
    }
    settings.parameters = CheckParameterFile(VORLA_TEST_PARAMETERS, {});
    settings.tracePath = path.string();
    settings.onTraceFailed = [this](const std::string& message) { failure = message; };
  }
  void TearDown() override { fs::remove_all(dir); }

  // The row's analysed case, and its trace as a run writes it.
  AnalysisTreePtr Analysed() {
    RunSettings keeping = settings;
    keeping.keepCase = true;
    CaseRecord record = ReadCaseRecord(row, LayoutOfRun(keeping));
    std::optional<CaseResults> results;
    EXPECT_EQ(AnalyzeRecord(record, keeping, results).outcome, RowOutcome::Analysed);
    return results ? std::move(results->analysedCase) : nullptr;
  }
  std::string Trace() { return AnalysisTraceText(*Analysed()); }
  std::size_t FilesBeside() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }

  test::FakeRow row{test::AllCaseFields()};
  RunSettings settings;
  std::string failure;
};

}  // namespace

TEST_F(TraceFile, WritesAndReplaces) {
  std::ofstream(path) << "old and much longer content than any header line could ever be";
  ASSERT_EQ(AnalyzeRow(row, {}, settings).outcome, RowOutcome::Analysed);
  EXPECT_TRUE(ReadAll(path) == Trace()) << "the trace was not written whole";
  EXPECT_EQ(failure, "");
  EXPECT_EQ(FilesBeside(), 1u);
}

TEST_F(TraceFile, NoCaseLeavesTheFileUntouched) {
  std::ofstream(path) << "previous";
  WriteAnalysisTrace(nullptr, path.string());
  EXPECT_EQ(ReadAll(path), "previous");
}

TEST_F(TraceFile, AnUnwritablePlaceIsSaidAndTheResultsStand) {
  // A folder standing where the file should be cannot be written, not even by root.
  fs::create_directory(dir / "TATree.txt");
  for (const fs::path& place : {path, dir / "no-such" / "TATree.txt"}) {
    settings.tracePath = place.string();
    failure.clear();
    row.Clear("RES_ALLCOR_MAX_LIKELIHOOD");
    EXPECT_EQ(AnalyzeRow(row, {}, settings).outcome, RowOutcome::Analysed);
    EXPECT_FALSE(row.FieldIsNull("RES_ALLCOR_MAX_LIKELIHOOD"));
    EXPECT_NE(failure.find(place.string()), std::string::npos) << failure;
    EXPECT_THROW(WriteAnalysisTrace(Analysed().get(), place.string()), TraceWriteError);
  }
  EXPECT_TRUE(fs::is_directory(dir / "TATree.txt"));
}

// A write cut off by a full disk, or by the program being killed in the
// middle of it (here both: a file size limit, whose signal either is ignored
// and fails the write, or kills the process), keeps the earlier trace whole.
// The killed writer's temporary file is cleared by the next trace.
TEST_F(TraceFile, AFailedOrKilledWriteKeepsTheEarlierTraceWhole) {
  const std::string earlier = "the earlier trace\r\n";
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "killed" : "disk full");
    { std::ofstream(path, std::ios::binary) << earlier; }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
      const rlimit noCore{0, 0}, small{16 * 1024, 16 * 1024};
      ::setrlimit(RLIMIT_CORE, &noCore);
      ::setrlimit(RLIMIT_FSIZE, &small);
      const bool analysed = AnalyzeRow(row, {}, settings).outcome == RowOutcome::Analysed;
      const bool said =
          failure.find(path.string()) != std::string::npos && failure.find("is the disk full?") != std::string::npos;
      ::_exit(analysed && said ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (killed) {
      ASSERT_TRUE(WIFSIGNALED(status));
      EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    } else {
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(WEXITSTATUS(status), 0) << "the failure was not said, naming the file";
      EXPECT_EQ(FilesBeside(), 1u);
    }
    EXPECT_TRUE(ReadAll(path) == earlier) << "the earlier trace was changed";
    ASSERT_EQ(AnalyzeRow(row, {}, settings).outcome, RowOutcome::Analysed);
    EXPECT_TRUE(ReadAll(path) == Trace()) << "the trace was not written whole";
    EXPECT_EQ(FilesBeside(), 1u) << "a temporary file was left";
  }
}
