#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "params/ParameterErrors.h"
#include "params/ParameterReader.h"

using namespace vorla;

namespace {

const char* const WorkedExample =
    "0.11\n4\n1.0\n1 SUTURES\n1.0\n1 CRA_SAGITTAL\n2 1 2 3 0 0 0 0 0 0\n"
    "1 -6.0 0.20 0 0 0\n2 -5.5 0.18 0 0 0\n3 -6.2 0.21 0 0 0\n4 -5.8 0.19 0 0 0\n"
    "1 -9.0 0.15 0 0 0\n2 -8.5 0.14 0 0 0\n3 -9.2 0.16 0 0 0\n4 -8.8 0.15 0 0 0\n0\n"
    "1 PUBIS   # pubic symphysis\n1.0\n2 PUB_TEXTURE\n1 1 2 0 0 0 0 0 0 0\n"
    "1 -4.0 0.10 0 0 0\n2 -4.4 0.11 0 0 0\n3 -4.1 0.10 0 0 0\n4 -4.6 0.12 0 0 0\n0\n0\n";

// Scores by component name; every component asked for is recorded.
struct Scores {
  std::map<std::string, ScorePairs> byName;
  std::vector<std::string> asked;
  ScoreSource Source() {
    return [this](const std::string& name, std::int32_t) {
      asked.push_back(name);
      auto it = byName.find(name);
      return it == byName.end() ? ScorePairs{} : it->second;
    };
  }
};

ParameterSet Read(const std::string& text, int group, Scores& scores, ComplexSelection selection = {}) {
  return ReadParameterText(text, "Parameters.dat", group, scores.Source(), selection);
}

std::string ErrorOf(const std::string& text, Scores& scores, int group = 1) {
  try {
    Read(text, group, scores);
  } catch (const AnalysisError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(ParameterReader, WorkedExampleForGroupsTwoAndThree) {
  Scores scores;
  scores.byName["CRA_SAGITTAL"] = {2, 3, 0, 0};
  ParameterSet set = Read(WorkedExample, 2, scores);
  EXPECT_EQ(set.Resvar, 1.0);
  ASSERT_TRUE(set.Complexes);
  EXPECT_EQ(set.Complexes->Complexname, "SUTURES");
  EXPECT_EQ(set.Complexes->Next, nullptr);  // PUBIS kept nothing and is removed
  const TraitComponent& k = *set.Complexes->Components;
  EXPECT_EQ(k.ComponentName, "CRA_SAGITTAL");
  EXPECT_EQ(k.NumStagesOfComponent, 2);
  EXPECT_EQ(k.a[0], -5.5);
  EXPECT_EQ(k.a[1], -8.5);
  EXPECT_EQ(k.b[0], 0.18);
  EXPECT_EQ(k.b[1], 0.14);
  EXPECT_EQ(k.EnteredRight, 2);
  EXPECT_EQ(k.NotOutOfRight, 3);
  EXPECT_EQ(k.EnteredLeft, 0);
  EXPECT_EQ(k.NotOutOfLeft, 0);
  EXPECT_EQ(k.Next, nullptr);
  EXPECT_EQ(scores.asked, (std::vector<std::string>{"CRA_SAGITTAL", "PUB_TEXTURE"}));

  const ParameterSet group3 = Read(WorkedExample, 3, scores);
  EXPECT_EQ(group3.Complexes->Components->a[0], -6.2);
  EXPECT_EQ(group3.Complexes->Components->a[1], -9.2);
}

TEST(ParameterReader, GrammarFreedoms) {
  // CR LF, tabs, exponents, text after numbers, a blank line before a header,
  // a comment after the name, list ends written as negative numbers and
  // comment lines after the end.
  const std::string text =
      "1.1E-1\tdemonstration\r\n4 groups\r\n1.5e0\r\n\r\n7\t  PUBIS \t # comment\r\n2.0 x\r\n"
      "2 PUB_TEXTURE\r\n1 1 2 0 0 0 0 0 0 0 ; table\r\n"
      "1 -4.0 0.10 0 0 0\r\n2 -4.4E0 1.1e-1 0 0 0 note\r\n3 -4.1 0.10 0 0 0\r\n4 -4.6 0.12 0 0 0\r\n"
      "-1 end of PUBIS\r\n\r\n0\r\n# the end\r\n\r\n";
  Scores scores;
  scores.byName["PUB_TEXTURE"] = {1, 2, 2, 2};
  const ParameterSet set = Read(text, 2, scores);
  EXPECT_EQ(set.Resvar, 1.5);
  ASSERT_TRUE(set.Complexes);
  EXPECT_EQ(set.Complexes->Complexname, "PUBIS");
  EXPECT_EQ(set.Complexes->Resvar, 2.0);
  const TraitComponent& k = *set.Complexes->Components;
  EXPECT_EQ(k.a[0], -4.4);
  EXPECT_EQ(k.b[0], 0.11);
  EXPECT_EQ(k.EnteredLeft, 2);
  EXPECT_EQ(k.NotOutOfLeft, 2);
}

TEST(ParameterReader, VersionSpellings) {
  Scores scores;
  for (const char* first : {"0.11", "0.110", "1.1E-1", "+0.11"}) {
    const std::string text = std::string(first) + std::string(WorkedExample).substr(4);
    EXPECT_NO_THROW(Read(text, 1, scores)) << first;
  }
  try {
    Read("0.12\n4\n1\n0\n", 1, scores);
    FAIL();
  } catch (const ParameterVersionError& e) {
    EXPECT_EQ(e.found, 0.12);
    EXPECT_STREQ(e.what(), "Wrong version of parameter set. \nObtain version: 0.11");
  }
  EXPECT_THROW(Read("", 1, scores), ParameterFileError);  // an empty file has no version to read
}

TEST(ParameterReader, NamesAreTrimmedCutAndCaseSensitive) {
  EXPECT_EQ(HeaderName("   PUBIS   # pubic symphysis"), "PUBIS");
  EXPECT_EQ(HeaderName("\tAURICULAR\r"), "AURICULAR");
  EXPECT_EQ(HeaderName("#only a comment"), "");

  const std::string longName(40, 'C');
  const std::string text = "0.11\n1\n1\n1 pubis\n1\n1 " + longName + "\n1 1 2 0 0 0 0 0 0 0\n1 -4 0.1 0 0 0\n0\n0\n";
  Scores scores;
  scores.byName[longName] = {1, 1, 0, 0};  // asked for by the whole name
  ComplexSelection none{false, false, false};
  const ParameterSet set = Read(text, 1, scores, none);
  ASSERT_TRUE(set.Complexes);  // "pubis" is no known name: no flag governs it
  EXPECT_EQ(set.Complexes->Complexname, "pubis");
  EXPECT_EQ(set.Complexes->Components->ComponentName, std::string(31, 'C'));
}

TEST(ParameterReader, UnusedComponentsAreSkippedByCountingLines) {
  Scores scores;
  scores.byName["PUB_TEXTURE"] = {0, 1, 0, 2};  // upper scores alone do not count
  scores.byName["CRA_SAGITTAL"] = {1, 1, 0, 0};
  const ParameterSet set = Read(WorkedExample, 4, scores);
  ASSERT_TRUE(set.Complexes);
  EXPECT_EQ(set.Complexes->Complexname, "SUTURES");
  EXPECT_EQ(set.Complexes->Components->a[1], -8.8);
  EXPECT_EQ(set.Complexes->Next, nullptr);
}

TEST(ParameterReader, DeselectedComplexIsAskedButRemoved) {
  Scores scores;
  scores.byName["PUB_TEXTURE"] = {1, 2, 0, 0};
  scores.byName["CRA_SAGITTAL"] = {1, 1, 0, 0};
  const ParameterSet set = Read(WorkedExample, 1, scores, {true, false, true});
  EXPECT_EQ(scores.asked.size(), 2u);
  ASSERT_TRUE(set.Complexes);
  EXPECT_EQ(set.Complexes->Next, nullptr);
  const ParameterSet nothing = Read(WorkedExample, 1, scores, {false, false, true});
  EXPECT_EQ(nothing.Complexes, nullptr);
}

TEST(ParameterReader, IdenticalSidesCountOnce) {
  const std::string text =
      "0.11\n1\n1\n1 PUBIS\n1\n2 PUB_RELIEF\n5 1 2 3 4 5 6 0 0 0\n"
      "1 -1 0.1 0 0 0\n1 -2 0.1 0 0 0\n1 -3 0.1 0 0 0\n1 -4 0.1 0 0 0\n1 -5 0.1 0 0 0\n0\n0\n";
  Scores scores;
  scores.byName["PUB_RELIEF"] = {3, 4, 3, 4};
  const ParameterSet set = Read(text, 1, scores);
  const TraitComponent& k = *set.Complexes->Components;
  EXPECT_EQ(k.EnteredLeft, 0);
  EXPECT_EQ(k.NotOutOfLeft, 0);
  EXPECT_EQ(k.EnteredRight, 3);
  EXPECT_EQ(k.RawScores, (ScorePairs{3, 4, 3, 4}));
}

TEST(ParameterReader, RecodingTableMapsScores) {
  const std::string text =
      "0.11\n1\n1\n1 SUTURES\n1\n1 CRA_X\n2 1 1 2 3 3 0 0 0 0\n1 -5 0.1 0 0 0\n1 -9 0.1 0 0 0\n0\n0\n";
  Scores scores;
  scores.byName["CRA_X"] = {2, 5, 0, 0};
  const ParameterSet set = Read(text, 1, scores);
  const TraitComponent& k = *set.Complexes->Components;
  EXPECT_EQ(k.EnteredRight, 1);
  EXPECT_EQ(k.NotOutOfRight, 3);
}

TEST(ParameterReader, BlankLineInsideABlockIsRefused) {
  // The rows of a group are found by counting lines, so a blank line inside a
  // block would shift the rows of some groups and not of others.
  const std::string text =
      "0.11\n2\n1\n1 SUTURES\n1\n1 CRA_X\n2 1 2 3 0 0 0 0 0 0\n"
      "1 -4 0.1 0 0 0\n2 -7 0.2 0 0 0\n\n1 -5 0.1 0 0 0\n2 -8 0.2 0 0 0\n0\n";
  Scores scores;
  scores.byName["CRA_X"] = {1, 1, 0, 0};
  for (int group : {1, 2})
    EXPECT_EQ(ErrorOf(text, scores, group),
              "Parameters.dat, line 10: the line ends before the row of transition 2 for group 1 of CRA_X");
}

TEST(ParameterReader, ErrorsNameFileLineAndToken) {
  Scores scores;
  scores.byName["CRA_SAGITTAL"] = {1, 1, 0, 0};
  std::string bad = WorkedExample;
  bad.replace(bad.find("-5.5"), 4, "-5,5");
  EXPECT_EQ(ErrorOf(bad, scores, 2),
            "Parameters.dat, line 9: \"-5,5\" is not a valid number (parameter a in the row of transition 1 for group "
            "2 of CRA_SAGITTAL)");
  EXPECT_EQ(ErrorOf("0.11\nfour\n", scores),
            "Parameters.dat, line 2: \"four\" is not a valid whole number (the number of groups)");
}

TEST(ParameterReader, ImplausibleValuesAreInputErrors) {
  Scores scores;
  scores.byName["CRA_X"] = {1, 1, 0, 0};
  const auto file = [](const std::string& g, const std::string& resvar, const std::string& complexResvar,
                       const std::string& stageLine, const std::string& row) {
    return "0.11\n" + g + "\n" + resvar + "\n1 SUTURES\n" + complexResvar + "\n1 CRA_X\n" + stageLine + "\n" + row +
           "\n0\n0\n";
  };
  const std::string ok = file("1", "1", "1", "1 1 2 0 0 0 0 0 0 0", "1 -4 0.1 0 0 0");
  EXPECT_EQ(ErrorOf(ok, scores), "no error");
  EXPECT_NE(ErrorOf(file("0", "1", "1", "1 1 2 0 0 0 0 0 0 0", "1 -4 0.1 0 0 0"), scores).find("line 2"),
            std::string::npos);
  EXPECT_NE(ErrorOf(ok, scores, 2).find("line 2: the file has 1 groups"), std::string::npos);
  EXPECT_NE(ErrorOf(file("1", "0", "1", "1 1 2 0 0 0 0 0 0 0", "1 -4 0.1 0 0 0"), scores).find("line 3"),
            std::string::npos);
  EXPECT_NE(ErrorOf(file("1", "1", "-2", "1 1 2 0 0 0 0 0 0 0", "1 -4 0.1 0 0 0"), scores).find("line 5"),
            std::string::npos);
  EXPECT_NE(ErrorOf(file("1", "1", "1", "11 1 2 0 0 0 0 0 0 0", "1 -4 0.1 0 0 0"), scores).find("line 7"),
            std::string::npos);
  EXPECT_NE(ErrorOf(file("1", "1", "1", "0 1 2 0 0 0 0 0 0 0", "1 -4 0.1 0 0 0"), scores).find("line 7"),
            std::string::npos);
  EXPECT_NE(ErrorOf(file("1", "1", "1", "1 1 3 0 0 0 0 0 0 0", "1 -4 0.1 0 0 0"), scores).find("line 7"),
            std::string::npos);
  EXPECT_NE(ErrorOf(file("1", "1", "1", "1 1 2 0 0 0 0 0 0 0", "1 -4 1e999 0 0 0"), scores)
                .find("line 8: \"1e999\" is not a finite"),
            std::string::npos);
  // Too small for a double: refused like too large, never read as 0.
  EXPECT_NE(ErrorOf(file("1", "1", "1", "1 1 2 0 0 0 0 0 0 0", "1 -4 1e-999 0 0 0"), scores)
                .find("line 8: \"1e-999\" is too close to 0"),
            std::string::npos);
  EXPECT_EQ(ErrorOf(file("1", "1", "1", "1 1 2 0 0 0 0 0 0 0", "1 -4 0e-999 0 0 0"), scores), "no error");
  EXPECT_NE(ErrorOf(file("1", "nan", "1", "1 1 2 0 0 0 0 0 0 0", "1 -4 0.1 0 0 0"), scores).find("line 3"),
            std::string::npos);
  EXPECT_NE(ErrorOf(file("1", "inf", "1", "1 1 2 0 0 0 0 0 0 0", "1 -4 0.1 0 0 0"), scores).find("line 3"),
            std::string::npos);
}

TEST(ParameterReader, MissingFileIsAnInputError) {
  Scores scores;
  EXPECT_THROW(ReadParameterSet("/nonexistent/Parameters.dat", 1, scores.Source(), {}), ParameterFileError);
}

// A file that cannot be read is named with the reason and the way out; the
// reader says the same when it is asked to read it.
TEST(ParameterReader, UnreadableFileIsExplained) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vorla-unreadable-parameters";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string missing = (dir / "Parameters.dat").string();
  const std::string problem = ParameterFileProblem(missing);
  EXPECT_EQ(problem.rfind("The parameter file \"" + missing + "\" does not exist.", 0), 0u) << problem;
  EXPECT_NE(problem.find("--dir"), std::string::npos);
  Scores scores;
  try {
    ReadParameterSet(missing, 1, scores.Source(), {});
    ADD_FAILURE() << "read a missing file";
  } catch (const ParameterFileError& error) {
    EXPECT_EQ(error.what(), problem);
  }

  std::filesystem::create_directory(missing);
  EXPECT_NE(ParameterFileProblem(missing).find("is a folder, not a file."), std::string::npos);
  EXPECT_THROW(ReadParameterSet(missing, 1, scores.Source(), {}), ParameterFileError);
  std::filesystem::remove(missing);

  std::ofstream(missing) << WorkedExample;
  EXPECT_EQ(ParameterFileProblem(missing), "");
  std::filesystem::remove_all(dir);
}

TEST(ParameterReader, TruncatedOrNoisyFilesNeverCrash) {
  Scores scores;
  scores.byName["CRA_SAGITTAL"] = {1, 3, 0, 0};
  scores.byName["PUB_TEXTURE"] = {1, 2, 2, 2};
  const std::string full = WorkedExample;
  int read = 0, refused = 0;
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    try {
      Read(full.substr(0, cut), 1, scores);
      ++read;
    } catch (const AnalysisError&) {
      ++refused;
    }
  }
  EXPECT_GT(read, 0);
  EXPECT_GT(refused, 0);

  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string noisy = full;
    for (int flips = 0; flips < 5; ++flips) noisy[random() % noisy.size()] = static_cast<char>(random() % 256);
    try {
      Read(noisy, 1 + round % 4, scores);
    } catch (const AnalysisError&) {
    }
  }
}
