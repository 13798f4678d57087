// A collection scored on traits of its own names, through the commands a
// user runs: simulate, import, analyze, export, report, validate and
// calibrate from the case table; and runs that would analyse no case.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include "CommandOutcome.h"
#include "app/cli/Commands.h"
#include "store/Schema.h"

using namespace vorla;
using cli::test::Command;
using cli::test::Count;
using cli::test::Outcome;
using cli::test::ReadAll;
using cli::test::WriteAll;
namespace fs = std::filesystem;

namespace {

class OwnTraits : public ::testing::Test {
 protected:
  OwnTraits() : root(fs::temp_directory_path() / ("vorla-own-" + std::to_string(::getpid()))) {
    fs::remove_all(root);
    fs::create_directories(dir);
    fs::copy_file(VORLA_OWN_PARAMETERS, dir / "Parameters.dat");
  }
  ~OwnTraits() override {
    DeclareOwnTraits({});
    fs::remove_all(root);
  }

  // A simulated collection of documented ages, imported into the folder.
  void ImportSample(int n) {
    const Outcome sim = Command(&cli::SimulateCommand, {"--params", (dir / "Parameters.dat").string(), "--n",
                                                        std::to_string(n), "--seed", "5", "--out", sample.string()});
    ASSERT_EQ(sim.code, 0) << sim.err;
    const Outcome imported = Command(&cli::ImportCommand, {"--dir", dir.string(), sample.string()});
    ASSERT_EQ(imported.code, 0) << imported.err;
    EXPECT_NE(imported.out.find("Imported " + std::to_string(n) + " cases"), std::string::npos) << imported.out;
  }

  fs::path root;
  fs::path dir = root / "cases";
  fs::path sample = root / "sample.csv";
};

TEST_F(OwnTraits, ImportAnalyzeExportAndReportKeepTheTraitsUnderTheirNames) {
  ImportSample(40);
  EXPECT_EQ(ReadAll(sample).rfind("SKELETON_NAME,SEX,RACE,HAZARDFUNC,AGE,APEX_R_LOW,APEX_R_UPPER,APEX_L_LOW,"
                                  "APEX_L_UPPER,SURF_LOW,SURF_UPPER\n",
                                  0),
            0u);

  const Outcome analysed = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--all", "--format", "csv"});
  ASSERT_EQ(analysed.code, 0) << analysed.err;
  EXPECT_EQ(Count(analysed.out, ",analysed,"), 40u) << analysed.out;
  // The traits are auricular ones: the auricular results are stored, no other complex's.
  EXPECT_NE(ReadAll(dir / "TATree.txt").find("APEX"), std::string::npos);

  const fs::path exported = root / "export.csv";
  ASSERT_EQ(Command(&cli::ExportCommand, {"--dir", dir.string(), exported.string()}).code, 0);
  const std::string text = ReadAll(exported);
  EXPECT_NE(text.find(",RES_CI_LEVEL,AGE,RES_PARAM_SHA256,RES_PARAM_DEMO,APEX_R_LOW,APEX_R_UPPER,APEX_L_LOW,APEX_L_"
                      "UPPER,SURF_LOW,SURF_UPPER\r\n"),
            std::string::npos)
      << text.substr(0, text.find('\n'));

  // A second folder with the same parameter set takes the export back whole.
  const fs::path copy = root / "copy";
  fs::create_directories(copy);
  fs::copy_file(VORLA_OWN_PARAMETERS, copy / "Parameters.dat");
  ASSERT_EQ(Command(&cli::ImportCommand, {"--dir", copy.string(), exported.string()}).code, 0);
  const fs::path again = root / "again.csv";
  ASSERT_EQ(Command(&cli::ExportCommand, {"--dir", copy.string(), again.string()}).code, 0);
  // The keys are handed out afresh, in the same order: the files are equal.
  EXPECT_EQ(ReadAll(again), text);

  // Without the parameter set the columns are unknown, and the message says where they come from.
  const fs::path bare = root / "bare";
  const Outcome refused = Command(&cli::ImportCommand, {"--dir", bare.string(), exported.string()});
  EXPECT_EQ(refused.code, 3);
  EXPECT_NE(refused.err.find("unknown field 'APEX_R_LOW'"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("Parameters.dat defines it"), std::string::npos) << refused.err;

  const Outcome report =
      Command(&cli::ReportCommand, {"--dir", dir.string(), "--id", "1", "--out", (root / "reports").string()});
  EXPECT_EQ(report.code, 0) << report.err;
  ASSERT_FALSE(fs::is_empty(root / "reports"));
  // The report lists the case's scores of the traits of its own.
  const fs::path pdf = fs::directory_iterator(root / "reports")->path();
  const fs::path pdfText = root / "report.txt";
  if (std::system(("pdftotext -layout '" + pdf.string() + "' '" + pdfText.string() + "'").c_str()) == 0) {
    EXPECT_NE(ReadAll(pdfText).find("Other traits: APEX L "), std::string::npos) << ReadAll(pdfText);
  }
}

TEST_F(OwnTraits, ValidateAndCalibrateReadTheCasesOfDocumentedAgeFromTheTable) {
  ImportSample(80);
  // A case without an age is no reference individual.
  WriteAll(root / "more.csv", "SKELETON_NAME,SEX,RACE,HAZARDFUNC,APEX_R_LOW\nno age,Male,White,Forensic,2\n");
  ASSERT_EQ(Command(&cli::ImportCommand, {"--dir", dir.string(), (root / "more.csv").string()}).code, 0);

  const std::string params = (dir / "Parameters.dat").string();
  const fs::path cases = root / "cases.csv";
  const Outcome fromTable = Command(
      &cli::ValidateCommand, {"--dir", dir.string(), "--params", params, "--jobs", "1", "--cases", cases.string()});
  ASSERT_EQ(fromTable.code, 0) << fromTable.err;
  // Each skeleton of the cases is named by its key in the table.
  const std::string caseLines = ReadAll(cases);
  EXPECT_NE(caseLines.find("\n2,1,"), std::string::npos) << caseLines.substr(0, 300);
  EXPECT_NE(caseLines.find("\n81,80,"), std::string::npos) << caseLines.substr(0, 300);
  const Outcome fromCsv = Command(&cli::ValidateCommand, {sample.string(), "--params", params, "--jobs", "1"});
  ASSERT_EQ(fromCsv.code, 0) << fromCsv.err;
  // The same 80 skeletons, the same figures.
  EXPECT_EQ(fromTable.out, fromCsv.out);
  EXPECT_NE(fromTable.out.find("all          80"), std::string::npos) << fromTable.out;

  const fs::path fitted = root / "fitted.dat";
  const Outcome calibrated =
      Command(&cli::CalibrateCommand, {"--dir", dir.string(), "--template", params, "--out", fitted.string(),
                                       "--pool-groups", "--min-per-transition", "3"});
  ASSERT_EQ(calibrated.code, 0) << calibrated.err;
  const std::string written = ReadAll(fitted);
  EXPECT_NE(written.find("\n2 APEX"), std::string::npos);
  EXPECT_NE(written.find("\n1 SURF"), std::string::npos);
  EXPECT_NE(calibrated.out.find("80 individuals"), std::string::npos) << calibrated.out;
  // The first line names the table by its folder.
  EXPECT_EQ(written.rfind("0.11  calibrated on " + dir.string(), 0), 0u) << written.substr(0, 200);

  const Outcome both = Command(&cli::ValidateCommand, {sample.string(), "--dir", dir.string(), "--params", params});
  EXPECT_EQ(both.code, 2);
  const fs::path empty = root / "empty";
  fs::create_directories(empty);
  ASSERT_EQ(Command(&cli::ImportCommand, {"--dir", empty.string(), (root / "more.csv").string()}).code, 3);
  WriteAll(root / "named.csv", "SKELETON_NAME\nx\n");
  ASSERT_EQ(Command(&cli::ImportCommand, {"--dir", empty.string(), (root / "named.csv").string()}).code, 0);
  const Outcome noAges = Command(&cli::ValidateCommand, {"--dir", empty.string(), "--params", params});
  EXPECT_EQ(noAges.code, 3);
  EXPECT_NE(noAges.err.find("holds no case with a documented age"), std::string::npos) << noAges.err;
}

TEST_F(OwnTraits, NoRunAnalysesNoCaseAndSucceeds) {
  // A sample whose skeletons have no scores: none can be analysed.
  WriteAll(sample,
           "SKELETON_NAME,SEX,RACE,HAZARDFUNC,AGE,APEX_R_LOW,APEX_R_UPPER,APEX_L_LOW,APEX_L_UPPER,SURF_LOW,SURF_UPPER\n"
           "a,Male,White,Forensic,40,,,,,,\nb,Female,Black,Forensic,60,,,,,,\n");
  const Outcome validated =
      Command(&cli::ValidateCommand, {sample.string(), "--params", (dir / "Parameters.dat").string()});
  EXPECT_EQ(validated.code, 3);
  EXPECT_NE(validated.err.find("No skeleton of the 2 in "), std::string::npos) << validated.err;
  EXPECT_NE(validated.err.find("You must choose the data types to analyze."), std::string::npos) << validated.err;
  EXPECT_TRUE(validated.out.empty()) << validated.out;

  // --all on a table without cases.
  WriteAll(root / "header.csv", "SKELETON_NAME\n");
  ASSERT_EQ(Command(&cli::ImportCommand, {"--dir", dir.string(), (root / "header.csv").string()}).code, 0);
  const Outcome analysed = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--all"});
  EXPECT_EQ(analysed.code, 3);
  EXPECT_NE(analysed.err.find("holds no case"), std::string::npos) << analysed.err;
}

TEST_F(OwnTraits, AScoreThatStandsForNoStageOfAnOwnTraitIsNotImported) {
  WriteAll(sample, "SKELETON_NAME,APEX_R_LOW,SURF_LOW\na,5,3\nb,6,\nc,,4\n");
  const Outcome imported = Command(&cli::ImportCommand, {"--dir", dir.string(), sample.string()});
  EXPECT_EQ(imported.code, 3);
  EXPECT_NE(imported.err.find("line 3, field APEX_R_LOW: the score 6 stands for no stage of APEX; the allowed scores "
                              "are 1-5"),
            std::string::npos)
      << imported.err;
  EXPECT_NE(imported.err.find("line 4, field SURF_LOW: the score 4 stands for no stage of SURF; the allowed scores "
                              "are 1-3"),
            std::string::npos)
      << imported.err;
  const Outcome exported = Command(&cli::ExportCommand, {"--dir", dir.string(), (root / "out.csv").string()});
  EXPECT_NE(exported.out.find("Exported 0 cases"), std::string::npos) << exported.out << exported.err;
}

}  // namespace
