// vorla-cli verify: stored results and report PDFs are recomputed; an
// untouched case is reproduced, an edited score or another set is named.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "CommandOutcome.h"
#include "DemoFolder.h"
#include "app/cli/Commands.h"
#include "store/CaseTable.h"

using namespace vorla;
using cli::test::Command;
using cli::test::DemoFolder;
using cli::test::ReadAll;
using cli::test::WriteAll;
namespace fs = std::filesystem;

namespace {

// The demonstration set under another first line: the same numbers, another checksum.
std::string OtherSet(const fs::path& dir) {
  std::string set = ReadAll(dir / "Parameters.dat");
  set.replace(set.find("invented"), 8, "imagined");
  const fs::path path = dir / "Other.dat";
  WriteAll(path, set);
  return path.string();
}

TEST(VerifyCommand, StoredCasesAreReproducedUntilAScoreOrTheSetChanges) {
  struct Change {
    const char* what;
    std::function<void(const fs::path&)> make;
    int code;
    const char* said;
    const char* summary;  // of --all
  };
  const Change changes[] = {
      {"untouched", [](const fs::path&) {}, 0, "SKELETON_ID 1 \"DEMO-01 young adult\": reproduced\n",
       "10 case(s) reproduced, 0 not reproduced\n"},
      {"a score edited after the analysis",
       [](const fs::path& dir) {
         CaseTable table;
         table.Open(dir.string());
         table.ExecSql("UPDATE TAData SET PUB_RELIEF_R_LOW = 5, PUB_RELIEF_R_UPPER = 5 WHERE SKELETON_ID = 1");
       },
       1, "not reproduced: RES_", "9 case(s) reproduced, 1 not reproduced\n"},
      {"another set in the folder", [](const fs::path& dir) { fs::rename(OtherSet(dir), dir / "Parameters.dat"); }, 1,
       "not reproduced: computed with another parameter set: RES_PARAM_SHA256 recorded ",
       "0 case(s) reproduced, 10 not reproduced\n"},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    DemoFolder folder("verify");
    const std::string dir = folder.Path().string();
    ASSERT_EQ(Command(&cli::AnalyzeCommand, {"--dir", dir, "--all"}).code, 0);
    change.make(folder.Path());
    const auto one = Command(&cli::VerifyCommand, {"--dir", dir, "--id", "1"});
    EXPECT_EQ(one.code, change.code) << one.err;
    EXPECT_NE(one.out.find(change.said), std::string::npos) << one.out;
    // The other nine cases are reproduced whatever happened to the first,
    // unless the set changed under all of them.
    const auto all = Command(&cli::VerifyCommand, {"--dir", dir, "--all"});
    EXPECT_EQ(all.code, change.code) << all.out;
    EXPECT_NE(all.out.find(change.summary), std::string::npos) << all.out;
  }
}

TEST(VerifyCommand, NothingStoredIsNothingVerified) {
  DemoFolder folder("verify-none");
  const auto none = Command(&cli::VerifyCommand, {"--dir", folder.Path().string(), "--all"});
  EXPECT_EQ(none.code, 3);
  EXPECT_NE(none.out.find("0 case(s) reproduced, 0 not reproduced, 10 without results"), std::string::npos);
}

TEST(VerifyCommand, AReportPdfIsRecomputedFromItsOwnRecord) {
  DemoFolder folder("verify-pdf");
  const std::string dir = folder.Path().string(), params = (folder.Path() / "Parameters.dat").string();
  ASSERT_EQ(Command(&cli::AnalyzeCommand, {"--dir", dir, "--id", "1"}).code, 0);
  const fs::path out = folder.Path() / "reports";
  ASSERT_EQ(Command(&cli::ReportCommand, {"--dir", dir, "--id", "1", "--out", out.string()}).code, 0);
  const fs::path pdf = out / "DEMO-01_young_adult.pdf";
  ASSERT_TRUE(fs::exists(pdf));

  const auto untouched = Command(&cli::VerifyCommand, {pdf.string(), "--params", params});
  EXPECT_EQ(untouched.code, 0) << untouched.err;
  EXPECT_NE(untouched.out.find("SKELETON_ID 1 \"DEMO-01 young adult\": reproduced\n"), std::string::npos)
      << untouched.out;

  // The scores in the file edited: the recorded results no longer follow.
  std::string bytes = ReadAll(pdf);
  for (const char* field : {"PUB_RELIEF_R_LOW=", "PUB_RELIEF_R_UPPER="}) {
    const std::size_t at = bytes.find(std::string(field) + "2<");
    ASSERT_NE(at, std::string::npos) << field;
    bytes[at + std::char_traits<char>::length(field)] = '5';
  }
  const fs::path edited = out / "edited.pdf";
  WriteAll(edited, bytes);
  const auto changed = Command(&cli::VerifyCommand, {edited.string(), "--params", params});
  EXPECT_EQ(changed.code, 1);
  EXPECT_NE(changed.out.find("not reproduced: RES_"), std::string::npos) << changed.out;

  // Another set is refused before anything is recomputed.
  const auto other = Command(&cli::VerifyCommand, {pdf.string(), "--params", OtherSet(folder.Path())});
  EXPECT_EQ(other.code, 1);
  EXPECT_NE(other.err.find("nothing was verified"), std::string::npos) << other.err;
  EXPECT_EQ(other.out, "");

  // A PDF without a case record: the blank form.
  const fs::path form = out / "form.pdf";
  ASSERT_EQ(Command(&cli::FormCommand, {"--out", form.string()}).code, 0);
  const auto blank = Command(&cli::VerifyCommand, {form.string(), "--params", params});
  EXPECT_EQ(blank.code, 3);
  EXPECT_NE(blank.err.find("Cannot verify"), std::string::npos) << blank.err;
}

}  // namespace
