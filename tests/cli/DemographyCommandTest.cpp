// vorla-cli demography on a simulated cemetery in a case folder: the cases
// it takes, what it prints in each format, and what it refuses.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "CommandOutcome.h"
#include "DemoFolder.h"
#include "app/cli/Commands.h"
#include "params/CaseRun.h"
#include "store/CaseTable.h"

namespace vorla::cli::test {

namespace {

// A folder of 600 skeletons drawn from a known model, the four groups in
// turn, one of them without its sex; made once for all the tests.
class DemographyCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new DemoFolder("demography", DemoFolder::Parameters);
    const std::string dir = folder_->Path().string();
    const std::string csv = (folder_->Path() / "cemetery.csv").string();
    const Outcome drawn = Command(&SimulateCommand, {"--params", dir + "/Parameters.dat", "--n", "600", "--seed", "5",
                                                     "--ages", "gm:0.01,5e-05,0.09", "--out", csv});
    ASSERT_EQ(drawn.code, 0) << drawn.err;
    // The third skeleton loses its sex: the analysis would refuse it.
    std::string text = ReadAll(csv);
    const std::size_t third = text.find("SIM-000003,Female");
    ASSERT_NE(third, std::string::npos);
    text.replace(third, 17, "SIM-000003,");
    WriteAll(csv, text);
    const Outcome imported = Command(&ImportCommand, {"--dir", dir, csv});
    ASSERT_EQ(imported.code, 0) << imported.err;
  }
  static void TearDownTestSuite() { delete folder_; }

  static Outcome Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--dir", folder_->Path().string()});
    return Command(&vorla::cli::DemographyCommand, args);
  }
  static QJsonObject Json(const Outcome& o) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(o.out)).object();
  }

  static inline DemoFolder* folder_ = nullptr;
};

}  // namespace

TEST_F(DemographyCommand, JsonHoldsTheEstimatesWithTheirErrorsAndLimits) {
  const Outcome o = Run({"--format", "json"});
  ASSERT_EQ(o.code, 0) << o.err;
  // The case without its sex is left out and named.
  EXPECT_NE(o.err.find("Case 3 \"SIM-000003\" is left out"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("1 of 600 cases were left out"), std::string::npos) << o.err;
  const QJsonObject json = Json(o);
  EXPECT_EQ(json["n"].toInt(), 599);
  EXPECT_EQ(json["model"].toString(), "makeham");
  EXPECT_TRUE(json["converged"].toBool());
  EXPECT_LT(json["log_likelihood"].toDouble(), 0.0);
  for (const char* name : {"A", "B", "C"}) {
    const QJsonObject p = json[name].toObject();
    const double estimate = p["estimate"].toDouble();
    EXPECT_GT(p["se"].toDouble(), 0.0) << name;
    EXPECT_LT(p["low"].toDouble(), estimate) << name;
    EXPECT_GT(p["high"].toDouble(), estimate) << name;
  }
  EXPECT_EQ(json["life_table"].toArray().size(), 19);
  EXPECT_LT(json["built_in_log_likelihood"].toObject()["forensic"].toDouble(), json["log_likelihood"].toDouble());

  // A Gompertz fit holds A at 0 with no error, and fits no better.
  const Outcome gompertz = Run({"--format", "json", "--model", "gompertz"});
  ASSERT_EQ(gompertz.code, 0) << gompertz.err;
  const QJsonObject g = Json(gompertz);
  EXPECT_EQ(g["model"].toString(), "gompertz");
  EXPECT_EQ(g["A"].toObject()["estimate"].toDouble(), 0.0);
  EXPECT_TRUE(g["A"].toObject()["se"].isNull());
  EXPECT_LE(g["log_likelihood"].toDouble(), json["log_likelihood"].toDouble());

  // The text and the CSV give the same log-likelihood and n.
  const Outcome csv = Run({"--format", "csv"});
  ASSERT_EQ(csv.code, 0);
  EXPECT_NE(csv.out.find("n,599,,,\n"), std::string::npos);
  const Outcome text = Run({});
  ASSERT_EQ(text.code, 0);
  EXPECT_NE(text.out.find("n = 599"), std::string::npos);
  EXPECT_NE(text.out.find("105-110"), std::string::npos);
}

// --where keeps the cases whose field holds the value, in any letter case;
// every condition must hold. (The skeleton without its sex is black.)
TEST_F(DemographyCommand, WhereChoosesTheCases) {
  struct Row {
    std::vector<std::string> where;
    int n;
  };
  for (const Row& row :
       std::vector<Row>{{{"SEX=male"}, 300}, {{"sex=MALE", "Race=white"}, 150}, {{"RACE=Black"}, 299}}) {
    std::vector<std::string> args = {"--format", "json"};
    for (const std::string& w : row.where) args.insert(args.end(), {"--where", w});
    const Outcome o = Run(args);
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(Json(o)["n"].toInt(), row.n) << row.where.front();
  }
}

// What is refused says why and estimates nothing.
TEST_F(DemographyCommand, RefusalsSayWhyAndPrintNoEstimate) {
  struct Row {
    std::vector<std::string> args;
    int code;
    const char* said;
  };
  for (const Row& row : std::vector<Row>{
           {{"--where", "SKELETON_NAME=SIM-000001"}, 3, "The sample of 1 case is too small to determine C"},
           {{"--where", "SKELETON_NAME=nobody"}, 3, "No stored case meets the conditions"},
           {{"--where", "NO_SUCH_FIELD=1"}, 3, "NO_SUCH_FIELD"},
           {{"--where", "SEX"}, 2, "--where takes FIELD=VALUE"},
           {{"--model", "weibull"}, 2, "--model is gompertz or makeham"},
       }) {
    const Outcome o = Run(row.args);
    EXPECT_EQ(o.code, row.code) << row.said << "\n" << o.err;
    EXPECT_NE(o.err.find(row.said), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "") << row.said;
  }
}

// --save keeps the fitted model under its name with a note of where it
// comes from; a case whose HAZARDFUNC names it is analysed with it as its
// prior, and the trace gives its parameters. A name the folder does not
// define is still no model chosen.
TEST_F(DemographyCommand, SavedModelIsAPriorOfTheFolder) {
  EXPECT_EQ(Run({"--save", "archeological"}).code, 2);
  const Outcome saved = Run({"--save", "Cemetery", "--where", "RACE=White"});
  ASSERT_EQ(saved.code, 0) << saved.err;
  const std::string models = ReadAll(folder_->Path() / "Mortality.txt");
  EXPECT_NE(models.find("# Cemetery: 300 cases of "), std::string::npos) << models;
  EXPECT_NE(models.find("RACE=white; "), std::string::npos) << models;
  EXPECT_NE(models.find("; --model makeham --level 95\nCemetery "), std::string::npos) << models;

  const auto chooseModel = [](const std::string& model) {
    CaseTable table;
    table.Open(folder_->Path().string() + "/");
    ASSERT_TRUE(table.LocateId(1));
    table.Edit();
    table.SetFieldText("HAZARDFUNC", model);
    table.Post();
  };
  const auto analyze = [] {
    return Command(&AnalyzeCommand, {"--dir", folder_->Path().string(), "--id", "1", "--format", "csv"});
  };
  chooseModel("cemetery");
  const Outcome own = analyze();
  ASSERT_EQ(own.code, 0) << own.err;
  const std::string trace = ReadAll(folder_->Path() / "TATree.txt");
  EXPECT_NE(trace.find("HazardFunc    = cemetery\r\nHazardModel   = A "), std::string::npos) << trace.substr(0, 300);
  EXPECT_NE(trace.find("(Cemetery, Mortality.txt)"), std::string::npos);
  chooseModel("Archeological");
  const Outcome builtIn = analyze();
  ASSERT_EQ(builtIn.code, 0) << builtIn.err;
  EXPECT_EQ(ReadAll(folder_->Path() / "TATree.txt").find("HazardModel"), std::string::npos);
  // The uncorrected columns agree, the corrected ones need not: the lines differ.
  EXPECT_NE(own.out, builtIn.out);

  chooseModel("Cemetery2");
  const Outcome unknown = analyze();
  EXPECT_EQ(unknown.code, 3);
  EXPECT_NE(unknown.err.find(NoModelMessage), std::string::npos) << unknown.err;
  chooseModel("Archeological");
}

}  // namespace vorla::cli::test
