// vorla-cli analyze --curves: the profiles of every analysed case in long
// form, agreeing with the stored estimates, in key order for any number of
// jobs, and never written over the folder's own files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "CommandOutcome.h"
#include "DemoFolder.h"
#include "app/cli/Commands.h"
#include "store/CsvText.h"

using namespace vorla;
using cli::test::Command;
using cli::test::Outcome;
using cli::test::ReadAll;
namespace fs = std::filesystem;

namespace {

struct Curve {
  std::vector<double> ages, likelihood, corrected;
  bool correctedEmpty = true;
};
using Curves = std::map<std::pair<std::string, std::string>, Curve>;  // (id, complex)

Curves ReadCurves(const std::string& text, std::vector<std::string>* order) {
  const std::vector<CsvRecord> records = ParseCsv(text);
  EXPECT_EQ(records.at(0).cells,
            (std::vector<std::string>{"SKELETON_ID", "COMPLEX", "AGE", "LIKELIHOOD", "CORRECTED"}));
  Curves curves;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const std::vector<std::string>& c = records[r].cells;
    EXPECT_EQ(c.size(), 5u);
    if (c.size() != 5) continue;
    if (order->empty() || order->back() != c[0]) order->push_back(c[0]);
    Curve& curve = curves[{c[0], c[1]}];
    curve.ages.push_back(std::stod(c[2]));
    curve.likelihood.push_back(std::stod(c[3]));
    if (!c[4].empty()) {
      curve.correctedEmpty = false;
      curve.corrected.push_back(std::stod(c[4]));
    }
  }
  return curves;
}

double AgeOfMaximum(const Curve& curve, const std::vector<double>& values) {
  return curve.ages[static_cast<std::size_t>(std::max_element(values.begin(), values.end()) - values.begin())];
}

class AnalyzeCurves : public ::testing::Test {
 protected:
  Outcome Analyze(std::vector<std::string> more) {
    std::vector<std::string> args = {"--dir", dir.string()};
    args.insert(args.end(), more.begin(), more.end());
    return Command(&cli::AnalyzeCommand, args);
  }
  cli::test::DemoFolder folder{"curves"};
  fs::path dir = folder.Path();
};

}  // namespace

TEST_F(AnalyzeCurves, EveryAnalysedComplexAndTheCombinedLikelihoodOnTheWholeGrid) {
  const fs::path file = dir / "curves.csv";
  const Outcome o = Analyze({"--all", "--format", "csv", "--curves", file.string()});
  ASSERT_EQ(o.code, 0) << o.err;
  std::vector<std::string> order;
  const Curves curves = ReadCurves(ReadAll(file), &order);
  EXPECT_EQ(order, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));

  // The complexes a case's scores take part in (the demonstration cases).
  const std::map<std::string, std::set<std::string>> complexes = {
      {"4", {"SUTURES", "ALL"}}, {"5", {"PUBIS", "ALL"}}, {"8", {"AURICULAR", "ALL"}}};
  std::map<std::string, std::set<std::string>> seen;
  for (const auto& [key, curve] : curves) {
    seen[key.first].insert(key.second);
    SCOPED_TRACE(key.first + " " + key.second);
    ASSERT_EQ(curve.ages.size(), 381u);
    EXPECT_EQ(curve.ages.front(), 15.0);
    EXPECT_EQ(curve.ages[1], 15.25);
    EXPECT_EQ(curve.ages.back(), 110.0);
    EXPECT_EQ(curve.correctedEmpty, key.second != "ALL");
    if (key.second == "ALL") {
      EXPECT_EQ(curve.corrected.size(), 381u);
    }
    for (double l : curve.likelihood) EXPECT_TRUE(l >= 0.0 && l <= 1.0 + 1e-12) << l;
  }
  for (const auto& [id, names] : complexes) EXPECT_EQ(seen[id], names) << id;
  EXPECT_EQ(seen["1"], (std::set<std::string>{"SUTURES", "PUBIS", "AURICULAR", "ALL"}));

  // The stored estimates lie at the maxima of the two combined curves, to
  // within a grid step (the search refines between grid ages).
  const std::vector<CsvRecord> results = ParseCsv(o.out);
  const std::vector<std::string>& header = results.at(0).cells;
  const auto column = [&](const std::string& name) {
    return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
  };
  for (std::size_t r = 1; r < results.size(); ++r) {
    const std::vector<std::string>& row = results[r].cells;
    const Curve& all = curves.at({row[0], "ALL"});
    SCOPED_TRACE(row[1]);
    EXPECT_NEAR(AgeOfMaximum(all, all.likelihood), std::stod(row[column("RES_ALL_MAX_LIKELIHOOD")]), 0.3);
    EXPECT_NEAR(AgeOfMaximum(all, all.corrected), std::stod(row[column("RES_ALLCOR_MAX_LIKELIHOOD")]), 0.3);
  }

  // Several jobs give the very same file.
  const fs::path again = dir / "again.csv";
  ASSERT_EQ(Analyze({"--all", "--jobs", "3", "--curves", again.string()}).code, 0);
  EXPECT_EQ(ReadAll(again), ReadAll(file));
}

TEST_F(AnalyzeCurves, RefusesTheFolderFilesAndStoresNothingWhenTheFileCannotBeMade) {
  const std::string before = ReadAll(dir / "TAData.db");
  for (const char* own : {"TAData.db", "Parameters.dat"}) {
    const Outcome o = Analyze({"--all", "--curves", (dir / own).string()});
    EXPECT_EQ(o.code, 2) << own;
    EXPECT_NE(o.err.find(own), std::string::npos) << o.err;
  }
  const Outcome o = Analyze({"--all", "--curves", (dir / "no-such-folder" / "c.csv").string()});
  EXPECT_EQ(o.code, 3);
  EXPECT_EQ(ReadAll(dir / "TAData.db"), before);
  EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
}
