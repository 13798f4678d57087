// The score fields of traits of one's own and the documented age, on both back ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "PgTestSupport.h"
#include "TestSupport.h"
#include "store/CaseCsv.h"
#include "store/CaseTable.h"

namespace vorla {
namespace {

// Declares the traits for the test and takes them away again after it.
struct DeclaredTraits {
  explicit DeclaredTraits(const std::vector<OwnTraitColumns>& traits) { DeclareOwnTraits(traits); }
  ~DeclaredTraits() { DeclareOwnTraits({}); }
};

const std::vector<OwnTraitColumns> kOwn = {{"apex", true}, {"SURF", false}};

class OwnFields : public ::testing::TestWithParam<test::Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == test::Backend::Postgres) VORLA_REQUIRE_PG();
  }

  test::TestStore store{GetParam()};
  const test::TestFolder& folder = store.Folder();
};

TEST_P(OwnFields, OpeningWithOwnTraitsAddsTheirScoreFieldsAndKeepsTheRows) {
  {
    CaseTable table;
    table.Open(store.Location());
    table.Append();
    table.SetFieldText("SKELETON_NAME", "before");
    table.SetFieldInteger("PUB_RELIEF_R_LOW", 3);
    table.Post();
    EXPECT_THROW(table.FieldAsInteger("APEX_R_LOW"), FieldNotFound);
  }
  const DeclaredTraits declared(kOwn);
  EXPECT_EQ(CaseFields().size(), BuiltInFieldCount() + 6);
  EXPECT_EQ(CaseFields().back().name, "SURF_UPPER");
  EXPECT_FALSE(IsBuiltInField("APEX_R_LOW"));
  EXPECT_TRUE(IsCaseField("apex_l_upper"));

  CaseTable table;
  table.Open(store.Location());
  ASSERT_EQ(table.RecordCount(), 1);
  EXPECT_EQ(table.FieldAsText("SKELETON_NAME"), "before");
  EXPECT_EQ(table.FieldAsInteger("PUB_RELIEF_R_LOW"), 3);
  EXPECT_TRUE(table.FieldIsNull("APEX_R_LOW"));
  table.Edit();
  table.SetFieldInteger("apex_r_low", 4);
  table.SetFieldInteger("APEX_L_UPPER", 5);
  table.SetFieldInteger("SURF_LOW", 2);
  table.Post();
  table.Close();

  // Opened again, nothing more is added and the scores are there.
  table.Open(store.Location());
  EXPECT_EQ(table.FieldAsInteger("APEX_R_LOW"), 4);
  EXPECT_EQ(table.FieldAsInteger("APEX_L_UPPER"), 5);
  EXPECT_EQ(table.FieldAsInteger("SURF_LOW"), 2);
  EXPECT_TRUE(table.FieldIsNull("SURF_UPPER"));

  // Export and import carry the columns under their own names.
  const std::string file = folder.File("own.csv");
  ASSERT_EQ(ExportCsv(table, file), 1);
  const std::string text = test::ReadText(file);
  EXPECT_NE(text.find(",RES_CI_LEVEL,APEX_R_LOW,APEX_R_UPPER,APEX_L_LOW,APEX_L_UPPER,SURF_LOW,SURF_UPPER\r\n"),
            std::string::npos);
  test::TestFolder other_folder;
  CaseTable other;
  other.Open(other_folder.Path());
  ASSERT_EQ(ImportCsv(other, file), 1);
  EXPECT_EQ(other.FieldAsInteger("APEX_L_UPPER"), 5);
  const std::string again = folder.File("again.csv");
  ExportCsv(other, again);
  EXPECT_EQ(test::ReadText(again), text);
}

// A parameter set that stops declaring a trait takes no column away: the
// table keeps the scores, and an export (a backup) carries them, named.
TEST_P(OwnFields, AnExportKeepsTheColumnsNoLongerDeclared) {
  std::string full;
  {
    const DeclaredTraits declared(kOwn);
    CaseTable table;
    table.Open(store.Location());
    table.Append();
    table.SetFieldText("SKELETON_NAME", "scored");
    table.SetFieldInteger("APEX_L_UPPER", 5);
    table.SetFieldInteger("SURF_LOW", 2);
    table.Post();
    ExportCsv(table, folder.File("declared.csv"));
    full = test::ReadText(folder.File("declared.csv"));
  }
  const DeclaredTraits declared({{"SURF", false}});
  CaseTable table;
  table.Open(store.Location());
  EXPECT_EQ(table.UndeclaredColumns(),
            (std::vector<std::string>{"APEX_R_LOW", "APEX_R_UPPER", "APEX_L_LOW", "APEX_L_UPPER"}));
  std::vector<std::string> said;
  ASSERT_EQ(ExportCsv(table, folder.File("later.csv"), &said), 1);
  EXPECT_EQ(said, table.UndeclaredColumns());
  const std::string later = test::ReadText(folder.File("later.csv"));
  EXPECT_NE(later.find(",RES_CI_LEVEL,SURF_LOW,SURF_UPPER,APEX_R_LOW,APEX_R_UPPER,APEX_L_LOW,APEX_L_UPPER\r\n"),
            std::string::npos)
      << later;
  EXPECT_NE(later.find(",scored,"), std::string::npos);
  EXPECT_NE(later.find(",2,,,,,5\r\n"), std::string::npos) << later;
  EXPECT_EQ(std::count(later.begin(), later.end(), ','), std::count(full.begin(), full.end(), ','));
}

TEST_P(OwnFields, TheDocumentedAgeIsKeptWithinFifteenToOneHundredTenYears) {
  CaseTable table;
  table.Open(store.Location());
  table.Append();
  table.SetFieldText("SKELETON_NAME", "no age");
  table.Post();
  const std::string without = folder.File("without.csv");
  ExportCsv(table, without);
  // A table without ages exports as before the field came.
  EXPECT_NE(test::ReadText(without).find(",TA_Notes,RES_CI_LEVEL\r\n"), std::string::npos);

  table.Append();
  table.SetFieldText("SKELETON_NAME", "aged");
  table.SetFieldText("AGE", "42.5");
  table.Post();
  table.Edit();
  for (const char* bad : {"14.9", "110.5", "-3"}) EXPECT_THROW(table.SetFieldText("AGE", bad), StoreError) << bad;
  EXPECT_THROW(table.SetFieldFloat("AGE", 200.0), StoreError);
  EXPECT_THROW(table.SetFieldInteger("AGE", 12), StoreError);
  table.SetFieldInteger("AGE", 110);
  table.SetFieldFloat("AGE", 15.0);
  table.Cancel();
  EXPECT_EQ(table.FieldAsFloat("AGE"), 42.5);

  const std::string with = folder.File("with.csv");
  ExportCsv(table, with);
  const std::string text = test::ReadText(with);
  EXPECT_NE(text.find(",TA_Notes,RES_CI_LEVEL,AGE\r\n"), std::string::npos);
  EXPECT_NE(text.find(",aged,"), std::string::npos);
  EXPECT_NE(text.find(",42.5\r\n"), std::string::npos);

  test::TestFolder other_folder;
  CaseTable other;
  other.Open(other_folder.Path());
  ASSERT_EQ(ImportCsv(other, with), 2);
  EXPECT_TRUE(other.LocateName("aged"));
  EXPECT_EQ(other.FieldAsFloat("AGE"), 42.5);
  const std::string again = folder.File("again.csv");
  ExportCsv(other, again);
  EXPECT_EQ(test::ReadText(again), text);

  test::WriteText(folder.File("old.csv"), "SKELETON_NAME,AGE\na,30\nb,111\nc,14\nd,\n");
  try {
    ImportCsv(other, folder.File("old.csv"));
    ADD_FAILURE() << "ages outside 15 to 110 were imported";
  } catch (const StoreError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("line 3, field AGE: '111' is not a documented age from 15 to 110 years"), std::string::npos)
        << message;
    EXPECT_NE(message.find("line 4, field AGE: '14'"), std::string::npos) << message;
    EXPECT_EQ(message.find("line 5"), std::string::npos) << message;
  }
  EXPECT_EQ(other.RecordCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, OwnFields, ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         [](const auto& param) { return test::BackendName(param.param); });

}  // namespace
}  // namespace vorla
