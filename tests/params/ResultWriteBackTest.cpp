#include <gtest/gtest.h>

#include "FakeRow.h"
#include "params/CaseRecord.h"
#include "params/ResultWriteBack.h"

using namespace vorla;
using test::FakeRow;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundOneDecimal(37.25), 37.2);
  EXPECT_EQ(RoundOneDecimal(37.75), 37.8);
  EXPECT_EQ(RoundOneDecimal(37.26), 37.3);
  EXPECT_EQ(RoundTwoDecimals(0.125), 0.12);
  EXPECT_EQ(RoundTwoDecimals(0.135), 0.14);  // 0.135 lies a hair above the half
  EXPECT_EQ(RoundOneDecimal(110.0), 110.0);
}

namespace {

std::unique_ptr<TraitComplex> Complex(const char* name, double mla, double low, double high, int df, double chi,
                                      double p) {
  auto c = std::make_unique<TraitComplex>();
  c->Complexname = name;
  c->MLA = mla;
  c->CILow = low;
  c->CIHigh = high;
  c->DF = df;
  c->Consistensy = chi;
  c->PConsistensy = p;
  return c;
}

// Stores the results of the case without the summary's corrections.
void Store(CaseRow& row, const TTransisionsAnalyseDataSet* analysed) {
  StoreCaseResults(row, ResultsOfCase(1, analysed, 95, {}, {false, false, false}));
}

}  // namespace

class WriteBack : public ::testing::Test {
 protected:
  FakeRow row{test::AllCaseFields()};
  TTransisionsAnalyseDataSet s;
  void SetUp() override {
    s.MLA = 41.25;
    s.CILow = 0;
    s.CIHigh = 0;
    s.DF = 0;
    s.PConsistensy = -1;
    s.Hazard_MLA = 39.04;
    s.Hazard_CILow = 0;
    s.Hazard_CIHigh = 71.96;
  }
};

TEST_F(WriteBack, CombinedFieldsAndOpenLimits) {
  s.Complexes = Complex("PUBIS", 41.25, 0, 0, 0, 0, -1);
  Store(row, &s);
  EXPECT_EQ(row.FieldAsFloat("RES_ALL_MAX_LIKELIHOOD"), 41.2);
  EXPECT_EQ(row.FieldAsText("RES_ALL_LOW95P_CONF"), "15");
  EXPECT_EQ(row.FieldAsText("RES_ALL_UPPER95P_CONF"), "110");
  EXPECT_EQ(row.FieldAsText("RES_ALL_DEGFREE"), "0");
  EXPECT_TRUE(row.FieldIsNull("RES_ALL_CHI2"));
  EXPECT_TRUE(row.FieldIsNull("RES_ALL_CHI2_P"));
  EXPECT_EQ(row.FieldAsFloat("RES_ALLCOR_LOW95P_CONF"), 0.0);  // corrected limits are stored as they are
  EXPECT_FALSE(row.FieldIsNull("RES_ALLCOR_LOW95P_CONF"));
  EXPECT_EQ(row.FieldAsFloat("RES_ALLCOR_UPPER95P_CONF"), 72.0);
  EXPECT_EQ(row.FieldAsText("RES_PUB_LOW95P_CONF"), "15");
  EXPECT_TRUE(row.FieldIsNull("RES_PUB_CHI2"));
  EXPECT_TRUE(row.FieldIsNull("RES_PUB_CHI2_P"));
  EXPECT_EQ(row.posts, 1);
}

TEST_F(WriteBack, EdgeMaximumWithTwoComplexes) {
  s.DF = 1;
  s.Consistensy = 0;
  s.PConsistensy = -1;
  s.Complexes = Complex("PUBIS", 50, 30, 70, 2, 3.46, 0.1749);
  s.Complexes->Next = Complex("SUTURES", 60, 35, 90, 0, 0, -1);
  Store(row, &s);
  EXPECT_EQ(row.FieldAsFloat("RES_ALL_CHI2"), 0.0);
  EXPECT_FALSE(row.FieldIsNull("RES_ALL_CHI2"));
  EXPECT_TRUE(row.FieldIsNull("RES_ALL_CHI2_P"));
  EXPECT_EQ(row.FieldAsFloat("RES_PUB_CHI2"), 3.5);
  EXPECT_EQ(row.FieldAsFloat("RES_PUB_CHI2_P"), 0.17);
  EXPECT_EQ(row.FieldAsText("RES_PUB_DEGFREE"), "2");
  EXPECT_EQ(row.FieldAsFloat("RES_CRA_MAX_LIKELIHOOD"), 60.0);
}

TEST_F(WriteBack, StaleComplexResultsAreEmptied) {
  row.Edit();
  for (const char* f : {"RES_AUR_MAX_LIKELIHOOD", "RES_CRA_CHI2_P", "RES_PUB_DEGFREE"}) row.Set(f, "7");
  row.Post();
  s.Complexes = Complex("PUBIS", 41.25, 30, 60, 0, 0, -1);
  Store(row, &s);
  EXPECT_TRUE(row.FieldIsNull("RES_AUR_MAX_LIKELIHOOD"));
  EXPECT_TRUE(row.FieldIsNull("RES_CRA_CHI2_P"));
  EXPECT_EQ(row.FieldAsText("RES_PUB_DEGFREE"), "0");
}

TEST_F(WriteBack, NoCaseEmptiesAllResults) {
  row.Edit();
  for (const std::string& f : test::AllCaseFields())
    if (f.rfind("RES_", 0) == 0) row.Set(f, "1");
  Store(row, nullptr);
  int emptied = 0;
  for (const std::string& f : test::AllCaseFields())
    if (f.rfind("RES_", 0) == 0) emptied += row.FieldIsNull(f);
  EXPECT_EQ(emptied, 32);  // the level and the set go with the results
  EXPECT_EQ(row.posts, 1);
}

TEST_F(WriteBack, UnknownComplexFailsNamingTheField) {
  s.Complexes = Complex("HUMERUS", 41.25, 30, 60, 0, 0, -1);
  try {
    Store(row, &s);
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("HUMERUSMax_LIKELIHOOD"), std::string::npos);
  }
  EXPECT_EQ(row.posts, 0);
  EXPECT_EQ(row.FieldAsFloat("RES_ALL_MAX_LIKELIHOOD"), 41.2);  // set before the failure, unposted
}

// The pairs the tidying put in order are stored with the results, in one
// post: the case's history has the analysis as one entry.
TEST_F(WriteBack, TidiedPairsGoWithTheResultsInOnePost) {
  row.Set("PUB_RELIEF_L_LOW", "5");
  row.Set("PUB_RELIEF_L_UPPER", "3");
  row.Set("AUR_SPICUL_R_UPPER", "4");
  CaseRecord record = ReadCaseRecord(row, std::make_shared<const CaseLayout>(nullptr));
  TidyScores(record);
  EXPECT_TRUE(record.AnyTidied());
  EXPECT_EQ(row.posts, 0);
  s.Complexes = Complex("PUBIS", 41.25, 30, 60, 0, 0, -1);
  StoreCaseResults(row, ResultsOfCase(1, &s, 95, {}, {}), &record);
  EXPECT_EQ(row.posts, 1);
  EXPECT_EQ(row.FieldAsText("PUB_RELIEF_L_LOW"), "3");
  EXPECT_EQ(row.FieldAsText("PUB_RELIEF_L_UPPER"), "5");
  EXPECT_EQ(row.FieldAsText("AUR_SPICUL_R_LOW"), "4");
  EXPECT_TRUE(row.FieldIsNull("AUR_SPICUL_R_UPPER"));
  EXPECT_EQ(row.FieldAsFloat("RES_ALL_MAX_LIKELIHOOD"), 41.2);
  EXPECT_EQ(row.FieldAsText("RES_CI_LEVEL"), "95");
}
