// vorla-cli ask on the demonstration cases: the columns, answers that hang
// together, what it refuses, and that it stores nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "CommandOutcome.h"
#include "DemoFolder.h"
#include "app/cli/Commands.h"
#include "params/CaseRun.h"
#include "store/CsvText.h"

using namespace vorla;
using cli::test::Command;
using cli::test::Outcome;
using cli::test::ReadAll;
using cli::test::WriteAll;
namespace fs = std::filesystem;

namespace {

// The CSV as rows of column name -> cell, read as the program reads CSV.
std::vector<std::map<std::string, std::string>> ReadCsv(const std::string& text, std::vector<std::string>* header) {
  const std::vector<CsvRecord> records = ParseCsv(text);
  *header = records.at(0).cells;
  std::vector<std::map<std::string, std::string>> rows;
  for (std::size_t r = 1; r < records.size(); ++r) {
    std::map<std::string, std::string> row;
    for (std::size_t i = 0; i < header->size() && i < records[r].cells.size(); ++i)
      row[(*header)[i]] = records[r].cells[i];
    rows.push_back(row);
  }
  return rows;
}

class AskCommand : public ::testing::Test {
 protected:
  Outcome Ask(std::vector<std::string> more) {
    std::vector<std::string> args = {"--dir", dir.string()};
    args.insert(args.end(), more.begin(), more.end());
    return Command(&cli::AskCommand, args);
  }
  cli::test::DemoFolder folder{"ask"};
  fs::path dir = folder.Path();
};

double Cell(const std::map<std::string, std::string>& row, const std::string& column) {
  return std::stod(row.at(column));
}

}  // namespace

TEST_F(AskCommand, CsvHasOneRowPerCaseAndAnswersThatHangTogether) {
  const std::string before = ReadAll(dir / "TAData.db");
  const Outcome o =
      Ask({"--all", "--at-least", "18", "--at-least", "50.5", "--candidate-age", "34", "--format", "csv"});
  ASSERT_EQ(o.code, 0) << o.err;
  std::vector<std::string> header;
  const auto rows = ReadCsv(o.out, &header);
  EXPECT_EQ(header, (std::vector<std::string>{"SKELETON_ID", "SKELETON_NAME", "P_AT_LEAST_18", "P_AT_LEAST_50.5",
                                              "POSTERIOR_MEDIAN", "HDI_LOW", "HDI_HIGH", "LR_CANDIDATE", "MESSAGE"}));
  ASSERT_EQ(rows.size(), 10u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.at("SKELETON_NAME"));
    EXPECT_EQ(row.at("MESSAGE"), "");
    const double p18 = Cell(row, "P_AT_LEAST_18"), p50 = Cell(row, "P_AT_LEAST_50.5");
    EXPECT_LE(p50, p18);
    EXPECT_GE(p50, 0.0);
    EXPECT_LE(p18, 1.0);
    EXPECT_GT(Cell(row, "LR_CANDIDATE"), 0.0);
    const double median = Cell(row, "POSTERIOR_MEDIAN"), low = Cell(row, "HDI_LOW"), high = Cell(row, "HDI_HIGH");
    EXPECT_LE(low, median);
    EXPECT_LE(median, high);
    // Asked about its own median and interval ends, the case gives back one
    // half and the interval's level.
    const Outcome again = Ask({"--id", row.at("SKELETON_ID"), "--at-least", row.at("POSTERIOR_MEDIAN"), "--at-least",
                               row.at("HDI_LOW"), "--at-least", row.at("HDI_HIGH"), "--format", "csv"});
    ASSERT_EQ(again.code, 0) << again.err;
    std::vector<std::string> header2;
    const auto answer = ReadCsv(again.out, &header2).at(0);
    EXPECT_NEAR(std::stod(answer.at(header2[2])), 0.5, 1e-6);
    EXPECT_NEAR(std::stod(answer.at(header2[3])) - std::stod(answer.at(header2[4])), 0.95, 1e-6);
  }
  // Nothing was stored and no trace was written.
  EXPECT_EQ(ReadAll(dir / "TAData.db"), before);
  EXPECT_FALSE(fs::exists(dir / "TATree.txt"));
}

TEST_F(AskCommand, TextAndJsonSayTheSameInWordsAndNumbers) {
  const Outcome text = Ask({"--name", "DEMO-01 young adult", "--at-least", "18", "--candidate-age", "25"});
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("P(age \u2265 18) = "), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("under the forensic prior"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("LR(age = 25) = "), std::string::npos) << text.out;
  const Outcome json = Ask({"--id", "3", "--at-least", "50", "--level", "99", "--format", "json"});
  ASSERT_EQ(json.code, 0) << json.err;
  EXPECT_NE(json.out.find("\"prior\": \"archeological\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"hdi_level\": 99"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("{\"age\": 50, \"probability\": "), std::string::npos) << json.out;
}

TEST_F(AskCommand, RefusesAgesThatAreNoAgesOfTheGrid) {
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--at-least", "14.9"},
                                              {"--at-least", "111"},
                                              {"--at-least", "adult"},
                                              {"--at-least", "nan"},
                                              {"--at-least", ""},
                                              {"--candidate-age", "5"},
                                              {"--candidate-age", "34y"},
                                              {"--at-least"},
                                              {"--level", "80"},
                                              {"--format", "xml"}}) {
    std::vector<std::string> args = {"--all"};
    args.insert(args.end(), bad.begin(), bad.end());
    const Outcome o = Ask(args);
    EXPECT_EQ(o.code, 2) << bad.back();
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("Usage: vorla-cli ask"), std::string::npos);
  }
  EXPECT_NE(Ask({"--all", "--at-least", "200"}).err.find("--at-least takes an age from 15 to 110 years, not 200"),
            std::string::npos);
  const Outcome ends = Ask({"--all", "--at-least", " 15 ", "--candidate-age", "110", "--format", "csv"});
  EXPECT_EQ(ends.code, 0);
  EXPECT_EQ(ends.out.substr(0, ends.out.find('\n')),
            "SKELETON_ID,SKELETON_NAME,P_AT_LEAST_15,POSTERIOR_MEDIAN,HDI_LOW,HDI_HIGH,LR_CANDIDATE,MESSAGE");
}

TEST_F(AskCommand, ACaseAnalyzeWouldRefuseGetsItsMessageAndNoNumbers) {
  const fs::path csv = dir / "more.csv";
  WriteAll(csv, "SKELETON_NAME,SEX,RACE,HAZARDFUNC\nno scores,Male,White,Forensic\nno model,Male,White,\n");
  ASSERT_EQ(Command(&cli::ImportCommand, {"--dir", dir.string(), csv.string()}).code, 0);
  const Outcome o = Ask({"--all", "--at-least", "18", "--candidate-age", "30", "--format", "csv"});
  EXPECT_EQ(o.code, 3);
  std::vector<std::string> header;
  const auto rows = ReadCsv(o.out, &header);
  ASSERT_EQ(rows.size(), 12u);
  std::map<std::string, std::string> messages;
  for (const auto& row : rows) {
    if (row.at("MESSAGE").empty()) continue;
    messages[row.at("SKELETON_NAME")] = row.at("MESSAGE");
    for (const char* column : {"P_AT_LEAST_18", "POSTERIOR_MEDIAN", "HDI_LOW", "HDI_HIGH", "LR_CANDIDATE"})
      EXPECT_EQ(row.at(column), "") << column;
  }
  EXPECT_EQ(messages,
            (std::map<std::string, std::string>{{"no scores", NoDataTypesMessage}, {"no model", NoModelMessage}}));
  EXPECT_NE(o.err.find(NoDataTypesMessage), std::string::npos);
}

TEST_F(AskCommand, EveryPriorSideBySideAgreesWithTheCaseOwnChoice) {
  // One model of the folder's own with the forensic model's hazard, one of
  // a population that dies young.
  WriteAll(dir / "Mortality.txt",
           "# LikeForensic: by hand\nLikeForensic 0 0.03142 0.01618\n# Young: by hand\nYoung 0.2 0.0001 0.05\n");
  const fs::path csv = dir / "more.csv";
  WriteAll(csv,
           "SKELETON_NAME,SEX,RACE,HAZARDFUNC,AUR_TOPOSUP_R_LOW,AUR_TOPOSUP_R_UPPER\n"
           "no scores,Male,White,Forensic,,\nno model,Male,White,,3,3\n");
  ASSERT_EQ(Command(&cli::ImportCommand, {"--dir", dir.string(), csv.string()}).code, 0);
  const Outcome plain = Ask({"--all", "--at-least", "50", "--candidate-age", "30", "--format", "csv"});
  const Outcome every =
      Ask({"--all", "--at-least", "50", "--candidate-age", "30", "--priors", "all", "--format", "csv"});
  ASSERT_EQ(every.code, 3) << every.err;
  const Outcome analyzed = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--all", "--format", "csv"});

  std::vector<std::string> header, plainHeader, analyzedHeader;
  const auto rows = ReadCsv(every.out, &header);
  EXPECT_EQ(header, (std::vector<std::string>{"SKELETON_ID", "SKELETON_NAME", "PRIOR", "CORRECTED", "CORRECTED_LOW",
                                              "CORRECTED_HIGH", "P_AT_LEAST_50", "POSTERIOR_MEDIAN", "HDI_LOW",
                                              "HDI_HIGH", "LR_CANDIDATE", "MESSAGE"}));
  std::map<std::string, std::map<std::string, std::string>> own;  // id -> the plain answer
  for (const auto& row : ReadCsv(plain.out, &plainHeader)) own[row.at("SKELETON_ID")] = row;
  std::map<std::string, std::map<std::string, std::string>> stored;
  for (const auto& row : ReadCsv(analyzed.out, &analyzedHeader)) stored[row.at("SKELETON_ID")] = row;
  const std::vector<std::string> examples = {"Forensic", "Forensic",      "Archeological", "Archeological",
                                             "Forensic", "Archeological", "Forensic",      "Archeological",
                                             "Forensic", "Archeological"};

  std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> byCase;  // id -> prior -> row
  for (const auto& row : rows) byCase[row.at("SKELETON_ID")][row.at("PRIOR")] = row;
  ASSERT_EQ(byCase.size(), 12u);
  // The case without scores: one line, its message, no model.
  ASSERT_EQ(byCase["11"].size(), 1u);
  EXPECT_EQ(byCase["11"].begin()->second.at("MESSAGE"), NoDataTypesMessage);
  EXPECT_EQ(byCase["11"].begin()->first, "");
  for (int id = 1; id <= 12; ++id) {
    if (id == 11) continue;
    const std::string key = std::to_string(id);
    SCOPED_TRACE(key);
    auto& priors = byCase[key];
    ASSERT_EQ(priors.size(), 4u);
    for (const auto& [name, row] : priors) {
      EXPECT_EQ(row.at("MESSAGE"), "") << name;
      EXPECT_LE(Cell(row, "CORRECTED_LOW"), Cell(row, "CORRECTED"));
      EXPECT_LE(Cell(row, "CORRECTED"), Cell(row, "CORRECTED_HIGH"));
    }
    // A model of one's own with the forensic hazard answers as the forensic one.
    for (const char* column : {"CORRECTED", "CORRECTED_LOW", "CORRECTED_HIGH", "P_AT_LEAST_50", "POSTERIOR_MEDIAN"})
      EXPECT_NEAR(Cell(priors["LikeForensic"], column), Cell(priors["Forensic"], column), 1e-6) << column;
    EXPECT_LE(Cell(priors["Young"], "P_AT_LEAST_50"), Cell(priors["Forensic"], "P_AT_LEAST_50") + 1e-12);
    if (id == 8) {
      EXPECT_LT(Cell(priors["Young"], "P_AT_LEAST_50"), Cell(priors["Forensic"], "P_AT_LEAST_50") - 0.05);
    }
    if (id > 10) continue;  // the case without a model of its own
    // Under the case's own choice: the plain answers and the stored estimate.
    const auto& chosen = priors[examples[static_cast<std::size_t>(id - 1)]];
    for (const char* column : {"P_AT_LEAST_50", "POSTERIOR_MEDIAN", "HDI_LOW", "HDI_HIGH", "LR_CANDIDATE"})
      EXPECT_EQ(chosen.at(column), own[key].at(column)) << column;
    EXPECT_NEAR(Cell(chosen, "CORRECTED"), Cell(stored[key], "RES_ALLCOR_MAX_LIKELIHOOD"), 0.05);
    EXPECT_NEAR(Cell(chosen, "CORRECTED_HIGH"), Cell(stored[key], "RES_ALLCOR_UPPER95P_CONF"), 0.05);
  }
  EXPECT_NE(every.err.find(NoDataTypesMessage), std::string::npos);

  const Outcome text = Ask({"--id", "8", "--at-least", "50", "--priors", "all"});
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("under each mortality prior"), std::string::npos) << text.out;
  for (const char* name : {"Archeological", "Forensic", "LikeForensic", "Young", "95 % shortest single interval"})
    EXPECT_NE(text.out.find(name), std::string::npos) << name;
  EXPECT_EQ(Ask({"--id", "8", "--priors", "some"}).code, 2);
}
