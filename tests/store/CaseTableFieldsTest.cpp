// Reading and writing fields of the current row.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "PgTestSupport.h"
#include "TestSupport.h"
#include "store/CaseTable.h"

namespace vorla {
namespace {

class CaseTableFields : public ::testing::TestWithParam<test::Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == test::Backend::Postgres) VORLA_REQUIRE_PG();
    table.Open(store.Location());
    table.Append();
  }

  // Posts the row and reads it back from the file.
  void Reopen() {
    table.Post();
    table.Close();
    table.Open(store.Location());
    table.Edit();
  }

  void ExpectError(const std::function<void()>& action, const std::string& message) {
    try {
      action();
      ADD_FAILURE() << "no error, expected: " << message;
    } catch (const StoreError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }

  test::TestStore store{GetParam()};
  const test::TestFolder& folder = store.Folder();
  CaseTable table;
};

TEST_P(CaseTableFields, NamesAreMatchedWithoutRegardToCase) {
  table.SetFieldFloat("Res_All_Max_LIKELIHOOD", 37.2);
  table.SetFieldInteger("PUB_TEXTURE_L_Low", 2);
  table.SetFieldText("Sex", "Male");
  Reopen();
  EXPECT_EQ(table.FieldAsFloat("RES_ALL_MAX_LIKELIHOOD"), 37.2);
  EXPECT_EQ(table.FieldAsInteger("pub_texture_l_low"), 2);
  EXPECT_EQ(table.FieldAsText("SEX"), "Male");

  const std::string missing = "Field 'Foo_Low' not found";
  ExpectError([&] { table.FieldIsNull("Foo_Low"); }, missing);
  ExpectError([&] { table.SetFieldInteger("Foo_Low", 1); }, missing);
  ExpectError([&] { table.DisplayText("Foo_Low"); }, missing);
  EXPECT_THROW(table.FieldAsText("SKELETON_NAME_"), FieldNotFound);
}

TEST_P(CaseTableFields, EmptyDiffersFromZeroAndReadsAsZero) {
  table.SetFieldInteger("RES_ALL_DEGFREE", 0);
  table.SetFieldFloat("RES_ALL_CHI2", 0.0);
  table.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 42.3);
  table.SetFieldFloat("RES_ALL_UPPER95P_CONF", 110.0);
  table.SetFieldInteger("CRA_PTERICA_LOW", 4);
  table.SetFieldNull("CRA_PTERICA_LOW");
  Reopen();
  EXPECT_FALSE(table.FieldIsNull("RES_ALL_DEGFREE"));
  EXPECT_EQ(table.FieldAsText("RES_ALL_CHI2"), "0");
  EXPECT_EQ(table.FieldAsText("RES_ALL_MAX_LIKELIHOOD"), "42.3");
  EXPECT_EQ(table.FieldAsText("RES_ALL_UPPER95P_CONF"), "110");
  EXPECT_TRUE(table.FieldIsNull("CRA_PTERICA_LOW"));
  EXPECT_TRUE(IsNull(table.FieldAsValue("RES_ALL_CHI2_P")));
  EXPECT_EQ(table.FieldAsInteger("RES_ALL_CHI2_P"), 0);
  EXPECT_EQ(table.FieldAsFloat("RES_ALL_CHI2_P"), 0.0);
  EXPECT_EQ(table.FieldAsText("RES_ALL_CHI2_P"), "");
}

TEST_P(CaseTableFields, TextIsConvertedForNumericFields) {
  table.SetFieldText("RES_ALL_MAX_LIKELIHOOD", "15");
  table.SetFieldText("PUB_RELIEF_R_LOW", " 5 ");
  table.SetFieldText("RES_PUB_CHI2", "-1.5e1");
  table.SetFieldText("SKELETON_NAME", "  ");
  Reopen();
  EXPECT_EQ(table.FieldAsValue("RES_ALL_MAX_LIKELIHOOD"), FieldValue{15.0});
  EXPECT_EQ(table.FieldAsValue("PUB_RELIEF_R_LOW"), FieldValue{std::int64_t{5}});
  EXPECT_EQ(table.FieldAsFloat("RES_PUB_CHI2"), -15.0);
  EXPECT_EQ(table.FieldAsText("SKELETON_NAME"), "  ");  // a text field keeps its blanks

  table.SetFieldText("RES_ALL_MAX_LIKELIHOOD", "");
  table.SetFieldText("PUB_RELIEF_R_LOW", " ");
  EXPECT_TRUE(table.FieldIsNull("RES_ALL_MAX_LIKELIHOOD"));
  EXPECT_TRUE(table.FieldIsNull("PUB_RELIEF_R_LOW"));

  ExpectError([&] { table.SetFieldText("pub_relief_r_low", "abc"); },
              "'abc' is not a valid integer value for field PUB_RELIEF_R_LOW");
  for (const char* bad : {"3.5", "1-", "99999999999", "0x10"}) {
    EXPECT_THROW(table.SetFieldText("RES_ALL_DEGFREE", bad), StoreError) << bad;
  }
  for (const char* bad : {"x", "1e400", "nan", "inf", "1,5"}) {
    EXPECT_THROW(table.SetFieldText("RES_ALL_CHI2", bad), StoreError) << bad;
  }
  EXPECT_TRUE(table.FieldIsNull("RES_ALL_CHI2"));
}

TEST_P(CaseTableFields, NonFiniteNumbersAreRefused) {
  table.SetFieldFloat("RES_ALL_CHI2", 1.5);
  for (const double bad :
       {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(table.SetFieldFloat("RES_ALL_CHI2", bad), StoreError);
    EXPECT_THROW(table.SetFieldFloat("RES_ALL_DEGFREE", bad), StoreError);
  }
  EXPECT_EQ(table.FieldAsFloat("RES_ALL_CHI2"), 1.5);
  EXPECT_TRUE(table.FieldIsNull("RES_ALL_DEGFREE"));
}

TEST_P(CaseTableFields, WritingNeedsTheEditStateAndLeavesTheKeyAlone) {
  table.Post();
  ExpectError([&] { table.SetFieldInteger("CRA_PTERICA_LOW", 1); }, "Table is not in edit mode");
  table.Edit();
  EXPECT_THROW(table.SetFieldInteger("SKELETON_ID", 99), StoreError);
  EXPECT_FALSE(table.Modified());
}

TEST_P(CaseTableFields, RestoringGivesBackTheValueTheEditBeganWith) {
  table.SetFieldText("SEX", "Female");
  table.RestoreField("SEX");  // a new row's field is empty again
  EXPECT_TRUE(table.FieldIsNull("SEX"));
  table.SetFieldText("SEX", "Female");
  table.SetFieldText("RACE", "White");
  Reopen();
  table.SetFieldText("SEX", "Male");
  table.SetFieldText("RACE", "Black");
  table.RestoreField("SEX");
  EXPECT_EQ(table.FieldAsText("SEX"), "Female");
  EXPECT_TRUE(table.Modified());  // RACE is still changed
  table.RestoreField("RACE");
  EXPECT_EQ(table.FieldAsText("RACE"), "White");
  EXPECT_FALSE(table.Modified());
  table.Post();
  table.RestoreField("SEX");  // nothing to give back in the browse state
  EXPECT_EQ(table.FieldAsText("SEX"), "Female");
}

TEST_P(CaseTableFields, NotesKeepAnyText) {
  std::string long_text;
  for (int i = 0; i < 20000; ++i) long_text += "line " + std::to_string(i) + " \"q\" 'a', ü\n";
  for (const std::string& text :
       {std::string("He said \"fused\"; it's 'odd'\r\nnext\n\ttab"), std::string("Grüße, 骨, ñ — ✓"), long_text}) {
    table.SetFieldText("ta_notes", text);
    Reopen();
    EXPECT_EQ(table.FieldAsText("TA_Notes"), text);
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, CaseTableFields, ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         [](const auto& param) { return test::BackendName(param.param); });

}  // namespace
}  // namespace vorla
