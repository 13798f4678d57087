// The calibrate, validate and simulate commands: what they write, what they
// refuse, and that a refusal or a stop leaves no file behind.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>

#include "CalibTestSupport.h"
#include "CommandOutcome.h"
#include "app/cli/Commands.h"
#include "app/cli/LongWork.h"
#include "calib/ParameterStructure.h"
#include "params/MortalityModelFile.h"
#include "store/CsvText.h"

using namespace vorla;
using vorla::cli::test::Command;
using vorla::cli::test::Outcome;
using namespace vorla::calib;

namespace {

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    templateFile = folder.Write("template.dat", test::SmallParameterText);
    const Outcome simulated = Command(&cli::SimulateCommand, {"--params", templateFile, "--n", "2000", "--seed", "3"});
    ASSERT_EQ(simulated.code, 0) << simulated.err;
    sampleText = simulated.out;
    sample = folder.Write("reference.csv", sampleText);
  }

  // The sample with one cell of one line replaced.
  std::string Changed(int line, int column, const std::string& value, const std::string& base = {}) {
    std::vector<CsvRecord> rows = ParseCsv(base.empty() ? sampleText : base);
    rows[static_cast<std::size_t>(line - 1)].cells[static_cast<std::size_t>(column)] = value;
    std::string text;
    for (const CsvRecord& row : rows) {
      for (std::size_t c = 0; c < row.cells.size(); ++c) text += (c ? "," : "") + row.cells[c];
      text += "\n";
    }
    return folder.Write("changed" + std::to_string(++changes) + ".csv", text);
  }

  test::ScratchFolder folder;
  std::string templateFile, sample, sampleText;
  int changes = 0;
};

}  // namespace

TEST_F(Commands, CalibrateWritesAParameterFileAndItsReport) {
  const std::string out = folder.File("fitted.dat");
  const Outcome run = Command(&cli::CalibrateCommand, {sample, "--out", out, "--template", templateFile});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("Calibration on " + sample + " (2000 individuals)"), std::string::npos);
  EXPECT_NE(run.err.find("Wrote " + out), std::string::npos);
  const ParameterStructure fitted = ReadParameterStructure(out);
  EXPECT_EQ(fitted.versionNote.rfind("calibrated on reference.csv (2000 individuals) on 2", 0), 0u)
      << fitted.versionNote;
  EXPECT_NE(fitted.versionNote.find(" UTC"), std::string::npos);
  EXPECT_EQ(fitted.complexes[1].components[0].Row(0, 1, 4).c, 0.0);

  const std::string report = folder.File("report.csv");
  const Outcome again =
      Command(&cli::CalibrateCommand, {sample, "--out", out, "--template", templateFile, "--report", report});
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_TRUE(again.out.empty());
  EXPECT_EQ(ParseCsv(test::ScratchFolder::Read(report)).size(), 21u);
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"fitted.dat", "reference.csv", "report.csv", "template.dat"}));
}

// The sample's own mortality kept beside the parameter file, under a name a
// case can choose; a name that cannot be one writes nothing.
TEST_F(Commands, CalibrateKeepsTheSamplesMortalityWhenAsked) {
  const Outcome simulated = Command(
      &cli::SimulateCommand, {"--params", templateFile, "--n", "2000", "--seed", "4", "--ages", "gm:0.01,5e-05,0.09"});
  ASSERT_EQ(simulated.code, 0) << simulated.err;
  const std::string cemetery = folder.Write("cemetery.csv", simulated.out);
  const std::string out = folder.File("fitted.dat");
  EXPECT_EQ(Command(&cli::CalibrateCommand, {cemetery, "--out", out, "--save-mortality", "Forensic"}).code, 2);
  EXPECT_EQ(Command(&cli::CalibrateCommand, {cemetery, "--out", out, "--save-mortality", "two words"}).code, 2);
  EXPECT_FALSE(std::filesystem::exists(out));
  const Outcome run =
      Command(&cli::CalibrateCommand, {cemetery, "--out", out, "--template", templateFile, "--save-mortality", "Site"});
  ASSERT_EQ(run.code, 0) << run.err;
  const OwnMortalityModels models = ReadMortalityModels(folder.File(MortalityModelFileName));
  ASSERT_EQ(models.size(), 1u);
  EXPECT_EQ(models[0].name, "Site");
  // The ages' own model, near the one they were drawn from.
  EXPECT_NEAR(models[0].C, 0.09, 0.02);
  EXPECT_NEAR(models[0].A, 0.01, 0.005);
  EXPECT_NE(test::ScratchFolder::Read(folder.File(MortalityModelFileName)).find("documented ages of 2000 individuals"),
            std::string::npos);
}

// A collection of one ancestry, pooled over ancestry; the options go on the
// file's first line, which the reader passes over.
TEST_F(Commands, CalibratePoolsByAncestryAndRecordsItsOptions) {
  std::string oneAncestry;
  for (const CsvRecord& row : ParseCsv(sampleText)) {
    if (row.cells[2] == "Black") continue;  // RACE
    for (std::size_t c = 0; c < row.cells.size(); ++c) oneAncestry += (c ? "," : "") + row.cells[c];
    oneAncestry += "\n";
  }
  const std::string white = folder.Write("white.csv", oneAncestry);
  const std::string out = folder.File("fitted.dat");
  const Outcome refused = Command(&cli::CalibrateCommand, {white, "--out", out, "--template", templateFile});
  EXPECT_EQ(refused.code, 3);
  EXPECT_NE(refused.err.find("The sample cannot determine 4 transitions:"), std::string::npos) << refused.err;
  const Outcome run = Command(&cli::CalibrateCommand, {white, "--out", out, "--template", templateFile, "--pool",
                                                       "ancestry", "--max-age-se", "12.5"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("Calibration on " + white + " (1000 individuals)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("fitted on groups 2 and 4 (male) together"), std::string::npos) << run.out;
  const ParameterStructure fitted = ReadParameterStructure(out);
  EXPECT_NE(fitted.versionNote.find(
                " UTC with --min-per-transition 20 --pool ancestry --max-age-se 12.5 --template template.dat"),
            std::string::npos)
      << fitted.versionNote;
  const auto& k = fitted.complexes[0].components[0];
  EXPECT_EQ(k.Row(0, 1, 4).a, k.Row(0, 3, 4).a);
  EXPECT_NE(k.Row(0, 1, 4).a, k.Row(0, 2, 4).a);

  EXPECT_EQ(Command(&cli::CalibrateCommand, {white, "--out", out, "--pool", "race"}).code, 2);
  EXPECT_EQ(Command(&cli::CalibrateCommand, {white, "--out", out, "--pool", "sex", "--pool-groups"}).code, 2);
  EXPECT_EQ(Command(&cli::CalibrateCommand, {white, "--out", out, "--max-age-se", "0"}).code, 2);
  // --pool-groups is --pool all.
  const Outcome all =
      Command(&cli::CalibrateCommand, {white, "--out", out, "--template", templateFile, "--pool-groups"});
  ASSERT_EQ(all.code, 0) << all.err;
  EXPECT_NE(ReadParameterStructure(out).versionNote.find("--pool all"), std::string::npos);
}

// A sample without the template's score columns: the message says where the
// expected columns come from.
TEST_F(Commands, CalibrateSaysTheTemplateSetsTheColumns) {
  std::string without;
  const std::vector<CsvRecord> rows = ParseCsv(sampleText);
  ASSERT_EQ(rows[0].cells[5], "CRA_SAGITTAL_LOW");
  for (const CsvRecord& row : rows) {
    std::vector<std::string> cells = row.cells;
    cells.erase(cells.begin() + 5, cells.begin() + 7);
    for (std::size_t c = 0; c < cells.size(); ++c) without += (c ? "," : "") + cells[c];
    without += "\n";
  }
  const std::string file = folder.Write("without.csv", without);
  const Outcome run =
      Command(&cli::CalibrateCommand, {file, "--out", folder.File("x.dat"), "--template", templateFile});
  EXPECT_EQ(run.code, 3);
  EXPECT_NE(run.err.find("lacks the columns CRA_SAGITTAL_LOW, CRA_SAGITTAL_UPPER"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("The score columns expected are those of the traits of the template, " + templateFile),
            std::string::npos)
      << run.err;
}

TEST_F(Commands, CalibrateRefusesBadSamplesWithLineNumbersAndWritesNothing) {
  const std::string out = folder.File("fitted.dat");
  struct Case {
    std::string file;
    std::string message;
  };
  const std::vector<Case> cases = {
      {Changed(5, 4, ""), "line 5: AGE is missing"},
      {Changed(7, 4, "12"), "line 7: AGE 12 lies outside 15 to 110 years"},
      {Changed(9, 5, "4"), "line 9: field CRA_SAGITTAL_LOW: the score 4 is outside the stage table of CRA_SAGITTAL"},
      {Changed(1, 4, "DEATH_AGE"), "line 1: unknown column 'DEATH_AGE'"},
      {folder.Write("few.csv", sampleText.substr(0, sampleText.find("SIM-000041"))),
       "Component CRA_SAGITTAL (SUTURES), group 1 (female or unknown sex, not black), transition"},
  };
  for (const Case& c : cases) {
    const Outcome run = Command(&cli::CalibrateCommand, {c.file, "--out", out, "--template", templateFile});
    EXPECT_EQ(run.code, 3) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Nothing was written."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  const Outcome few = Command(&cli::CalibrateCommand, {cases.back().file, "--out", out, "--template", templateFile});
  EXPECT_NE(few.err.find("--pool ancestry"), std::string::npos);
  EXPECT_NE(few.err.find("merged with its neighbour on the template's recoding line"), std::string::npos);
  for (const std::string& name : folder.Files()) EXPECT_EQ(name.find(".part"), std::string::npos) << name;
}

TEST_F(Commands, UsageAndTemplateFaults) {
  EXPECT_EQ(Command(&cli::CalibrateCommand, {sample, "--template", templateFile}).code, 2);
  EXPECT_EQ(Command(&cli::CalibrateCommand, {"--out", "x.dat"}).code, 2);
  EXPECT_EQ(Command(&cli::CalibrateCommand, {sample, "--out", "x.dat", "--min-per-transition", "0"}).code, 2);
  EXPECT_EQ(Command(&cli::CalibrateCommand, {sample, "--out", sample, "--template", templateFile}).code, 2);
  EXPECT_EQ(test::ScratchFolder::Read(sample), sampleText);
  EXPECT_EQ(Command(&cli::ValidateCommand, {sample, "--level", "80"}).code, 2);
  EXPECT_EQ(Command(&cli::ValidateCommand, {sample, "--pool-groups"}).code, 2);
  EXPECT_EQ(Command(&cli::SimulateCommand, {"--params", templateFile}).code, 2);
  EXPECT_EQ(Command(&cli::SimulateCommand, {"--params", templateFile, "--n", "5", "--group", "5"}).code, 2);
  EXPECT_EQ(Command(&cli::SimulateCommand, {"--params", templateFile, "--n", "5", "--ages", "uniform:5:50"}).code, 2);
  const Outcome sides = Command(&cli::SimulateCommand, {"--params", templateFile, "--n", "5", "--sides", "both"});
  EXPECT_EQ(sides.code, 2);
  EXPECT_NE(sides.err.find("--sides: the sides are drawn same or independent, not both"), std::string::npos)
      << sides.err;

  std::string old = test::SmallParameterText;
  old.replace(0, 4, "0.10");
  const std::string oldFile = folder.Write("old.dat", old);
  const Outcome version =
      Command(&cli::CalibrateCommand, {sample, "--out", folder.File("x.dat"), "--template", oldFile});
  EXPECT_EQ(version.code, 1);
  EXPECT_NE(version.err.find("Wrong version of parameter set."), std::string::npos);
  EXPECT_EQ(Command(&cli::SimulateCommand, {"--params", oldFile, "--n", "5"}).code, 1);
  EXPECT_EQ(
      Command(&cli::CalibrateCommand, {sample, "--out", folder.File("x.dat"), "--template", folder.File("none.dat")})
          .code,
      3);
  EXPECT_FALSE(std::filesystem::exists(folder.File("x.dat")));
}

TEST_F(Commands, ValidatePrintsTheTableByAgeClass) {
  // The first 300 skeletons.
  std::size_t end = 0;
  for (int line = 0; line < 301; ++line) end = sampleText.find('\n', end) + 1;
  const std::string smallText = sampleText.substr(0, end);
  const std::string small = folder.Write("small.csv", smallText);
  const Outcome text = Command(&cli::ValidateCommand, {small, "--params", templateFile, "--level", "90"});
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("inside the 90 % interval"), std::string::npos);
  for (const char* row : {"\nall ", "\n15-29 ", "\n30-49 ", "\n50-69 ", "\n70+ "})
    EXPECT_NE(text.out.find(row), std::string::npos) << row;
  const Outcome csv = Command(&cli::ValidateCommand, {small, "--params", templateFile, "--format", "csv"});
  ASSERT_EQ(csv.code, 0) << csv.err;
  const std::vector<CsvRecord> rows = ParseCsv(csv.out);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[1].cells[0], "all");
  EXPECT_EQ(rows[1].cells[1], "300");
  EXPECT_EQ(rows[1].cells[8], "95");

  const std::string noModelFile = Changed(4, 3, "", smallText);
  const Outcome noModel = Command(&cli::ValidateCommand, {noModelFile, "--params", templateFile});
  EXPECT_EQ(noModel.code, 3);
  EXPECT_NE(noModel.err.find("line 4: HAZARDFUNC '' is not Archeological or Forensic"), std::string::npos);
  EXPECT_EQ(Command(&cli::ValidateCommand, {noModelFile, "--params", templateFile, "--model", "forensic"}).code, 0);
}

// One line per skeleton, in the sample's order, agreeing with the table; a
// validation that analyses nobody is an error.
TEST_F(Commands, ValidateWritesEachSkeletonsEstimatesAndRefusesToAnalyseNobody) {
  std::size_t end = 0;
  for (int line = 0; line < 401; ++line) end = sampleText.find('\n', end) + 1;
  const std::string small = folder.Write("small.csv", sampleText.substr(0, end));
  const std::string casesFile = folder.File("cases.csv");
  const Outcome run = Command(&cli::ValidateCommand, {small, "--params", templateFile, "--folds", "4", "--cases",
                                                      casesFile, "--format", "csv", "--pool", "all"});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::vector<CsvRecord> cases = ParseCsv(test::ScratchFolder::Read(casesFile));
  const std::vector<CsvRecord> sampleRows = ParseCsv(sampleText.substr(0, end));
  ASSERT_EQ(cases.size(), 401u);
  EXPECT_EQ(cases[0].cells, (std::vector<std::string>{"LINE",
                                                      "SKELETON_ID",
                                                      "SKELETON_NAME",
                                                      "AGE",
                                                      "ESTIMATE",
                                                      "LOW",
                                                      "HIGH",
                                                      "OPEN",
                                                      "CORRECTED_ESTIMATE",
                                                      "CORRECTED_LOW",
                                                      "CORRECTED_HIGH",
                                                      "CORRECTED_OPEN",
                                                      "FOLD",
                                                      "POSTERIOR_MEDIAN",
                                                      "MESSAGE",
                                                      "CRPS",
                                                      "LOG_SCORE",
                                                      "P_AT_LEAST_30",
                                                      "P_AT_LEAST_50",
                                                      "P_AT_LEAST_70",
                                                      "SIMPLE_ESTIMATE",
                                                      "SIMPLE_LOW",
                                                      "SIMPLE_HIGH"}));
  double absError = 0.0;
  int covered = 0, openLow = 0, openHigh = 0;
  std::map<std::string, int> perFold;
  for (std::size_t i = 1; i < cases.size(); ++i) {
    const auto& c = cases[i].cells;
    ASSERT_EQ(c.size(), 23u);
    // P(age >= t) falls as t rises; the summed-score mean lies within its range.
    EXPECT_GE(std::stod(c[17]), std::stod(c[18]));
    EXPECT_GE(std::stod(c[18]), std::stod(c[19]));
    EXPECT_LE(std::stod(c[21]), std::stod(c[20]));
    EXPECT_LE(std::stod(c[20]), std::stod(c[22]));
    ++perFold[c[12]];
    // The posterior median lies within the corrected interval's reach.
    const double median = std::stod(c[13]);
    EXPECT_GE(median, std::stod(c[9]) - 1.0);
    EXPECT_LE(median, std::stod(c[10]) + 1.0);
    EXPECT_EQ(c[0], std::to_string(i + 1));
    EXPECT_EQ(c[2], sampleRows[i].cells[0]);                        // SKELETON_NAME
    EXPECT_EQ(std::stod(c[3]), std::stod(sampleRows[i].cells[4]));  // AGE
    const double age = std::stod(c[3]), estimate = std::stod(c[4]), low = std::stod(c[5]), high = std::stod(c[6]);
    absError += std::abs(estimate - age);
    covered += low <= age && age <= high ? 1 : 0;
    EXPECT_LE(low, estimate);
    EXPECT_LE(estimate, high);
    const std::string open = low <= 15.0 && high >= 110.0 ? "both" : low <= 15.0 ? "low" : high >= 110.0 ? "high" : "";
    EXPECT_EQ(c[7], open) << c[5] << " " << c[6];
    openLow += c[7] == "low" ? 1 : 0;
    openHigh += c[7] == "high" ? 1 : 0;
    EXPECT_TRUE(c[14].empty());
  }
  // Four folds of a hundred, each named once per skeleton.
  EXPECT_EQ(perFold, (std::map<std::string, int>{{"1", 100}, {"2", 100}, {"3", 100}, {"4", 100}}));
  EXPECT_GT(openLow, 0);
  EXPECT_GT(openHigh, 0);
  // The table's overall MAE and coverage are those of the lines.
  const std::vector<CsvRecord> table = ParseCsv(run.out);
  EXPECT_NEAR(std::stod(table[1].cells[3]), absError / 400.0, 1e-4);
  EXPECT_NEAR(std::stod(table[1].cells[6]), covered / 400.0, 1e-4);

  // Nobody analysable: no score at all on any line.
  std::string unscored;
  for (const CsvRecord& row : ParseCsv(sampleText.substr(0, sampleText.find("SIM-000006")))) {
    for (std::size_t c = 0; c < row.cells.size(); ++c)
      unscored += (c ? "," : "") + (row.line == 1 || c < 5 ? row.cells[c] : std::string());
    unscored += "\n";
  }
  const std::string nobody = folder.Write("nobody.csv", unscored);
  const Outcome none =
      Command(&cli::ValidateCommand, {nobody, "--params", templateFile, "--cases", folder.File("none.csv")});
  EXPECT_EQ(none.code, 3);
  EXPECT_TRUE(none.out.empty());
  EXPECT_NE(none.err.find(" in " + nobody + " could be analysed, so nothing was validated (line 2: "),
            std::string::npos)
      << none.err;
  const std::vector<CsvRecord> why = ParseCsv(test::ScratchFolder::Read(folder.File("none.csv")));
  ASSERT_EQ(why.size(), 6u);
  EXPECT_FALSE(why[1].cells[14].empty());
  EXPECT_EQ(Command(&cli::ValidateCommand, {small, "--params", templateFile, "--cases", small}).code, 2);
}

// The prior is named or fitted; what cannot be is refused before anything runs.
TEST_F(Commands, ValidateTakesThePriorByNameOrFitsIt) {
  std::size_t end = 0;
  for (int line = 0; line < 801; ++line) end = sampleText.find('\n', end) + 1;
  const std::string small = folder.Write("small.csv", sampleText.substr(0, end));
  folder.Write("Mortality.txt", "# Cemetery: a test\nVillage 0.01 5e-05 0.09\n");
  const auto run = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {small, "--params", templateFile, "--format", "csv"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Command(&cli::ValidateCommand, args);
  };
  const Outcome village = run({"--prior", "village"});
  ASSERT_EQ(village.code, 0) << village.err;
  const Outcome forensic = run({"--prior", "Forensic"});
  ASSERT_EQ(forensic.code, 0) << forensic.err;
  // The uncorrected columns agree, the corrected ones do not.
  const std::vector<CsvRecord> a = ParseCsv(village.out), b = ParseCsv(forensic.out);
  EXPECT_EQ(a[1].cells[3], b[1].cells[3]);
  EXPECT_NE(a[1].cells[5], b[1].cells[5]);
  const Outcome fitted = Command(&cli::ValidateCommand, {small, "--params", templateFile, "--folds", "2", "--pool",
                                                         "all", "--prior", "reference", "--min-per-transition", "5"});
  ASSERT_EQ(fitted.code, 0) << fitted.err;
  EXPECT_NE(fitted.out.find("fitted by maximum\nlikelihood to the documented ages of the training folds"),
            std::string::npos)
      << fitted.out;
  EXPECT_NE(fitted.out.find("  fold 2 (400 training skeletons): prior A = "), std::string::npos) << fitted.out;
  EXPECT_NE(fitted.out.find("The simple alternative on the same folds"), std::string::npos);
  struct Refusal {
    std::vector<std::string> args;
    const char* message;
  };
  for (const Refusal& r : std::vector<Refusal>{
           {{"--prior", "Town"}, "--prior Town is no built-in model"},
           {{"--prior", "sample", "--model", "Forensic"}, "--model and --prior both choose the prior"},
           {{"--fit-variance"}, "--fit-variance belongs to --folds"},
       }) {
    const Outcome refused = run(r.args);
    EXPECT_EQ(refused.code, 2) << r.message;
    EXPECT_NE(refused.err.find(r.message), std::string::npos) << refused.err;
  }
}

// --fit-variance writes the fitted factors and reports the coverage before
// and after; without it the template's factors are kept.
TEST_F(Commands, CalibrateFitsTheVarianceFactorsOnlyWhenAsked) {
  const std::string out = folder.File("fitted.dat");
  ASSERT_EQ(Command(&cli::CalibrateCommand, {sample, "--out", out, "--template", templateFile}).code, 0);
  const ParameterStructure kept = ReadParameterStructure(out);
  const ParameterStructure templ = ReadParameterStructure(templateFile);
  EXPECT_EQ(kept.resvar, templ.resvar);
  EXPECT_EQ(kept.complexes[1].resvar, 1.2);

  const Outcome run =
      Command(&cli::CalibrateCommand, {sample, "--out", out, "--template", templateFile, "--fit-variance"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("Variance factors from the sample (5-fold cross-validation)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nPUBIS           2000      1.200"), std::string::npos) << run.out;
  const ParameterStructure fitted = ReadParameterStructure(out);
  EXPECT_NE(fitted.complexes[1].resvar, 1.2);
  EXPECT_NEAR(fitted.complexes[1].resvar, 1.0, 0.3);  // the sample was drawn from the model
  EXPECT_NE(fitted.versionNote.find("--fit-variance"), std::string::npos);
}

TEST_F(Commands, SimulateRecordsOneStageOnBothSidesUnlessToldOtherwise) {
  // PUB_TEXTURE right (columns 7, 8) and left (9, 10): the fixture's sample was drawn with the default.
  const auto differing = [](const std::string& text) {
    int count = 0;
    for (const CsvRecord& row : ParseCsv(text))
      if (row.line > 1) count += row.cells[7] != row.cells[9] || row.cells[8] != row.cells[10] ? 1 : 0;
    return count;
  };
  EXPECT_EQ(differing(sampleText), 0);
  const Outcome same =
      Command(&cli::SimulateCommand, {"--params", templateFile, "--n", "2000", "--seed", "3", "--sides", "same"});
  ASSERT_EQ(same.code, 0) << same.err;
  EXPECT_EQ(same.out, sampleText);
  const Outcome apart = Command(&cli::SimulateCommand,
                                {"--params", templateFile, "--n", "2000", "--seed", "3", "--sides", "independent"});
  ASSERT_EQ(apart.code, 0) << apart.err;
  EXPECT_GT(differing(apart.out), 400);
}

TEST_F(Commands, SimulateToAFileAppearsWhole) {
  const std::string out = folder.File("sim.csv");
  const Outcome run =
      Command(&cli::SimulateCommand, {"--params", templateFile, "--n", "2000", "--seed", "3", "--out", out});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(run.out.empty());
  EXPECT_EQ(test::ScratchFolder::Read(out), sampleText);
}

TEST_F(Commands, CtrlCStopsTheWorkAndLeavesNoFile) {
  cli::CatchInterrupt();
  std::raise(SIGINT);  // as if pressed while the work runs
  const Outcome calibrate = Command(&cli::CalibrateCommand, {sample, "--out", folder.File("fitted.dat"), "--template",
                                                             templateFile, "--report", folder.File("r.txt")});
  const Outcome simulate =
      Command(&cli::SimulateCommand, {"--params", templateFile, "--n", "10", "--out", folder.File("s.csv")});
  const Outcome validate = Command(&cli::ValidateCommand, {sample, "--params", templateFile});
  cli::ForgetInterrupt();
  EXPECT_EQ(calibrate.code, cli::InterruptedExitCode);
  EXPECT_NE(calibrate.err.find("Stopped; nothing was written."), std::string::npos);
  EXPECT_EQ(simulate.code, cli::InterruptedExitCode);
  EXPECT_EQ(validate.code, cli::InterruptedExitCode);
  EXPECT_TRUE(validate.out.empty());
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"reference.csv", "template.dat"}));
}
