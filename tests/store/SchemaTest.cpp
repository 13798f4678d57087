#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "store/Schema.h"

namespace vorla {
namespace {

std::vector<std::string> HeaderOf(const std::string& file) {
  std::stringstream line(test::ReadText(std::string(VORLA_STORE_TEST_DATA "/") + file));
  std::string header;
  std::getline(line, header);
  std::stringstream cells(header);
  std::vector<std::string> names;
  for (std::string name; std::getline(cells, name, ',');) names.push_back(name);
  return names;
}

TEST(Schema, FieldsFollowTheColumnOrderOfCaseAndResultFiles) {
  const auto fields = CaseFields();
  ASSERT_EQ(fields.size(), 105u);
  EXPECT_EQ(fields[0].name, "SKELETON_ID");
  EXPECT_EQ(fields[0].kind, FieldKind::Key);
  EXPECT_EQ(fields[100].name, "TA_Notes");
  EXPECT_EQ(fields[100].kind, FieldKind::Text);
  EXPECT_EQ(fields[101].name, "RES_CI_LEVEL");
  EXPECT_EQ(fields[101].kind, FieldKind::Integer);
  EXPECT_EQ(fields[103].name, "RES_PARAM_SHA256");
  EXPECT_EQ(fields[104].name, "RES_PARAM_DEMO");

  // Name, sex, race, hazard, then the 66 scores; then the 29 results.
  auto names = HeaderOf("one_case.csv");
  const auto results = HeaderOf("one_case_results.csv");
  ASSERT_EQ(names.size(), 70u);
  ASSERT_EQ(results.size(), 29u);
  names.insert(names.end(), results.begin(), results.end());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const FieldInfo& field = fields[i + 1];
    EXPECT_EQ(field.name, names[i]);
    const bool score = i >= 4 && i < 70;
    EXPECT_EQ(field.is_score, score) << names[i];
    const FieldKind kind = i < 4                                    ? FieldKind::Text
                           : score || names[i].ends_with("DEGFREE") ? FieldKind::Integer
                                                                    : FieldKind::Real;
    EXPECT_EQ(field.kind, kind) << names[i];
  }
}

}  // namespace
}  // namespace vorla
