// Cases to and from comma-separated files.
#include <gtest/gtest.h>

#include "PgTestSupport.h"
#include "TestSupport.h"
#include "store/CaseCopy.h"
#include "store/CaseCsv.h"
#include "store/CaseTable.h"
#include "store/CsvText.h"

#include <sstream>

namespace vorla {
namespace {

class CaseCsv : public ::testing::TestWithParam<test::Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == test::Backend::Postgres) VORLA_REQUIRE_PG();
    table.Open(store.Location());
  }

  test::TestStore store{GetParam()};
  const test::TestFolder& folder = store.Folder();
  CaseTable table;
};

TEST_P(CaseCsv, ExportAndImportKeepEveryValue) {
  const std::string awkward[] = {"Smith, J.", "the \"old\" one", "two\nlines", "plain"};
  for (const std::string& name : awkward) {
    table.Append();
    table.SetFieldText("SKELETON_NAME", name);
    table.SetFieldText("TA_Notes", name + "\r\nnote, with \"quotes\"");
    table.SetFieldInteger("AUR_SPICUL_L_UPPER", -1);
    table.SetFieldInteger("RES_ALL_DEGFREE", 0);
    table.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 42.3);
    table.SetFieldFloat("RES_ALL_CHI2_P", 0.1 + 0.2);
    table.SetFieldInteger("RES_CI_LEVEL", 99);
    table.Post();
  }
  const std::string first = folder.File("first.csv");
  ASSERT_EQ(ExportCsv(table, first), 4);
  const std::string text = test::ReadText(first);
  EXPECT_EQ(text.rfind("SKELETON_ID,SKELETON_NAME,SEX,RACE,HAZARDFUNC,CRA_PTERICA_LOW,", 0), 0u);
  EXPECT_NE(text.find(",TA_Notes,RES_CI_LEVEL\r\n1,\"Smith, J.\",,,,,"), std::string::npos);
  EXPECT_NE(text.find("note, with \"\"quotes\"\"\",99\r\n"), std::string::npos);
  EXPECT_NE(text.find(",42.3,"), std::string::npos);

  test::TestFolder other_folder;
  CaseTable other;
  other.Open(other_folder.Path());
  ASSERT_EQ(ImportCsv(other, first), 4);
  const std::string second = folder.File("second.csv");
  ExportCsv(other, second);
  EXPECT_EQ(test::ReadText(second), text);
  EXPECT_TRUE(other.LocateName("two\nlines"));
  EXPECT_EQ(other.FieldAsFloat("RES_ALL_CHI2_P"), 0.1 + 0.2);
  EXPECT_TRUE(other.FieldIsNull("RES_ALL_CHI2"));
  EXPECT_FALSE(other.FieldIsNull("RES_ALL_DEGFREE"));
  EXPECT_EQ(other.FieldAsInteger("RES_CI_LEVEL"), 99);
}

TEST_P(CaseCsv, ImportReadsCaseFilesAndIgnoresTheKeyColumn) {
  ASSERT_EQ(ImportCsv(table, VORLA_STORE_TEST_DATA "/one_case.csv"), 1);
  EXPECT_EQ(table.FieldAsText("RACE"), "BLACK");
  EXPECT_EQ(table.FieldAsInteger("CRA_SAGITTAL_UPPER"), 5);
  EXPECT_EQ(table.FieldAsInteger("AUR_TOPOSUP_L_LOW"), -1);
  EXPECT_TRUE(table.FieldIsNull("AUR_SPICUL_L_UPPER"));

  // Header names in any case, a byte order mark, CR LF or LF, an empty line.
  const std::string path = folder.File("in.csv");
  test::WriteText(path,
                  "\xEF\xBB\xBFskeleton_id,Skeleton_Name,res_all_chi2_p\r\n1,first,0.5\r\n"
                  "\r\n7,second,\n");
  ASSERT_EQ(ImportCsv(table, path), 2);
  EXPECT_EQ(table.FieldAsInteger("SKELETON_ID"), 3);
  EXPECT_TRUE(table.FieldIsNull("RES_ALL_CHI2_P"));
  table.Prior();
  EXPECT_EQ(table.FieldAsInteger("SKELETON_ID"), 2);
  EXPECT_EQ(table.FieldAsText("SKELETON_NAME"), "first");
  EXPECT_EQ(table.FieldAsFloat("RES_ALL_CHI2_P"), 0.5);
}

TEST_P(CaseCsv, AnyFaultImportsNothingAndNamesItsLine) {
  using namespace std::string_literals;
  struct BadFile {
    std::string text;
    const char* fault;
  };
  const BadFile files[] = {
      // Texts either table keeps alike: no NUL byte, nothing but UTF-8.
      {"SKELETON_NAME,TA_Notes\na,All\0 the rest\n"s,
       "line 2, field TA_Notes: the text holds a NUL byte (at byte 4 of the cell), which a case table cannot keep"},
      {"SKELETON_NAME,SEX\nM\xFCller,Male\n",
       "line 2, field SKELETON_NAME: the text is not UTF-8 (the byte 0xFC at "
       "byte 2 of the cell); save the file as UTF-8"},
      {"SKELETON_NAME\na\n\"b\nc\xC0\xAF\"\n",
       "line 3, field SKELETON_NAME: the text is not UTF-8 (the byte 0xC0 at "
       "byte 4"},  // a character in too many bytes
      {"SKELETON_NAME\n\xED\xA0\x80\n",
       "line 2, field SKELETON_NAME: the text is not UTF-8 (the byte 0xED"},  // a surrogate
      {"SKELETON_NAME\n\xF4\x90\x80\x80\n", "(the byte 0xF4 at byte 1"},      // beyond U+10FFFF
      {"SKELETON_NAME\nab\xE2\x82\n", "(the byte 0xE2 at byte 3"},            // cut short
      {"SKELETON_NAME,PUB_RELIEF_R_LOW\na,3\nb,10\n", "line 3, field PUB_RELIEF_R_LOW: '10' is not a stage score"},
      {"SKELETON_NAME,PUB_RELIEF_R_LOW\na,-2\n", "line 2, field PUB_RELIEF_R_LOW: '-2'"},
      {"SKELETON_NAME,cra_pterica_low\na,2.0\n", "line 2, field CRA_PTERICA_LOW: '2.0'"},
      {"SKELETON_NAME,RES_ALL_DEGFREE\na,1.5\n", "line 2, field RES_ALL_DEGFREE: '1.5'"},
      {"SKELETON_NAME,RES_ALL_CHI2\na,1\nb,nan\n", "line 3, field RES_ALL_CHI2: 'nan'"},
      {"SKELETON_NAME,RES_ALL_CHI2\na,inf\n", "line 2, field RES_ALL_CHI2: 'inf'"},
      {"SKELETON_NAME,FOO_LOW\na,1\n", "line 1: unknown field 'FOO_LOW'"},
      {"SKELETON_NAME,Sex,SEX\na,b,c\n", "line 1: field 'SEX' appears more than once"},
      {"SKELETON_NAME,SEX\na,Male\nb\n", "line 3: 1 cells where the header has 2"},
      {"SKELETON_NAME,SEX\n\"a\nb\",Male\nc,Male,x\n", "line 4: 3 cells"},
      {"SKELETON_NAME,SEX\na,Male\n\"b,Male\n", "line 3: a quoted cell is not closed"},
      {"SKELETON_NAME,SEX\n\"a\"x,Male\n", "line 2: text after the closing quote"},
      {"", "no header"},
  };
  const std::string path = folder.File("bad.csv");
  for (const BadFile& file : files) {
    test::WriteText(path, file.text);
    try {
      ImportCsv(table, path);
      ADD_FAILURE() << "imported " << file.text;
    } catch (const StoreError& error) {
      EXPECT_NE(std::string(error.what()).find(file.fault), std::string::npos)
          << error.what() << "\nexpected: " << file.fault;
    }
    EXPECT_TRUE(table.IsEmpty());
  }
  EXPECT_THROW(ImportCsv(table, folder.File("missing.csv")), StoreError);
  EXPECT_EQ(store.Column("SELECT count(*) FROM TAData")[0], "0");

  // Any character of UTF-8 is kept as it was written.
  const std::string utf8 = "M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\xA6\xB4 \xEF\xBF\xBF";
  test::WriteText(path, "SKELETON_NAME,TA_Notes\n" + utf8 + "," + utf8 + "\n");
  ASSERT_EQ(ImportCsv(table, path), 1);
  EXPECT_EQ(table.FieldAsText("SKELETON_NAME"), utf8);
  EXPECT_EQ(table.FieldAsText("TA_Notes"), utf8);
}

// With the scores that stand for a stage of each trait, any other score of
// the trait (not -1, not 0) is a fault of its line and field, naming what is
// allowed; fields of traits the rules do not know keep the rule of -1 to 9.
TEST_P(CaseCsv, ScoresThatStandForNoStageImportNothing) {
  const StageScoreRules rules({{"PUB_TEXTURE", {"PUB_TEXTURE_R_LOW", "PUB_TEXTURE_R_UPPER"}, {1, 2, 3, 4}},
                               {"CRA_X", {"CRA_PTERICA_LOW"}, {1, 2, 4}}});
  const std::string path = folder.File("stages.csv");
  std::vector<std::string> warnings;
  test::WriteText(path,
                  "SKELETON_NAME,pub_texture_r_low,PUB_TEXTURE_R_UPPER,CRA_PTERICA_LOW,AUR_SPICUL_L_LOW\n"
                  "a,4,-1,4,9\nb,0,,-1,\n");
  EXPECT_EQ(ImportCsv(table, path, {}, warnings, {}, rules), 2);
  const struct {
    const char* line;
    const char* fault;
  } cases[] = {
      {"c,5,,,",
       "line 2, field PUB_TEXTURE_R_LOW: the score 5 stands for no stage of PUB_TEXTURE; the allowed "
       "scores are 1-4 (and -1 to withdraw the side)"},
      {"c,,9,,", "line 2, field PUB_TEXTURE_R_UPPER: the score 9 stands for no stage of PUB_TEXTURE"},
      {"c,,,3,",
       "line 2, field CRA_PTERICA_LOW: the score 3 stands for no stage of CRA_X; the allowed scores are 1, "
       "2, 4 (and"},
  };
  for (const auto& c : cases) {
    test::WriteText(path, std::string("SKELETON_NAME,PUB_TEXTURE_R_LOW,PUB_TEXTURE_R_UPPER,CRA_PTERICA_LOW,"
                                      "AUR_SPICUL_L_LOW\n") +
                              c.line + "\n");
    try {
      ImportCsv(table, path, {}, warnings, {}, rules);
      ADD_FAILURE() << "imported " << c.line;
    } catch (const StoreError& error) {
      EXPECT_NE(std::string(error.what()).find(c.fault), std::string::npos) << error.what();
    }
  }
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(ImportCsv(table, path), 1);  // without the rules: -1 to 9

  // The copy checks every stored row before its transaction is committed.
  test::TestFolder copyFolder;
  CaseTable copy;
  copy.Open(copyFolder.Path());
  try {
    CopyCaseTable(table, copy, rules);
    ADD_FAILURE() << "copied";
  } catch (const StoreError& error) {
    EXPECT_NE(std::string(error.what())
                  .find("Case 3, field CRA_PTERICA_LOW: the score 3 stands for no stage of CRA_X; the allowed scores "
                        "are 1, 2, 4"),
              std::string::npos)
        << error.what();
  }
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(CopyCaseTable(table, copy), 3);
}

// Read a piece at a time, a file gives the records the whole text gives,
// whatever falls on the border of a piece: a quoted cell with line breaks,
// a CR LF, a doubled quote, a byte order mark.
TEST(CsvReading, AStreamGivesTheRecordsOfTheWholeText) {
  std::string text = "\xEF\xBB\xBFNAME,NOTE\r\n";
  for (int i = 0; text.size() < 3 * 65536 + 100; ++i) {
    text += "case-" + std::to_string(i) + ",";
    text += i % 7 == 0 ? "\"two\r\nlines, \"\"quoted\"\"\"" : "plain";
    text += i % 5 == 0 ? "\r\n\r\n" : "\n";
  }
  const std::vector<CsvRecord> whole = ParseCsv(text);
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536}}) {
    // A leading cut moves every record across the borders of the pieces.
    const std::string shifted = text.substr(0, 3) + std::string(cut, '\n') + text.substr(3);
    std::istringstream in(shifted);
    CsvReader reader(in);
    std::size_t n = 0;
    for (CsvRecord record; reader.Next(record); ++n) {
      ASSERT_LT(n, whole.size());
      EXPECT_EQ(record.cells, whole[n].cells) << "record " << n << ", cut " << cut;
      EXPECT_EQ(record.line, whole[n].line + static_cast<int>(cut)) << "record " << n;
    }
    EXPECT_EQ(n, whole.size());
  }
  ASSERT_GT(whole.size(), 1000u);
  EXPECT_EQ(whole[0].cells, (std::vector<std::string>{"NAME", "NOTE"}));
  EXPECT_EQ(whole[1].cells[1], "two\r\nlines, \"quoted\"");

  std::istringstream open("A,B\n\"never closed,1\n");
  CsvReader reader(open);
  CsvRecord record;
  EXPECT_TRUE(reader.Next(record));
  EXPECT_THROW(reader.Next(record), StoreError);
}

TEST_P(CaseCsv, ExportToAnUnwritablePlaceFails) {
  EXPECT_THROW(ExportCsv(table, folder.File("no/such/dir/out.csv")), StoreError);
}

INSTANTIATE_TEST_SUITE_P(Backends, CaseCsv, ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         [](const auto& param) { return test::BackendName(param.param); });

}  // namespace
}  // namespace vorla
