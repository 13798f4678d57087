#include <gtest/gtest.h>

#include "FakeRow.h"
#include "engine/AnalysisError.h"
#include "params/CaseRun.h"

using namespace vorla;
using test::FakeRow;

class Tidying : public ::testing::Test {
 protected:
  FakeRow row{test::AllCaseFields()};
  std::pair<std::string, std::string> Pair(const char* minText, const char* maxText) {
    row.Edit();
    minText ? row.Set("PUB_RELIEF_L_LOW", minText) : row.Clear("PUB_RELIEF_L_LOW");
    maxText ? row.Set("PUB_RELIEF_L_UPPER", maxText) : row.Clear("PUB_RELIEF_L_UPPER");
    OrderScorePair(row, "PUB_RELIEF_L", minText ? minText : "", maxText ? maxText : "");
    return {row.FieldAsText("PUB_RELIEF_L_LOW"), row.FieldAsText("PUB_RELIEF_L_UPPER")};
  }
};

TEST_F(Tidying, Pairs) {
  EXPECT_EQ(Pair("5", "3"), std::make_pair(std::string("3"), std::string("5")));
  EXPECT_EQ(Pair(nullptr, "4"), std::make_pair(std::string("4"), std::string("")));
  EXPECT_EQ(Pair("4", nullptr), std::make_pair(std::string("4"), std::string("")));
  EXPECT_EQ(Pair("2", "2"), std::make_pair(std::string("2"), std::string("2")));
  EXPECT_EQ(Pair("2", "6"), std::make_pair(std::string("2"), std::string("6")));
  EXPECT_THROW(Pair(nullptr, "x"), AnalysisError);
}

TEST(Choices, CheckedInOrderWithTheirMessages) {
  EXPECT_EQ(*MissingChoiceMessage(false, false, false), NoAncestryMessage);
  EXPECT_EQ(*MissingChoiceMessage(true, false, false), NoSexMessage);
  EXPECT_EQ(*MissingChoiceMessage(true, true, false), NoModelMessage);
  EXPECT_FALSE(MissingChoiceMessage(true, true, true));
  EXPECT_TRUE(IsChoice("BLACK", AncestryChoices));
  EXPECT_TRUE(IsChoice("unknown", SexChoices));
  EXPECT_FALSE(IsChoice("Archaeological", ModelChoices));
  EXPECT_FALSE(IsChoice("", ModelChoices));
}

TEST(Selection, KnownComplexesCoverEveryScoreField) {
  std::size_t boxes = 0;
  for (const ComplexPairs& c : KnownComplexes()) boxes += 2 * c.pairBases.size();
  EXPECT_EQ(boxes, 66u);
  EXPECT_EQ(KnownComplexes()[1].pairBases.front(), "PUB_RELIEF_L");
  EXPECT_EQ(KnownComplexes()[2].pairBases.back(), "AUR_SPICUL_R");
}

TEST(Selection, RowRefusalsLeaveNothingChanged) {
  FakeRow row{test::AllCaseFields()};
  row.Set("SEX", "Male");
  row.Set("HAZARDFUNC", "Forensic");
  row.Set("PUB_RELIEF_L_LOW", "5");
  row.Set("PUB_RELIEF_L_UPPER", "3");
  RowResult r = AnalyzeRow(row, {}, {});
  EXPECT_EQ(r.outcome, RowOutcome::Refused);
  EXPECT_EQ(r.message, NoAncestryMessage);
  EXPECT_EQ(row.FieldAsText("PUB_RELIEF_L_LOW"), "5");

  // With the only scored complex left out, its pairs are tidied all the same.
  row.Set("RACE", "white");
  r = AnalyzeRow(row, {true, false, true}, {});
  EXPECT_EQ(r.message, NoDataTypesMessage);
  EXPECT_EQ(row.FieldAsText("PUB_RELIEF_L_LOW"), "3");
  const CaseRecord record = ReadCaseRecord(row, std::make_shared<const CaseLayout>(nullptr));
  EXPECT_TRUE(ComplexIsEmpty(record, 0));
  EXPECT_FALSE(ComplexIsEmpty(record, 1));
}

// A selected complex with an estimate but no probability of its test gets
// 1; one that is not selected, or has no estimate, is left alone.
TEST(Corrections, ProbabilitiesInTheResults) {
  TTransisionsAnalyseDataSet analysed;
  analysed.Complexes = std::make_unique<TraitComplex>();
  analysed.Complexes->Complexname = "PUBIS";
  analysed.Complexes->MLA = 40;
  analysed.Complexes->Next = std::make_unique<TraitComplex>();
  analysed.Complexes->Next->Complexname = "SUTURES";
  analysed.Complexes->Next->MLA = 50;
  analysed.Complexes->Next->DF = 2;
  analysed.Complexes->Next->PConsistensy = 0.3;
  const auto p = [&analysed](const ComplexSelection& selection, const char* field) {
    const CaseResults r = ResultsOfCase(1, &analysed, 95, {}, selection);
    const ResultValue* value = r.Field(field);
    return value != nullptr && std::holds_alternative<double>(*value) ? std::get<double>(*value) : -9.0;
  };
  EXPECT_EQ(p({true, true, true}, "RES_PUB_CHI2_P"), 1.0);
  EXPECT_EQ(p({true, true, true}, "RES_CRA_CHI2_P"), 0.3);
  EXPECT_EQ(p({true, true, true}, "RES_AUR_CHI2_P"), -9.0);  // no results: nothing to correct
  EXPECT_EQ(p({true, false, true}, "RES_PUB_CHI2_P"), -9.0);
}

TEST(Selection, ScoresAreCheckedBeforeAnyPairIsPutInOrder) {
  // Another tool wrote a 99 into a lower score: the fault is named under its
  // own field, and no pair of the row is swapped or stored before.
  FakeRow row{test::AllCaseFields()};
  row.Set("SEX", "Male");
  row.Set("RACE", "White");
  row.Set("HAZARDFUNC", "Forensic");
  row.Set("PUB_RELIEF_L_LOW", "5");
  row.Set("PUB_RELIEF_L_UPPER", "3");
  row.Set("AUR_SPICUL_R_LOW", "99");
  row.Set("AUR_SPICUL_R_UPPER", "2");
  const auto failure = [&row] {
    try {
      AnalyzeRow(row, {}, {});
    } catch (const AnalysisError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(failure(),
            "Field AUR_SPICUL_R_LOW holds the score 99; a score is a stage from 1 to 9, or -1 to withdraw the side");
  EXPECT_EQ(row.FieldAsText("AUR_SPICUL_R_LOW"), "99");
  EXPECT_EQ(row.FieldAsText("PUB_RELIEF_L_LOW"), "5");
  EXPECT_EQ(row.posts, 0);

  row.Set("AUR_SPICUL_R_LOW", "2.5");
  EXPECT_EQ(failure(), "Field AUR_SPICUL_R_LOW holds '2.5', which is not a whole number");
  EXPECT_EQ(row.FieldAsText("PUB_RELIEF_L_LOW"), "5");
}
