// Whether a row's stored results are those its scores and choices give now:
// the check analyses the row without touching it.
#include <gtest/gtest.h>

#include "FakeRow.h"
#include "params/CaseRun.h"
#include "params/ResultWriteBack.h"
#include "params/StoredResults.h"

using namespace vorla;
using test::FakeRow;

namespace {

constexpr ComplexSelection All{true, true, true};

class StoredResults : public ::testing::Test {
 protected:
  StoredResults() {
    row.Set("SEX", "Male");
    row.Set("RACE", "White");
    row.Set("HAZARDFUNC", "Forensic");
    row.Set("PUB_RELIEF_L_LOW", "3");
    row.Set("PUB_TEXTURE_L_LOW", "2");
    row.Set("AUR_MORSUP_R_LOW", "2");
    row.Set("AUR_MORSUP_R_UPPER", "3");
    settings.parameterFile = VORLA_TEST_PARAMETERS;
  }

  void Analyse(int level) {
    RunSettings at = settings;
    at.level = level;
    ASSERT_EQ(AnalyzeRow(row, All, at).outcome, RowOutcome::Analysed);
  }

  // Every field of the row as text, to see that a check changed nothing.
  std::map<std::string, std::optional<std::string>> Snapshot() const { return row.values; }

  FakeRow row{test::AllCaseFields()};
  RunSettings settings;
};

TEST_F(StoredResults, AnalysisRecordsItsLevelWithTheResults) {
  Analyse(99);
  EXPECT_EQ(RecordedLevel(row), 99);
  const double lower99 = row.FieldAsFloat("RES_ALL_LOW95P_CONF");
  Analyse(90);
  EXPECT_EQ(RecordedLevel(row), 90);
  EXPECT_GT(row.FieldAsFloat("RES_ALL_LOW95P_CONF"), lower99);

  // Nothing to analyse: the level goes with the results.
  row.Edit();
  for (const char* f : {"PUB_RELIEF_L_LOW", "PUB_TEXTURE_L_LOW", "AUR_MORSUP_R_LOW", "AUR_MORSUP_R_UPPER"})
    row.Clear(f);
  row.Set("PUB_RELIEF_L_LOW", "-1");
  EXPECT_EQ(AnalyzeRow(row, All, settings).outcome, RowOutcome::NoData);
  EXPECT_TRUE(row.FieldIsNull("RES_CI_LEVEL"));
  EXPECT_EQ(RecordedLevel(row), 0);
}

TEST_F(StoredResults, RowWithoutResultsIsNotAnalysedAndStaysUntouched) {
  const auto before = Snapshot();
  const StoredResultsCheck check = CheckStoredResults(row, All, settings);
  EXPECT_EQ(check.state, StoredState::None);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(row.posts, 0);
}

TEST_F(StoredResults, FreshResultsAreCurrentAtTheirOwnLevel) {
  Analyse(99);
  const auto before = Snapshot();
  const int posts = row.posts;
  // The window's level is 95 now: the check still compares at 99, recorded.
  settings.level = 95;
  settings.keepCase = true;
  const StoredResultsCheck check = CheckStoredResults(row, All, settings);
  int analysedComplexes = 0;
  for (const TraitComplex* c = check.analysedCase ? check.analysedCase->Complexes.get() : nullptr; c; c = c->Next.get())
    ++analysedComplexes;
  EXPECT_EQ(check.state, StoredState::Current);
  EXPECT_EQ(check.level, 99);
  EXPECT_FALSE(check.selection.UseCranialData);  // no cranial scores
  EXPECT_TRUE(check.selection.UsePubicData && check.selection.UseAuricularData);
  EXPECT_EQ(analysedComplexes, 2);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(row.posts, posts);
}

TEST_F(StoredResults, ChangedScoresOrChoicesMakeThemOutdated) {
  Analyse(95);
  const auto stale = [this](const char* field, const std::optional<std::string>& value) {
    FakeRow saved = row;
    value ? row.Set(field, *value) : row.Clear(field);
    const StoredState state = CheckStoredResults(row, All, settings).state;
    row = saved;
    return state;
  };
  EXPECT_EQ(stale("PUB_RELIEF_L_LOW", "5"), StoredState::Outdated);
  EXPECT_EQ(stale("CRA_PTERICA_LOW", "4"), StoredState::Outdated);  // a complex that had no scores
  EXPECT_EQ(stale("HAZARDFUNC", "Archeological"), StoredState::Outdated);
  EXPECT_EQ(stale("SEX", "Female"), StoredState::Outdated);
  EXPECT_EQ(stale("SEX", std::nullopt), StoredState::Outdated);  // Analyze would refuse it now
  EXPECT_EQ(stale("SKELETON_NAME", "renamed"), StoredState::Current);
  // A complex left out by its check box counts as a change of choice.
  EXPECT_EQ(CheckStoredResults(row, {true, false, true}, settings).state, StoredState::Outdated);
  // A stored value altered by hand.
  row.Edit();
  row.Set("RES_ALLCOR_UPPER95P_CONF", "99.9");
  const StoredResultsCheck altered = CheckStoredResults(row, All, settings);
  EXPECT_EQ(altered.state, StoredState::Outdated);
  ASSERT_EQ(altered.differences.size(), 1u);
  EXPECT_EQ(altered.differences[0].field, "RES_ALLCOR_UPPER95P_CONF");
  EXPECT_EQ(altered.differences[0].stored, "99.9");
}

TEST_F(StoredResults, OlderResultsWithoutLevelAreComparedAtTheChosenLevel) {
  Analyse(95);
  row.Edit();
  row.Clear("RES_CI_LEVEL");
  StoredResultsCheck check = CheckStoredResults(row, All, settings);
  EXPECT_EQ(check.state, StoredState::Current);
  EXPECT_EQ(check.level, 0);
  settings.level = 99;
  EXPECT_EQ(CheckStoredResults(row, All, settings).state, StoredState::Outdated);
}

TEST_F(StoredResults, UnreadableParameterFileLeavesResultsUnchecked) {
  Analyse(95);
  settings.parameterFile = "/no/such/Parameters.dat";
  const StoredResultsCheck check = CheckStoredResults(row, All, settings);
  EXPECT_EQ(check.state, StoredState::Unchecked);
  EXPECT_NE(check.message.find("/no/such/Parameters.dat"), std::string::npos) << check.message;
}

// The comparison takes numbers as numbers, a text (an open limit) as
// written, and an empty text as an empty field.
TEST(RowHoldsValue, NumbersAsNumbersTextsAsWritten) {
  FakeRow row{test::AllCaseFields()};
  row.Set("RES_ALL_MAX_LIKELIHOOD", "41.50");
  row.Set("RES_ALL_LOW95P_CONF", "15");
  EXPECT_TRUE(RowHoldsValue(row, "RES_ALL_MAX_LIKELIHOOD", 41.5));
  EXPECT_FALSE(RowHoldsValue(row, "RES_ALL_MAX_LIKELIHOOD", 41.4));
  EXPECT_FALSE(RowHoldsValue(row, "RES_ALL_MAX_LIKELIHOOD", ResultValue()));
  EXPECT_TRUE(RowHoldsValue(row, "RES_ALL_LOW95P_CONF", std::string("15")));
  EXPECT_FALSE(RowHoldsValue(row, "RES_ALL_LOW95P_CONF", std::string("15.0")));
  EXPECT_TRUE(RowHoldsValue(row, "RES_ALL_CHI2", ResultValue()));
  EXPECT_TRUE(RowHoldsValue(row, "RES_ALL_CHI2", std::string()));
  EXPECT_FALSE(RowHoldsValue(row, "RES_ALL_CHI2", 0));
}

}  // namespace

// Results name the set that made them: results of another set are out of
// date whatever their numbers, and results stored before the set was
// recorded are current only when the set in use reproduces them.
TEST_F(StoredResults, ResultsOfAnotherSetAreNotCurrent) {
  Analyse(95);
  const std::string sha = row.FieldAsText("RES_PARAM_SHA256");
  EXPECT_EQ(sha.size(), 64u);
  EXPECT_EQ(row.FieldAsText("RES_PARAM_DEMO"), "1");  // the test set says it is a demonstration
  EXPECT_EQ(CheckStoredResults(row, All, settings).state, StoredState::Current);

  row.Edit();
  row.Set("RES_PARAM_SHA256", std::string(64, 'a'));
  EXPECT_EQ(CheckStoredResults(row, All, settings).state, StoredState::OtherSet);

  row.Clear("RES_PARAM_SHA256");
  row.Clear("RES_PARAM_DEMO");
  EXPECT_EQ(CheckStoredResults(row, All, settings).state, StoredState::Current);
  row.Set("RES_ALL_MAX_LIKELIHOOD", "99.9");
  EXPECT_EQ(CheckStoredResults(row, All, settings).state, StoredState::Outdated);
}
