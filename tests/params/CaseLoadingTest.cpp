#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <unistd.h>

#include "FakeRow.h"
#include "engine/AnalysisError.h"
#include "params/CaseLoading.h"

using namespace vorla;
using test::FakeRow;

namespace {

FakeRow PairedRow(const char* rl, const char* ru, const char* ll, const char* lu) {
  FakeRow row({"PUB_TEXTURE_R_LOW", "PUB_TEXTURE_R_UPPER", "PUB_TEXTURE_L_LOW", "PUB_TEXTURE_L_UPPER"});
  const char* v[] = {rl, ru, ll, lu};
  const char* f[] = {"PUB_TEXTURE_R_LOW", "PUB_TEXTURE_R_UPPER", "PUB_TEXTURE_L_LOW", "PUB_TEXTURE_L_UPPER"};
  for (int i = 0; i < 4; ++i)
    if (v[i]) row.Set(f[i], v[i]);
  return row;
}

}  // namespace

TEST(ReadCaseScores, PairsAreNormalised) {
  EXPECT_EQ(ReadCaseScores(PairedRow("3", nullptr, nullptr, nullptr), "PUB_TEXTURE", 2), (ScorePairs{3, 3, 0, 0}));
  EXPECT_EQ(ReadCaseScores(PairedRow("-1", "5", "4", "-1"), "PUB_TEXTURE", 2), (ScorePairs{0, 0, 0, 0}));
  EXPECT_EQ(ReadCaseScores(PairedRow(nullptr, "4", "2", "3"), "PUB_TEXTURE", 2), (ScorePairs{0, 4, 2, 3}));
  EXPECT_EQ(ReadCaseScores(PairedRow("2", "3", "2", "3"), "PUB_TEXTURE", 2), (ScorePairs{2, 3, 2, 3}));
  // Field names are matched without regard to case.
  EXPECT_EQ(ReadCaseScores(PairedRow("1", "2", nullptr, nullptr), "pub_texture", 2), (ScorePairs{1, 2, 0, 0}));
}

TEST(ReadCaseScores, UnpairedTraitReadsOnlyItsTwoFields) {
  FakeRow row({"CRA_SAGITTAL_LOW", "CRA_SAGITTAL_UPPER"});
  row.Set("CRA_SAGITTAL_LOW", "2");
  EXPECT_EQ(ReadCaseScores(row, "CRA_SAGITTAL", 1), (ScorePairs{2, 2, 0, 0}));
}

TEST(ReadCaseScores, MissingFieldAndImpossibleScoreAreErrors) {
  FakeRow row({"CRA_SAGITTAL_LOW"});
  try {
    ReadCaseScores(row, "CRA_SAGITTAL", 1);
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("CRA_SAGITTAL_UPPER"), std::string::npos);
  }
  for (const char* bad : {"10", "-2", "99"}) {
    try {
      ReadCaseScores(PairedRow("1", bad, nullptr, nullptr), "PUB_TEXTURE", 2);
      FAIL() << bad;
    } catch (const AnalysisError& e) {
      EXPECT_NE(std::string(e.what()).find("PUB_TEXTURE_R_UPPER"), std::string::npos) << e.what();
    }
  }
}

class LoadCaseTest : public ::testing::Test {
 protected:
  // One file per test process: the tests of one suite run side by side.
  std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("vorla-loadcase-" + std::to_string(::getpid()) + "-Parameters.dat");
  void SetUp() override {
    std::ofstream(file) << "0.11\n4\n1.25\n1 SUTURES\n1.0\n1 CRA_SAGITTAL\n2 1 2 3 0 0 0 0 0 0\n"
                           "1 -6.0 0.20 0 0 0\n2 -5.5 0.18 0 0 0\n3 -6.2 0.21 0 0 0\n4 -5.8 0.19 0 0 0\n"
                           "1 -9.0 0.15 0 0 0\n2 -8.5 0.14 0 0 0\n3 -9.2 0.16 0 0 0\n4 -8.8 0.15 0 0 0\n0\n0\n";
  }
  void TearDown() override { std::filesystem::remove(file); }
  AnalysisTreePtr Load(int group, const ComplexSelection& selection) {
    const std::shared_ptr<const CheckedParameters> set = CheckParameterFile(file.string(), {});
    return LoadCase(ReadCaseRecord(row, std::make_shared<CaseLayout>(set.get()), selection), *set, group);
  }
  FakeRow row{test::AllCaseFields()};
};

TEST_F(LoadCaseTest, FillsTheCaseHeader) {
  row.Set("CRA_SAGITTAL_LOW", "2");
  row.Set("SKELETON_NAME", std::string(70, 'n'));
  row.Set("SEX", "Unknown");
  row.Set("RACE", "Black");
  row.Set("HAZARDFUNC", "Forensic");
  AnalysisTreePtr s = Load(3, {});
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Name, std::string(63, 'n'));
  EXPECT_EQ(s->Sex, "Unknown");
  EXPECT_EQ(s->Race, "Black");
  EXPECT_EQ(s->HazardFunc, "Forensic");
  EXPECT_EQ(s->Group, 3);
  EXPECT_EQ(s->Resvar, 1.25);
  EXPECT_EQ(s->ParameterFile, file.string());
  EXPECT_EQ(s->CL, 0.0);
  EXPECT_EQ(s->Complexes->Components->a[0], -6.2);
}

TEST_F(LoadCaseTest, NothingScoredGivesNoCase) {
  EXPECT_EQ(Load(1, {}), nullptr);
  row.Set("CRA_SAGITTAL_LOW", "2");
  EXPECT_EQ(Load(1, {false, true, true}), nullptr);
}
