#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "store/Schema.h"

namespace vorla {
namespace {

std::vector<std::string> SplitHeader(const std::string& line) {
  std::vector<std::string> names;
  std::stringstream stream(line);
  for (std::string name; std::getline(stream, name, ',');) names.push_back(name);
  return names;
}

TEST(Schema, FieldsFollowTheCaseFileColumnOrder) {
  const auto fields = CaseFields();
  ASSERT_EQ(fields.size(), 101u);
  EXPECT_EQ(fields[0].name, "SKELETON_ID");
  EXPECT_EQ(fields[0].kind, FieldKind::Key);
  EXPECT_EQ(fields.back().name, "TA_Notes");
  EXPECT_EQ(fields.back().kind, FieldKind::Text);

  // The identification, model choices and 66 scores, as a case file heads them.
  std::string text = test::ReadText(VORLA_STORE_TEST_DATA "/one_case.csv");
  const auto header = SplitHeader(text.substr(0, text.find('\n')));
  ASSERT_EQ(header.size(), 70u);
  for (std::size_t i = 0; i < header.size(); ++i) {
    EXPECT_EQ(fields[i + 1].name, header[i]) << "column " << i + 1;
    EXPECT_EQ(fields[i + 1].is_score, i >= 4) << header[i];
    EXPECT_EQ(fields[i + 1].kind, i >= 4 ? FieldKind::Integer : FieldKind::Text) << header[i];
  }

  const auto results = SplitHeader(
      "RES_ALL_MAX_LIKELIHOOD,RES_ALL_STD_ERROR,RES_ALL_LOW95P_CONF,RES_ALL_UPPER95P_CONF,"
      "RES_ALL_DEGFREE,RES_ALL_CHI2,RES_ALL_CHI2_P,RES_ALLCOR_MAX_LIKELIHOOD,"
      "RES_ALLCOR_STD_ERROR,RES_ALLCOR_LOW95P_CONF,RES_ALLCOR_UPPER95P_CONF,"
      "RES_PUB_MAX_LIKELIHOOD,RES_PUB_LOW95P_CONF,RES_PUB_UPPER95P_CONF,RES_PUB_DEGFREE,"
      "RES_PUB_CHI2,RES_PUB_CHI2_P,RES_AUR_MAX_LIKELIHOOD,RES_AUR_LOW95P_CONF,"
      "RES_AUR_UPPER95P_CONF,RES_AUR_DEGFREE,RES_AUR_CHI2,RES_AUR_CHI2_P,"
      "RES_CRA_MAX_LIKELIHOOD,RES_CRA_LOW95P_CONF,RES_CRA_UPPER95P_CONF,RES_CRA_DEGFREE,"
      "RES_CRA_CHI2,RES_CRA_CHI2_P");
  ASSERT_EQ(results.size(), 29u);
  for (std::size_t i = 0; i < results.size(); ++i) {
    const FieldInfo& field = fields[71 + i];
    EXPECT_EQ(field.name, results[i]);
    EXPECT_FALSE(field.is_score);
    const bool degfree = results[i].ends_with("DEGFREE");
    EXPECT_EQ(field.kind, degfree ? FieldKind::Integer : FieldKind::Real) << results[i];
  }
}

TEST(Schema, NamesAreFoundWithoutRegardToCase) {
  EXPECT_EQ(FindCaseField("Res_All_Max_LIKELIHOOD"), FindCaseField("RES_ALL_MAX_LIKELIHOOD"));
  EXPECT_EQ(FindCaseField("PUB_TEXTURE_L_Low"), FindCaseField("PUB_TEXTURE_L_LOW"));
  EXPECT_EQ(FindCaseField("ta_notes"), 100);
  EXPECT_EQ(FindCaseField("Sex"), 2);
  EXPECT_EQ(FindCaseField("FOO_LOW"), -1);
  EXPECT_EQ(FindCaseField(""), -1);
  EXPECT_EQ(FindCaseField("SEX "), -1);
}

}  // namespace
}  // namespace vorla
