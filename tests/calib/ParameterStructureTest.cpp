// Reading the whole structure of a parameter file and writing it back.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CalibTestSupport.h"
#include "calib/ParameterStructure.h"
#include "calib/ParameterWriter.h"
#include "params/ParameterErrors.h"
#include "params/ParameterReader.h"

using namespace vorla;
using namespace vorla::calib;

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

std::string FailureOf(const std::string& text) {
  try {
    ParameterStructureFromText(text, "p.dat");
  } catch (const ParameterFileError& e) {
    return e.what();
  }
  return "(no failure)";
}

}  // namespace

TEST(ParameterStructure, HoldsEveryComponentWithAllGroupsAndRecoding) {
  const ParameterStructure s = test::SmallStructure();
  EXPECT_EQ(s.versionNote, "small test set");
  EXPECT_EQ(s.groups, 4);
  ASSERT_EQ(s.complexes.size(), 2u);
  const ComplexStructure& pubis = s.complexes[1];
  EXPECT_EQ(pubis.name, "PUBIS");
  EXPECT_EQ(pubis.headerNumber, 2);
  EXPECT_DOUBLE_EQ(pubis.resvar, 1.2);
  ASSERT_EQ(pubis.components.size(), 1u);
  const ComponentStructure& k = pubis.components[0];
  EXPECT_EQ(k.name, "PUB_TEXTURE");
  EXPECT_EQ(k.comment, "right and left");
  EXPECT_TRUE(k.Paired());
  EXPECT_EQ(k.transitions, 3);
  EXPECT_EQ(k.recoding[4], 4);  // score 5 stands for stage 4
  EXPECT_EQ(k.recoding[5], 0);
  ASSERT_EQ(k.rows.size(), 12u);
  EXPECT_DOUBLE_EQ(k.Row(1, 3, 4).a, -4.2);  // transition 2, group 3
  EXPECT_EQ(k.Row(2, 4, 4).label, 4);
  EXPECT_EQ(k.ScoreOfStage(4), 4);  // the lowest score of stage 4
  EXPECT_EQ(k.ScoreOfStage(5), 0);
  EXPECT_EQ(ScoreFields(k), (std::vector<std::string>{"PUB_TEXTURE_R_LOW", "PUB_TEXTURE_R_UPPER", "PUB_TEXTURE_L_LOW",
                                                      "PUB_TEXTURE_L_UPPER"}));
  EXPECT_EQ(ScoreFields(s.complexes[0].components[0]),
            (std::vector<std::string>{"CRA_SAGITTAL_LOW", "CRA_SAGITTAL_UPPER"}));
}

TEST(ParameterStructure, WrittenFileReadsBackToTheSameNumbersForTheAnalysis) {
  ParameterStructure s = test::SmallStructure();
  // Numbers that need all seventeen digits, or an exponent, to come back.
  ComponentStructure& k = s.complexes[1].components[0];
  k.Row(0, 2, 4).a = 0.1 + 0.2;
  k.Row(0, 2, 4).b = 1.0 / 3.0;
  k.Row(1, 4, 4).a = -std::numeric_limits<double>::denorm_min();
  k.Row(2, 1, 4).b = 6.02214076e23;
  s.complexes[0].resvar = 1.0 + std::numeric_limits<double>::epsilon();
  const std::string text = ParameterFileText(s, "calibrated on x.csv\nwith a line break");
  EXPECT_EQ(text.substr(0, text.find('\n')), "0.11  calibrated on x.csv with a line break");

  const ParameterStructure back = ParameterStructureFromText(text, "back.dat");
  EXPECT_EQ(back.complexes[0].resvar, s.complexes[0].resvar);
  EXPECT_EQ(back.complexes[1].comment, s.complexes[1].comment);
  EXPECT_EQ(back.complexes[1].components[0].comment, "right and left");
  for (std::size_t c = 0; c < s.complexes.size(); ++c)
    for (std::size_t i = 0; i < s.complexes[c].components.size(); ++i) {
      const ComponentStructure& a = s.complexes[c].components[i];
      const ComponentStructure& b = back.complexes[c].components[i];
      EXPECT_EQ(a.recoding, b.recoding);
      ASSERT_EQ(a.rows.size(), b.rows.size());
      for (std::size_t r = 0; r < a.rows.size(); ++r) {
        EXPECT_EQ(a.rows[r].label, b.rows[r].label);
        EXPECT_EQ(a.rows[r].a, b.rows[r].a) << a.name << " row " << r;
        EXPECT_EQ(a.rows[r].b, b.rows[r].b) << a.name << " row " << r;
      }
    }

  // The analysis's own reader takes the same numbers for a scored case.
  const ScoreSource scored = [](const std::string&, std::int32_t) { return ScorePairs{2, 2, 0, 0}; };
  const ParameterSet group2 = ReadParameterText(text, "back.dat", 2, scored, {});
  const TraitComponent& texture = *group2.Complexes->Next->Components;
  EXPECT_EQ(texture.a[0], 0.1 + 0.2);
  EXPECT_EQ(texture.b[0], 1.0 / 3.0);
  EXPECT_EQ(group2.Complexes->Resvar, 1.0 + std::numeric_limits<double>::epsilon());
}

TEST(ParameterStructure, FaultsNameTheLine) {
  const std::string text = test::SmallParameterText;
  EXPECT_NE(FailureOf(Replaced(text, "2 -5.4 0.20", "2 -5.4 O.20")).find("p.dat, line 22"), std::string::npos);
  EXPECT_NE(FailureOf(Replaced(text, "3 1 2 3 4 4 0", "11 1 2 3 4 4 0")).find("line 20: a component has 1 to 10"),
            std::string::npos);
  EXPECT_NE(FailureOf(Replaced(text, "3 1 2 3 4 4 0", "3 1 2 3 5 4 0")).find("line 20: a recoding entry"),
            std::string::npos);
  EXPECT_NE(FailureOf(Replaced(text, "2 PUBIS\n1.2", "2 PUBIS\n-1")).find("line 18"), std::string::npos);
  EXPECT_NE(
      FailureOf(Replaced(text, "1 CRA_SAGITTAL", "1 # no name")).find("line 6: a component header without a name"),
      std::string::npos);
  EXPECT_THROW(ParameterStructureFromText(Replaced(text, "0.11", "0.12"), "p.dat"), ParameterVersionError);
}

TEST(ParameterStructure, ABlankLineInsideABlockIsRefusedRatherThanReadDifferently) {
  // The analysis skips the rows of other groups by counting lines, so a
  // blank line shifts every row after it; the structure would read the rows
  // one by one. The two must not differ silently.
  const std::string text = Replaced(test::SmallParameterText, "2 -3.3 0.10 0 0 0\n", "2 -3.3 0.10 0 0 0\n\n");
  EXPECT_NE(FailureOf(text).find(": the line ends before the row of transition"), std::string::npos);
}

TEST(ParameterStructure, CalibrationNeedsFourGroups) {
  const std::string text = "0.11\n1\n1.0\n1 SUTURES\n1.0\n1 CRA_SAGITTAL\n1 1 2 0 0 0 0 0 0 0\n1 -3 0.1 0 0 0\n0\n0\n";
  const ParameterStructure s = ParameterStructureFromText(text, "one.dat");
  EXPECT_EQ(s.groups, 1);
  EXPECT_THROW(RequireFourGroups(s), ParameterFileError);
  EXPECT_NO_THROW(RequireFourGroups(test::SmallStructure()));
}
