// The case table on a PostgreSQL server: several writers, a lost connection,
// values that look like SQL, the table's shape, and copying a table whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "PgTestSupport.h"
#include "TestSupport.h"
#include "store/CaseCopy.h"
#include "store/CaseCsv.h"
#include "store/CaseLocation.h"
#include "store/CaseTable.h"
#include "store/Schema.h"

namespace vorla {
namespace {

class PostgresStore : public ::testing::Test {
 protected:
  void SetUp() override { VORLA_REQUIRE_PG(); }

  std::string OpenError(CaseTable& table, const std::string& where) {
    try {
      table.Open(where);
      return "opened";
    } catch (const StoreError& error) {
      return error.what();
    }
  }
};

TEST_F(PostgresStore, ALostConnectionInABatchStoresNothing) {
  test::PgSchema schema;
  CaseTable table;
  table.Open(schema.Uri());
  for (int i = 0; i < 5; ++i) {
    table.Append();
    table.SetFieldText("SKELETON_NAME", "case " + std::to_string(i));
    table.Post();
  }
  table.BeginTransaction();
  table.First();
  for (int i = 0; i < 3; ++i) {
    table.Edit();
    table.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 40.0 + i);
    table.Next();
  }
  schema.KillOtherConnections();
  table.Edit();
  table.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 99.0);
  try {
    table.Post();
    FAIL() << "a post on a lost connection succeeded";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find("was lost"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(table.InTransaction());
  EXPECT_THROW(table.Commit(), StoreError);
  EXPECT_EQ(schema.Column("SELECT count(*) FROM TAData WHERE RES_ALL_MAX_LIKELIHOOD IS NOT NULL"),
            std::vector<std::string>{"0"});
}

TEST_F(PostgresStore, QuotesAndSqlInValuesAreOnlyValues) {
  test::PgSchema schema;
  CaseTable table;
  table.Open(schema.Uri());
  const std::vector<std::string> names = {
      "O'Brien",       "x'); DROP TABLE TAData; --", "$1", "a\\b", "\"TAData\"", "' OR '1'='1", "Łódź", "E'\\x00'",
      "semi;colon -- "};
  for (const std::string& name : names) {
    table.Append();
    table.SetFieldText("SKELETON_NAME", name);
    table.SetFieldText("TA_Notes", name);
    table.Post();
  }
  for (const std::string& name : names) {
    ASSERT_TRUE(table.LocateName(name)) << name;
    EXPECT_EQ(table.FieldAsText("TA_Notes"), name);
    EXPECT_EQ(table.KeysNamed(name).size(), 1u) << name;
  }
  table.SetNameFilter("' OR '1'='1");
  EXPECT_EQ(table.RecordCount(), 1);
  EXPECT_EQ(schema.Column("SELECT count(*) FROM TAData"), std::vector<std::string>{std::to_string(names.size())});

  // A NUL byte would cut the text there: the post is refused and the row keeps its edit.
  table.ClearFilter();
  table.Append();
  table.SetFieldText("TA_Notes", std::string("All\0 the rest", 13));
  EXPECT_THROW(table.Post(), StoreError);
  table.Cancel();
  EXPECT_EQ(schema.Column("SELECT count(*) FROM TAData"), std::vector<std::string>{std::to_string(names.size())});
}

TEST_F(PostgresStore, TheTableIsCreatedUpgradedOrRefused) {
  {  // created on first use, with the same fields
    test::PgSchema schema;
    CaseTable table;
    table.Open(schema.Uri());
    EXPECT_EQ(schema.Column("SELECT count(*) FROM information_schema.columns WHERE table_schema = '" + schema.Name() +
                            "' AND table_name = 'tadata'"),
              std::vector<std::string>{std::to_string(CaseFields().size() + 2)});
  }
  {  // a table from before the notes gains them and keeps its rows
    test::PgSchema schema;
    CaseTable probe;
    probe.Open(schema.Uri());
    probe.Close();
    schema.Exec("ALTER TABLE TAData DROP COLUMN TA_Notes, DROP COLUMN RES_CI_LEVEL");
    schema.Exec("INSERT INTO TAData (SKELETON_ID, SKELETON_NAME) VALUES (4, 'old')");
    CaseTable table;
    table.SetSleeper([](std::chrono::milliseconds) {});
    table.Open(schema.Uri());
    EXPECT_EQ(table.FieldAsText("SKELETON_NAME"), "old");
    EXPECT_TRUE(table.FieldIsNull("TA_Notes"));
  }
  {  // another shape is refused, unchanged
    test::PgSchema schema;
    CaseTable probe;
    probe.Open(schema.Uri());
    probe.Close();
    schema.Exec("ALTER TABLE TAData DROP COLUMN SEX");
    CaseTable table;
    EXPECT_NE(OpenError(table, schema.Uri()).find("table TAData has no field SEX"), std::string::npos);
    schema.Exec("ALTER TABLE TAData ADD COLUMN SEX integer");
    EXPECT_NE(OpenError(table, schema.Uri()).find("field SEX of table TAData is integer, not text"), std::string::npos);
  }
  {  // a database of another program is not taken over
    test::PgSchema schema;
    schema.Exec("CREATE TABLE invoices (id int)");
    CaseTable table;
    EXPECT_NE(OpenError(table, schema.Uri()).find("tables of another program"), std::string::npos);
    EXPECT_EQ(
        schema.Column("SELECT count(*) FROM information_schema.tables WHERE table_schema = '" + schema.Name() + "'"),
        std::vector<std::string>{"1"});
  }
  {  // a role that may not create tables is told who can
    test::PgSchema schema;
    const std::string role = schema.Name() + "_reader";
    schema.Exec("DROP ROLE IF EXISTS " + role);
    schema.Exec("CREATE ROLE " + role + " LOGIN");
    schema.Exec("GRANT USAGE ON SCHEMA " + schema.Name() + " TO " + role);
    CaseTable table;
    const std::string error = OpenError(table, schema.Uri() + "&user=" + role);
    schema.Exec("DROP OWNED BY " + role);
    schema.Exec("DROP ROLE " + role);
    EXPECT_NE(error.find("permission denied"), std::string::npos) << error;
    EXPECT_NE(error.find("a role that may create tables"), std::string::npos) << error;
  }
}

TEST_F(PostgresStore, ACaseFolderNamesItsServerWithoutAPassword) {
  test::PgSchema schema;
  test::TestFolder folder;
  test::WriteText(folder.File("TAData.conn"), "# the lab's server\n" + schema.Uri() + "\n");
  CaseTable table;
  table.Open(folder.Path());
  table.Append();
  table.SetFieldText("SKELETON_NAME", "via the folder");
  table.Post();
  EXPECT_EQ(schema.Column("SELECT SKELETON_NAME FROM TAData"), std::vector<std::string>{"via the folder"});
  EXPECT_FALSE(std::filesystem::exists(folder.Database()));
  table.Close();

  test::WriteText(folder.File("TAData.conn"), schema.Uri() + "&password=s3cret-word\n");
  const std::string error = OpenError(table, folder.Path());
  EXPECT_NE(error.find("holds a password"), std::string::npos) << error;
  EXPECT_EQ(error.find("s3cret-word"), std::string::npos) << error;
  test::WriteText(folder.File("TAData.conn"), "\n");
  EXPECT_NE(OpenError(table, folder.Path()).find("names no database"), std::string::npos);
}

TEST_F(PostgresStore, ADatabaseChosenForTheRunServesEveryFolder) {
  test::PgSchema schema;
  test::TestFolder folder;
  ChooseDatabaseForCaseFolders(schema.Uri());
  CaseTable table;
  table.Open(folder.Path());
  table.Append();
  table.Post();
  ChooseDatabaseForCaseFolders(std::nullopt);
  EXPECT_EQ(schema.Column("SELECT count(*) FROM TAData"), std::vector<std::string>{"1"});
  EXPECT_FALSE(std::filesystem::exists(folder.Database()));
  table.Open(folder.Path());  // without the choice, the folder's own file
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_TRUE(std::filesystem::exists(folder.Database()));
}

// Every field of awkward rows, from a file to the server and back.
TEST_F(PostgresStore, ACopyToTheServerAndBackExportsTheSameBytes) {
  test::TestFolder folder;
  CaseTable file;
  file.Open(folder.Path());
  const double reals[] = {0.1 + 0.2, 1e-300, -2.5e300, 42.3, 1.0 / 3.0, 110.0};
  for (int i = 0; i < 6; ++i) {
    file.Append();
    file.SetFieldText("SKELETON_NAME", i == 0 ? "" : "n\"a,m\ne " + std::to_string(i) + " Łódź");
    if (i != 1) file.SetFieldText("SEX", "Male");
    file.SetFieldInteger("PUB_RELIEF_R_LOW", i - 1);
    file.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", reals[i]);
    file.SetFieldInteger("RES_ALL_DEGFREE", i * 1000000);
    file.SetFieldText("TA_Notes", i == 2 ? "" : "line\r\nnext, 'quoted'");
    file.SetFieldInteger("RES_CI_LEVEL", 95);
    file.Post();
  }
  file.ExecSql("UPDATE TAData SET RES_ALL_STD_ERROR = 9007199254740993 WHERE SKELETON_ID = 3");
  file.ExecSql("UPDATE TAData SET SKELETON_ID = 40 WHERE SKELETON_ID = 5");  // a gap in the keys
  file.Close();
  file.Open(folder.Path());
  ExportCsv(file, folder.File("before.csv"));

  test::PgSchema schema;
  CaseTable server;
  server.Open(schema.Uri());
  EXPECT_EQ(CopyCaseTable(file, server), 6);
  test::TestFolder back_folder;
  CaseTable back;
  back.Open(back_folder.Path());
  EXPECT_EQ(CopyCaseTable(server, back), 6);
  ExportCsv(back, folder.File("after.csv"));
  ExportCsv(server, folder.File("server.csv"));
  EXPECT_EQ(test::ReadText(folder.File("after.csv")), test::ReadText(folder.File("before.csv")));
  EXPECT_EQ(test::ReadText(folder.File("server.csv")), test::ReadText(folder.File("before.csv")));

  // New rows take the key after the highest, as in the file.
  server.Append();
  server.Post();
  EXPECT_EQ(server.FieldAsInteger("SKELETON_ID"), 41);
  // Only into an empty table; a refused copy adds nothing.
  EXPECT_THROW(CopyCaseTable(file, server), StoreError);
  EXPECT_EQ(server.RecordCount(), 7);
}

TEST_F(PostgresStore, AFailedCopyCopiesNothing) {
  test::TestFolder folder;
  CaseTable file;
  file.Open(folder.Path());
  for (int i = 0; i < 3; ++i) {
    file.Append();
    file.SetFieldText("SKELETON_NAME", "c" + std::to_string(i));
    file.Post();
  }
  // A value the SQLite file took that no integer field can hold.
  file.ExecSql("UPDATE TAData SET CRA_PTERICA_LOW = 'two' WHERE SKELETON_ID = 3");
  test::PgSchema schema;
  CaseTable server;
  server.Open(schema.Uri());
  try {
    CopyCaseTable(file, server);
    FAIL() << "the copy claimed success";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what()).find("Case 3 could not be copied"), std::string::npos) << error.what();
  }
  EXPECT_EQ(schema.Column("SELECT count(*) FROM TAData"), std::vector<std::string>{"0"});
  EXPECT_FALSE(server.InTransaction());
}

}  // namespace
}  // namespace vorla
