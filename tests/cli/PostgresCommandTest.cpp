// The headless tool on a case table kept on a PostgreSQL server: the same
// results, export and trace as with the SQLite file, and a whole table copied
// to the server and back unchanged.
#include <gtest/gtest.h>

#include <filesystem>

#include "CommandOutcome.h"
#include "DemoFolder.h"
#include "PgTestSupport.h"
#include "app/cli/CommandLine.h"
#include "app/cli/Commands.h"
#include "app/cli/DatabaseChoice.h"

using namespace vorla;
using cli::test::Command;
using cli::test::Outcome;
using cli::test::ReadAll;
using cli::test::WriteAll;
namespace fs = std::filesystem;

namespace {

class PostgresCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    VORLA_REQUIRE_PG();
    schema = std::make_unique<test::PgSchema>();
  }
  void TearDown() override { cli::ChooseDatabase(std::nullopt); }
  // The three case folders: "file", "server" and "back".
  const fs::path& Path(const std::string& name) const {
    return (name == "file" ? file : name == "server" ? server : back).Path();
  }
  std::string Dir(const char* name) const { return Path(name).string(); }
  Outcome ImportAnalyzeExport(const std::string& dir) {
    EXPECT_EQ(Command(&cli::ImportCommand, {"--dir", dir, VORLA_TEST_EXAMPLES}).code, 0);
    const Outcome analysed = Command(&cli::AnalyzeCommand, {"--dir", dir, "--all", "--format", "csv"});
    EXPECT_EQ(Command(&cli::ExportCommand, {"--dir", dir, dir + "/export.csv"}).code, 0);
    return analysed;
  }

  cli::test::DemoFolder file{"pg-file", cli::test::DemoFolder::Parameters};
  cli::test::DemoFolder server{"pg-server", cli::test::DemoFolder::Parameters};
  cli::test::DemoFolder back{"pg-back", cli::test::DemoFolder::Parameters};
  std::unique_ptr<test::PgSchema> schema;
};

TEST_F(PostgresCommands, AServerGivesTheSameResultsExportAndTraceAsTheFile) {
  const Outcome onFile = ImportAnalyzeExport(Dir("file"));
  WriteAll(Path("server") / "TAData.conn", schema->Uri() + "\n");
  const Outcome onServer = ImportAnalyzeExport(Dir("server"));
  EXPECT_EQ(onServer.code, onFile.code) << onServer.err;
  EXPECT_EQ(onServer.out, onFile.out);
  EXPECT_NE(onFile.out.find("analysed"), std::string::npos);
  EXPECT_EQ(ReadAll(Path("server") / "export.csv"), ReadAll(Path("file") / "export.csv"));
  // The trace is written in the case folder of the workstation.
  EXPECT_FALSE(ReadAll(Path("file") / "TATree.txt").empty());
  EXPECT_EQ(ReadAll(Path("server") / "TATree.txt"), ReadAll(Path("file") / "TATree.txt"));
  EXPECT_FALSE(fs::exists(Path("server") / "TAData.db"));
  EXPECT_NE(schema->Column("SELECT count(*) FROM TAData WHERE RES_ALL_MAX_LIKELIHOOD IS NOT NULL"),
            std::vector<std::string>{"0"});
  // The server's results are reproduced, and a page names the server's user.
  EXPECT_EQ(Command(&cli::VerifyCommand, {"--dir", Dir("server"), "--all"}).code, 0);
  const fs::path out = Path("server") / "reports";
  ASSERT_EQ(Command(&cli::ReportCommand, {"--dir", Dir("server"), "--id", "1", "--out", out.string()}).code, 0);
  EXPECT_NE(ReadAll(out / "DEMO-01_young_adult.pdf")
                .find("<vorla:ServerUser>" + schema->Column("SELECT current_user").at(0) + "</vorla:ServerUser>"),
            std::string::npos);
}

TEST_F(PostgresCommands, ACopyToTheServerAndBackIsByteEqualInExport) {
  ImportAnalyzeExport(Dir("file"));
  Outcome copied = Command(&cli::CopyCommand, {"--from", Dir("file"), "--to", schema->Uri()});
  ASSERT_EQ(copied.code, 0) << copied.err;
  EXPECT_NE(copied.out.find("Copied "), std::string::npos);
  EXPECT_EQ(copied.out.find("host="), std::string::npos) << "the URI is not printed: " << copied.out;
  copied = Command(&cli::CopyCommand, {"--from", schema->Uri(), "--to", Dir("back")});
  ASSERT_EQ(copied.code, 0) << copied.err;
  EXPECT_EQ(Command(&cli::ExportCommand, {"--dir", Dir("back"), Dir("back") + "/export.csv"}).code, 0);
  EXPECT_EQ(ReadAll(Path("back") / "export.csv"), ReadAll(Path("file") / "export.csv"));

  // The server's table, chosen with --db, exports the same bytes too.
  cli::ChooseDatabase(schema->Uri());
  EXPECT_EQ(Command(&cli::ExportCommand, {"--dir", Dir("server"), Dir("server") + "/export.csv"}).code, 0);
  EXPECT_EQ(ReadAll(Path("server") / "export.csv"), ReadAll(Path("file") / "export.csv"));

  // A second copy into the full table is refused and changes nothing.
  const Outcome again = Command(&cli::CopyCommand, {"--from", Dir("file"), "--to", schema->Uri()});
  EXPECT_EQ(again.code, 3);
  EXPECT_NE(again.err.find("Nothing was copied"), std::string::npos);
}

TEST(DatabaseOption, StandsAnywhereAndNeedsAValue) {
  EXPECT_EQ(cli::TakeDatabaseOption({"--db", "postgresql:///x", "export", "--dir", "d", "f.csv"}),
            (std::vector<std::string>{"export", "--dir", "d", "f.csv"}));
  EXPECT_EQ(cli::CaseTableLocation("d"), "postgresql:///x");
  EXPECT_EQ(cli::TakeDatabaseOption({"export", "f.csv", "--db", "postgresql:///y"}),
            (std::vector<std::string>{"export", "f.csv"}));
  EXPECT_EQ(cli::CaseTableLocation("d"), "postgresql:///y");
  EXPECT_THROW(cli::TakeDatabaseOption({"export", "--db"}), cli::UsageError);
  cli::TakeDatabaseOption({"export"});
  EXPECT_EQ(cli::CaseTableLocation("d"), "d");
}

}  // namespace
