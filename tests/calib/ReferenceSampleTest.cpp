// Reading a reference sample: scores normalised as for an analysis, and
// every fault reported with its line.
#include <gtest/gtest.h>

#include "CalibTestSupport.h"
#include "calib/ReferenceSample.h"

using namespace vorla::calib;

namespace {

const std::string Header =
    "SKELETON_NAME,SEX,RACE,AGE,CRA_SAGITTAL_LOW,CRA_SAGITTAL_UPPER,"
    "PUB_TEXTURE_R_LOW,PUB_TEXTURE_R_UPPER,PUB_TEXTURE_L_LOW,PUB_TEXTURE_L_UPPER\n";

ReferenceSample Parse(const std::string& lines, const ReferenceOptions& options = {}) {
  return ParseReferenceSample(Header + lines, "ref.csv", test::SmallStructure(), options);
}

std::string FaultsOf(const std::string& text, const ReferenceOptions& options = {}) {
  try {
    ParseReferenceSample(text, "ref.csv", test::SmallStructure(), options);
  } catch (const ReferenceSampleError& e) {
    return e.what();
  }
  return "(accepted)";
}

struct Sides {
  int lowR, highR, lowL, highL;
};
Sides TextureOf(const ReferenceIndividual& person) {
  const ComponentStages& s = person.stages[1];
  return {s.low[0], s.high[0], s.low[1], s.high[1]};
}
bool operator==(const Sides& x, const Sides& y) {
  return x.lowR == y.lowR && x.highR == y.highR && x.lowL == y.lowL && x.highL == y.highL;
}
std::ostream& operator<<(std::ostream& out, const Sides& s) {
  return out << s.lowR << "-" << s.highR << " / " << s.lowL << "-" << s.highL;
}

}  // namespace

TEST(ReferenceSample, ScoresAreNormalisedAsForAnAnalysis) {
  const ReferenceSample sample = Parse(
      "a,Female,White,40,2,,3,,2,4\n"     // missing upper = lower; an interval on the left
      "b,Male,White,41,,,-1,4,3,3\n"      // -1 withdraws the right side
      "c,Male,Black,42,,,3,3,3,3\n"       // identical sides count once
      "d,Unknown,Black,43,,,5,,,\n"       // score 5 stands for stage 4
      "e,female,unknown,44,3,1,,2,1,1\n"  // a reversed pair is put in order; a lone upper becomes the lower
      "f,Male,White,45,,,,,,\n");         // nothing scored
  ASSERT_EQ(sample.individuals.size(), 6u);
  const auto& p = sample.individuals;
  EXPECT_EQ(p[0].line, 2);
  EXPECT_DOUBLE_EQ(p[0].age, 40.0);
  EXPECT_EQ(p[0].stages[0].low[0], 2);
  EXPECT_EQ(p[0].stages[0].high[0], 2);
  EXPECT_EQ(p[0].stages[0].low[1], 0);  // an unpaired trait has one side
  EXPECT_EQ(TextureOf(p[0]), (Sides{3, 3, 2, 4}));
  EXPECT_EQ(TextureOf(p[1]), (Sides{0, 0, 3, 3}));
  EXPECT_EQ(TextureOf(p[2]), (Sides{3, 3, 0, 0}));
  EXPECT_EQ(TextureOf(p[3]), (Sides{4, 4, 0, 0}));
  EXPECT_EQ(p[4].stages[0].low[0], 1);
  EXPECT_EQ(p[4].stages[0].high[0], 3);
  EXPECT_EQ(TextureOf(p[4]), (Sides{2, 2, 1, 1}));
  EXPECT_FALSE(p[5].stages[0].Scored());
  EXPECT_FALSE(p[5].stages[1].Scored());
  EXPECT_EQ((std::vector<int>{p[0].group, p[1].group, p[2].group, p[3].group, p[4].group}),
            (std::vector<int>{1, 2, 4, 3, 1}));
}

TEST(ReferenceSample, RowsCarryTheCellsIntoTheCaseFields) {
  const ReferenceSample sample = Parse("  skull 7 , Male ,White, 52.5 , 3 ,,,,,\n");
  const ReferenceIndividual& person = sample.individuals.front();
  EXPECT_DOUBLE_EQ(person.age, 52.5);
  vorla::calib::MemoryRow row = sample.Row(person, 12);
  EXPECT_EQ(row.FieldAsInteger("skeleton_id"), 12);
  EXPECT_EQ(row.FieldAsText("Skeleton_Name"), "  skull 7 ");
  EXPECT_EQ(row.FieldAsText("SEX"), "Male");  // as the Analyze action compares it
  EXPECT_EQ(person.group, 2);
  EXPECT_EQ(row.FieldAsText("CRA_SAGITTAL_LOW"), "3");  // as the case table keeps a score
  EXPECT_TRUE(row.FieldIsNull("PUB_TEXTURE_R_LOW"));
  EXPECT_TRUE(row.FieldIsNull("RES_ALL_MAX_LIKELIHOOD"));
  EXPECT_THROW(row.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 40.0), std::runtime_error);  // not being edited
  row.Edit();
  row.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 40.25);
  EXPECT_DOUBLE_EQ(row.FieldAsFloat("res_all_max_likelihood"), 40.25);
  EXPECT_THROW(row.FieldAsText("AGE_AT_DEATH"), std::runtime_error);
}

TEST(ReferenceSample, AgeFaultsNameTheirLines) {
  const std::string faults = FaultsOf(Header +
                                      "a,Female,White,40,2,,,,,\n"
                                      "b,Female,White,,2,,,,,\n"
                                      "c,Female,White,14.9,2,,,,,\n"
                                      "d,Female,White,110.5,2,,,,,\n"
                                      "e,Female,White,forty,2,,,,,\n"
                                      "f,Female,White,110,2,,,,,\n");
  EXPECT_NE(faults.find("ref.csv cannot be used"), std::string::npos);
  EXPECT_NE(faults.find("line 3: AGE is missing"), std::string::npos);
  EXPECT_NE(faults.find("line 4: AGE 14.9 lies outside 15 to 110 years"), std::string::npos);
  EXPECT_NE(faults.find("line 5: AGE 110.5 lies outside"), std::string::npos);
  EXPECT_NE(faults.find("line 6: AGE 'forty' is not a number"), std::string::npos);
  EXPECT_EQ(faults.find("line 2"), std::string::npos);
  EXPECT_EQ(faults.find("line 7"), std::string::npos);  // 110 is the last age of the grid
}

TEST(ReferenceSample, ScoreFaultsNameLineFieldAndStageTable) {
  const std::string faults = FaultsOf(Header +
                                      "a,Female,White,40,4,,,,,\n"   // CRA_SAGITTAL has scores 1 to 3
                                      "b,Female,White,40,,,2,6,,\n"  // PUB_TEXTURE has no stage for 6
                                      "c,Female,White,40,12,,,,,\n"
                                      "d,Female,White,40,2.5,,,,,\n");
  EXPECT_NE(faults.find("line 2: field CRA_SAGITTAL_LOW: the score 4 is outside the stage table of CRA_SAGITTAL "
                        "(its scores are 1 to 3)"),
            std::string::npos);
  EXPECT_NE(faults.find("line 3: field PUB_TEXTURE_R_UPPER: the score 6 is outside the stage table of PUB_TEXTURE "
                        "(its scores are 1 to 5)"),
            std::string::npos);
  EXPECT_NE(faults.find("line 4: field CRA_SAGITTAL_LOW: '12' is not a stage score"), std::string::npos);
  EXPECT_NE(faults.find("line 5: field CRA_SAGITTAL_LOW: '2.5' is not a stage score"), std::string::npos);
}

TEST(ReferenceSample, ChoicesAndShapeFaults) {
  const std::string faults = FaultsOf(Header +
                                      "a,M,White,40,2,,,,,\n"
                                      "b,Female,Asian,40,2,,,,,\n");
  EXPECT_NE(faults.find("line 2: SEX 'M' is not Female, Male or Unknown"), std::string::npos);
  EXPECT_NE(faults.find("line 3: RACE 'Asian' is not White, Black or Unknown"), std::string::npos);
  EXPECT_NE(FaultsOf(Header + "c,Female,White,40,2,,,,\n").find("line 2: 9 cells where the header has 10"),
            std::string::npos);
  EXPECT_NE(FaultsOf(Header + "c,Female,White,40,2,,,,,\n\"d,Female,White,40,2,,,,,\n")
                .find("line 3: a quoted cell is not closed"),
            std::string::npos);
  EXPECT_NE(FaultsOf(Header).find("line 1: the file holds no individuals"), std::string::npos);
  EXPECT_NE(FaultsOf("").find("the file is empty"), std::string::npos);

  const std::string model = FaultsOf(Header + "a,Female,White,40,2,,,,,\n", {.needModel = true, .placeOfLine = {}});
  EXPECT_NE(model.find("line 1: the file lacks the column HAZARDFUNC"), std::string::npos);
  const std::string withModel =
      "HAZARDFUNC," + Header + "Forensic,a,Female,White,40,2,,,,,\nforensics,b,Male,White,41,2,,,,,\n";
  EXPECT_NE(FaultsOf(withModel, {.needModel = true, .placeOfLine = {}})
                .find("line 3: HAZARDFUNC 'forensics' is not Archeological or Forensic"),
            std::string::npos);
  EXPECT_EQ(FaultsOf(withModel, {.needModel = false, .placeOfLine = {}}), "(accepted)");
}

TEST(ReferenceSample, ColumnFaultsAreFoundBeforeAnyLine) {
  const std::string noAge = FaultsOf(
      "SEX,RACE,CRA_SAGITTAL_LOW,CRA_SAGITTAL_UPPER,PUB_TEXTURE_R_LOW,PUB_TEXTURE_L_LOW,PUB_TEXTURE_L_UPPER\n"
      "Female,White,x,,,,\n");
  EXPECT_NE(noAge.find("line 1: the file lacks the columns AGE, PUB_TEXTURE_R_UPPER"), std::string::npos);
  EXPECT_EQ(noAge.find("line 2"), std::string::npos);
  const std::string unknown = FaultsOf(
      "AGES,SEX,RACE,AGE,sex,CRA_SAGITTAL_LOW,CRA_SAGITTAL_UPPER,"
      "PUB_TEXTURE_R_LOW,PUB_TEXTURE_R_UPPER,PUB_TEXTURE_L_LOW,PUB_TEXTURE_L_UPPER\n");
  EXPECT_NE(unknown.find("line 1: unknown column 'AGES'"), std::string::npos);
  EXPECT_NE(unknown.find("line 1: the column SEX appears more than once"), std::string::npos);
}

TEST(ReferenceSample, AgeClasses) {
  EXPECT_EQ(AgeClass(15.0), 0);
  EXPECT_EQ(AgeClass(29.99), 0);
  EXPECT_EQ(AgeClass(30.0), 1);
  EXPECT_EQ(AgeClass(49.99), 1);
  EXPECT_EQ(AgeClass(50.0), 2);
  EXPECT_EQ(AgeClass(69.99), 2);
  EXPECT_EQ(AgeClass(70.0), 3);
  EXPECT_EQ(AgeClass(110.0), 3);
}
