// A detached copy of a row reads, converts and refuses exactly as the case
// table's current row does, and its values go back into the table whole.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "TestSupport.h"
#include "store/CaseTable.h"
#include "store/DetachedRow.h"
#include "store/Schema.h"

namespace vorla {
namespace {

class DetachedRowTest : public ::testing::Test {
 protected:
  DetachedRowTest() {
    table.Open(folder.Path());
    table.Append();
    table.SetFieldText("SKELETON_NAME", "D-1");
    table.SetFieldText("SEX", "Male");
    table.SetFieldInteger("PUB_RELIEF_L_LOW", 3);
    table.SetFieldText("PUB_RELIEF_L_UPPER", " 4 ");
    table.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 42.5);
    table.SetFieldFloat("RES_ALL_DEGFREE", 2.5);  // an integer field: rounded to 2
    table.Post();
    key = table.FieldAsInteger("SKELETON_ID");
  }

  // The same action on the table's row (in the edit state) and on a copy
  // taken before it: both succeed with the same values, or both fail with
  // the same message.
  void Same(const std::function<void(CaseRow&)>& action) {
    DetachedRow copy(table.CurrentValues());
    copy.Edit();
    table.Edit();
    std::string tableError, copyError;
    try {
      action(table);
    } catch (const StoreError& e) {
      tableError = e.what();
    }
    try {
      action(copy);
    } catch (const StoreError& e) {
      copyError = e.what();
    }
    EXPECT_EQ(copyError, tableError);
    EXPECT_EQ(copy.Values(), table.CurrentValues());
    table.Cancel();
  }

  test::TestFolder folder;
  CaseTable table;
  std::int32_t key = 0;
};

TEST_F(DetachedRowTest, ReadsEveryFieldAsTheTableDoes) {
  const DetachedRow copy(table.CurrentValues());
  for (const FieldInfo& field : CaseFields()) {
    const std::string name(field.name);
    EXPECT_EQ(copy.FieldIsNull(name), table.FieldIsNull(name)) << name;
    EXPECT_EQ(copy.FieldAsText(name), table.FieldAsText(name)) << name;
    if (field.kind != FieldKind::Text) {
      EXPECT_EQ(copy.FieldAsInteger(name), table.FieldAsInteger(name)) << name;
      EXPECT_EQ(copy.FieldAsFloat(name), table.FieldAsFloat(name)) << name;
    }
  }
  EXPECT_EQ(copy.FieldAsInteger("res_all_degfree"), 2);
  EXPECT_EQ(copy.FieldAsText("PUB_RELIEF_L_UPPER"), "4");
  EXPECT_THROW(copy.FieldAsText("NO_SUCH_FIELD"), FieldNotFound);
  EXPECT_FALSE(copy.Written());
}

TEST_F(DetachedRowTest, ConvertsAndRefusesWritesAsTheTableDoes) {
  Same([](CaseRow& r) { r.SetFieldInteger("RES_ALL_MAX_LIKELIHOOD", 7); });
  Same([](CaseRow& r) { r.SetFieldInteger("TA_NOTES", 7); });
  Same([](CaseRow& r) { r.SetFieldFloat("PUB_RELIEF_L_LOW", 2.5); });
  Same([](CaseRow& r) { r.SetFieldFloat("SKELETON_NAME", 0.1); });
  Same([](CaseRow& r) { r.SetFieldText("RES_ALL_CHI2", " 1e-3 "); });
  Same([](CaseRow& r) { r.SetFieldText("PUB_RELIEF_L_LOW", "   "); });
  Same([](CaseRow& r) { r.SetFieldText("SEX", ""); });
  Same([](CaseRow& r) { r.SetFieldNull("RES_ALL_MAX_LIKELIHOOD"); });
  Same([](CaseRow& r) { r.SetFieldText("PUB_RELIEF_L_LOW", "x"); });
  Same([](CaseRow& r) { r.SetFieldText("RES_ALL_CHI2", "1,5"); });
  Same([](CaseRow& r) { r.SetFieldFloat("RES_ALL_CHI2", std::numeric_limits<double>::infinity()); });
  Same([](CaseRow& r) { r.SetFieldFloat("PUB_RELIEF_L_LOW", 1e12); });
  Same([](CaseRow& r) { r.SetFieldInteger("SKELETON_ID", 9); });
  Same([](CaseRow& r) { r.SetFieldNull("NO_SUCH_FIELD"); });
}

TEST_F(DetachedRowTest, RefusesWritesOutsideTheEditState) {
  DetachedRow copy(table.CurrentValues());
  EXPECT_THROW(copy.SetFieldInteger("PUB_RELIEF_L_LOW", 1), StoreError);
  copy.Edit();
  copy.SetFieldInteger("PUB_RELIEF_L_LOW", 1);
  copy.Post();
  EXPECT_THROW(copy.SetFieldNull("PUB_RELIEF_L_LOW"), StoreError);
  EXPECT_TRUE(copy.Written());
  EXPECT_TRUE(copy.LocateId(key));
  EXPECT_FALSE(copy.LocateId(key + 1));
  EXPECT_THROW(DetachedRow(std::vector<FieldValue>(3)), StoreError);
}

TEST_F(DetachedRowTest, ItsValuesGoBackIntoTheTable) {
  DetachedRow copy(table.CurrentValues());
  copy.Edit();
  copy.SetFieldNull("PUB_RELIEF_L_UPPER");
  copy.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 50.1);
  copy.SetFieldText("TA_NOTES", "written away from the table");
  copy.Post();

  // Nothing differs: nothing is written and the row is not modified.
  table.Edit();
  table.WriteValues(table.CurrentValues());
  EXPECT_FALSE(table.Modified());
  table.WriteValues(copy.Values());
  EXPECT_TRUE(table.Modified());
  table.Post();
  table.Close();
  table.Open(folder.Path());
  ASSERT_TRUE(table.LocateId(key));
  EXPECT_EQ(table.CurrentValues(), copy.Values());
  EXPECT_TRUE(table.FieldIsNull("PUB_RELIEF_L_UPPER"));
  EXPECT_EQ(table.FieldAsFloat("RES_ALL_MAX_LIKELIHOOD"), 50.1);

  // The key is never written, and only in the edit state.
  std::vector<FieldValue> other = copy.Values();
  other[0] = std::int64_t{key + 100};
  EXPECT_THROW(table.WriteValues(other), StoreError);
  table.Edit();
  table.WriteValues(other);
  EXPECT_EQ(table.FieldAsInteger("SKELETON_ID"), key);
  table.Cancel();
}

// A row of the fields declared now, with a value in one field.
DetachedRow RowWith(const std::string& field, std::int64_t value) {
  std::vector<FieldValue> values(CaseFields().size());
  values[static_cast<std::size_t>(FindCaseField(field))] = value;
  return DetachedRow(std::move(values));
}

// A key made once serves rows of any declaration of traits of one's own: a
// built-in field keeps its column, a field of one's own is found where the
// fields declared now put it, and a field not found is looked for again.
TEST(FieldKeys, KeysFindTheirFieldsWhateverTraitsAreDeclared) {
  struct Undeclare {
    ~Undeclare() { DeclareOwnTraits({}); }
  } undeclare;
  const FieldKey own("surf_low"), builtIn("Res_All_DegFree"), later("APEX_LOW");

  DeclareOwnTraits({{"APEX", false}, {"SURF", false}});
  EXPECT_EQ(RowWith("SURF_LOW", 4).FieldAsInteger(own), 4);
  EXPECT_EQ(RowWith("RES_ALL_DEGFREE", 2).FieldAsInteger(builtIn), 2);
  EXPECT_EQ(builtIn.Column(), FindCaseField("RES_ALL_DEGFREE"));

  DeclareOwnTraits({{"SURF", false}});
  EXPECT_EQ(RowWith("SURF_LOW", 6).FieldAsInteger(own), 6);
  EXPECT_EQ(RowWith("RES_ALL_DEGFREE", 3).FieldAsInteger(builtIn), 3);
  try {
    RowWith("SURF_LOW", 1).FieldAsInteger(later);
    ADD_FAILURE() << "APEX_LOW is no field now";
  } catch (const FieldNotFound& e) {
    EXPECT_EQ(e.FieldName(), "APEX_LOW");
  }

  DeclareOwnTraits({{"SURF", false}, {"APEX", false}});
  EXPECT_EQ(RowWith("APEX_LOW", 5).FieldAsInteger(later), 5);
  // A copy of a key reads as the key does.
  const FieldKey copy(own);
  EXPECT_EQ(RowWith("SURF_LOW", 7).FieldAsInteger(copy), 7);
}

}  // namespace
}  // namespace vorla
