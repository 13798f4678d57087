// A case's history: what an edit, an import, an analysis, a deletion and a
// copy record, on both kinds of database; each line is written in the
// transaction of its change, so a change refused, rolled back or killed
// leaves no line, and no line is left without its change.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "PgTestSupport.h"
#include "TestSupport.h"
#include "store/CaseCopy.h"
#include "store/CaseCsv.h"
#include "store/CaseHistory.h"
#include "store/CaseTable.h"

namespace vorla {
namespace {

class CaseHistory : public ::testing::TestWithParam<test::Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == test::Backend::Postgres) VORLA_REQUIRE_PG();
  }

  std::vector<HistoryLine> Lines(const CaseTable& table, const RowFilter& filter = {}) {
    std::vector<HistoryLine> lines;
    table.ForEachHistoryLine(filter, [&lines](const HistoryLine& line) { lines.push_back(line); });
    return lines;
  }
  // "change | field | old | new" of each line.
  std::vector<std::string> Changes(const std::vector<HistoryLine>& lines) {
    std::vector<std::string> texts;
    for (const HistoryLine& l : lines)
      texts.push_back(l.change + " | " + l.field + " | " + l.oldValue + " | " + l.newValue);
    return texts;
  }
  std::string Count(const std::string& table) { return store.Column("SELECT count(*) FROM " + table)[0]; }
  // Makes every insert into the history fail, as a full disk or a broken server would.
  void RefuseHistoryLines() {
    if (GetParam() == test::Backend::Sqlite) {
      store.Exec("CREATE TRIGGER refuse BEFORE INSERT ON TADataHistory BEGIN SELECT RAISE(ABORT, 'no history'); END");
    } else {
      store.Exec("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION 'no'; END$$");
      store.Exec("CREATE TRIGGER refuse BEFORE INSERT ON TADataHistory FOR EACH ROW EXECUTE PROCEDURE refuse()");
    }
  }

  test::TestStore store{GetParam()};
};

TEST_P(CaseHistory, ImportEditAnalysisAndDeletionAreRecorded) {
  const std::string csv = store.Folder().File("cases.csv");
  test::WriteText(csv, "SKELETON_NAME,SEX,PUB_RELIEF_L_LOW\nA-1,Female,2\nA-2,Male,\n");
  CaseTable table;
  table.Open(store.Location());
  table.SetWriter({"Ann Analyst", "vorla-cli import"});
  ASSERT_EQ(ImportCsv(table, csv), 2);

  table.SetWriter({"Ann Analyst", "vorla"});
  ASSERT_TRUE(table.LocateId(1));
  table.Edit();
  table.SetFieldInteger("PUB_RELIEF_L_LOW", 3);
  table.SetFieldText("TA_Notes", "rescored");
  table.Post();

  // An analysis with a choice changed in the same post: one line for the
  // results, one for the choice.
  table.SetWriter({"Bob Reviewer", "vorla-cli analyze"});
  table.Edit();
  table.SetFieldText("SEX", "Male");
  table.SetFieldInteger("RES_CI_LEVEL", 95);
  for (const auto& [field, value] : std::vector<std::pair<std::string, double>>{{"RES_ALL_MAX_LIKELIHOOD", 36.0},
                                                                                {"RES_ALLCOR_MAX_LIKELIHOOD", 37.4},
                                                                                {"RES_ALLCOR_LOW95P_CONF", 32.6},
                                                                                {"RES_ALLCOR_UPPER95P_CONF", 42.9},
                                                                                {"RES_PUB_MAX_LIKELIHOOD", 35.0}})
    table.SetFieldFloat(field, value);
  table.Post();
  table.Edit();
  table.SetFieldNull("RES_ALL_MAX_LIKELIHOOD");
  table.SetFieldNull("RES_ALLCOR_MAX_LIKELIHOOD");
  table.Post();
  table.Edit();
  table.SetFieldText("TA_Notes", "rescored");  // the same value again: no change, no line
  table.Post();

  table.SetWriter({"Ann Analyst", "vorla"});
  table.DeleteCurrent();
  ASSERT_FALSE(table.LocateId(1));

  const std::vector<HistoryLine> lines = Lines(table, std::int64_t{1});
  const std::string imported = "imported from '" + csv + "', line 2";
  EXPECT_EQ(Changes(lines),
            (std::vector<std::string>{
                imported + " |  |  | ",
                "changed | PUB_RELIEF_L_LOW | 2 | 3",
                "changed | TA_Notes |  | rescored",
                "analysed at 95 %; corrected 37.4 (32.6\u201342.9) | results |  | 37.4 (32.6\u201342.9) at 95 %",
                "changed | SEX | Female | Male",
                "results cleared | results | 37.4 (32.6\u201342.9) at 95 % | ",
                "deleted |  |  | ",
                "deleted | SKELETON_NAME | A-1 | ",
                "deleted | SEX | Male | ",
                "deleted | PUB_RELIEF_L_LOW | 3 | ",
                "deleted | RES_ALLCOR_LOW95P_CONF | 32.6 | ",
                "deleted | RES_ALLCOR_UPPER95P_CONF | 42.9 | ",
                "deleted | RES_PUB_MAX_LIKELIHOOD | 35 | ",
                "deleted | TA_Notes | rescored | ",
                "deleted | RES_CI_LEVEL | 95 | ",
            }));
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[0].program + "/" + lines[3].program + "/" + lines[6].program,
            "vorla-cli import/vorla-cli analyze/vorla");
  EXPECT_EQ(lines[3].analyst, "Bob Reviewer");
  EXPECT_EQ(lines[6].name, "A-1");
  const std::string user = GetParam() == test::Backend::Postgres ? store.Column("SELECT current_user")[0] : "";
  for (const HistoryLine& line : lines) {
    EXPECT_EQ(line.key, 1);
    EXPECT_EQ(line.serverUser, user);
    EXPECT_EQ(line.time.size(), 19u) << line.time;
  }
  // The other case has only its import; the case number finds a deleted case.
  EXPECT_EQ(Changes(Lines(table, std::int64_t{2})),
            std::vector<std::string>{"imported from '" + csv + "', line 3 |  |  | "});
  EXPECT_EQ(Lines(table, std::string("A-1")).size(), lines.size());

  const std::string exported = store.Folder().File("history.csv");
  EXPECT_EQ(ExportHistoryCsv(table, exported), 16);
  const std::string text = test::ReadText(exported);
  EXPECT_EQ(
      text.substr(0, text.find('\n')),
      "HISTORY_ID,SKELETON_ID,SKELETON_NAME,CHANGED_AT,ANALYST,PROGRAM,DB_USER,CHANGE,FIELD,OLD_VALUE,NEW_VALUE\r");
  // Nothing edits or removes a line, not even a statement written by hand.
  EXPECT_ANY_THROW(store.Exec("UPDATE TADataHistory SET ANALYST = 'someone else'"));
  EXPECT_ANY_THROW(store.Exec("DELETE FROM TADataHistory"));
  EXPECT_EQ(Count("TADataHistory"), "16");
}

TEST_P(CaseHistory, ANewCaseTypedInIsRecordedFieldByField) {
  CaseTable table;
  table.Open(store.Location());
  table.Append();
  table.SetFieldText("SKELETON_NAME", "N-1");
  table.SetFieldInteger("CRA_PTERICA_LOW", 2);
  table.Post();
  EXPECT_EQ(Changes(Lines(table)), (std::vector<std::string>{"new case |  |  | ", "changed | SKELETON_NAME |  | N-1",
                                                             "changed | CRA_PTERICA_LOW |  | 2"}));
}

TEST_P(CaseHistory, AChangeWhoseLineCannotBeWrittenIsNotStoredAndABatchRolledBackLeavesNoLine) {
  CaseTable table;
  table.Open(store.Location());
  table.Append();
  table.SetFieldText("SKELETON_NAME", "K-1");
  table.Post();
  ASSERT_EQ(Count("TADataHistory"), "2");

  // A batch of changes undone: neither the rows nor their lines stay.
  table.BeginTransaction();
  table.Edit();
  table.SetFieldText("TA_Notes", "in the batch");
  table.Post();
  table.Append();
  table.SetFieldText("SKELETON_NAME", "K-2");
  table.Post();
  table.Rollback();
  EXPECT_EQ(Count("TADataHistory"), "2");
  EXPECT_EQ(Count("TAData"), "1");

  RefuseHistoryLines();
  ASSERT_TRUE(table.LocateId(1));
  table.Edit();
  table.SetFieldText("TA_Notes", "unrecorded");
  EXPECT_THROW(table.Post(), StoreError);
  table.Cancel();
  EXPECT_THROW(table.DeleteCurrent(), StoreError);
  table.Append();
  table.SetFieldText("SKELETON_NAME", "K-3");
  EXPECT_THROW(table.Post(), StoreError);
  EXPECT_EQ(store.Column("SELECT COALESCE(TA_Notes, '') || '/' || SKELETON_NAME FROM TAData"),
            std::vector<std::string>{"/K-1"});
  EXPECT_EQ(Count("TADataHistory"), "2");
}

TEST_P(CaseHistory, ACopyCarriesTheHistoryAndNamesItsSource) {
  CaseTable from;
  from.Open(store.Location());
  from.SetWriter({"Ann Analyst", "vorla"});
  from.Append();
  from.SetFieldText("SKELETON_NAME", "C-1");
  from.Post();
  test::TestFolder target;
  CaseTable to;
  to.Open(target.Path());
  to.SetWriter({"Carl Copier", "vorla-cli copy"});
  ASSERT_EQ(CopyCaseTable(from, to), 1);
  const std::vector<HistoryLine> lines = Lines(to, std::int64_t{1});
  EXPECT_EQ(Changes(lines), (std::vector<std::string>{"new case |  |  | ", "changed | SKELETON_NAME |  | C-1",
                                                      "copied from " + from.Where() + " |  |  | "}));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].analyst + "/" + lines[2].analyst + "/" + lines[2].program,
            "Ann Analyst/Carl Copier/vorla-cli copy");
}

// A writer killed at any moment, a few times over: every stored row has the
// line of its insert and one line per stored note, and no line names a
// change that is not stored.
TEST_P(CaseHistory, AKilledWriterLeavesEveryChangeWithItsLineOrNeither) {
  const std::string location = store.Location();
  for (int round = 0; round < 4; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      try {
        CaseTable table;
        table.Open(location);
        for (int i = 1;; ++i) {
          table.Append();
          table.SetFieldText("SKELETON_NAME", "k" + std::to_string(i));
          table.Post();
          table.Edit();
          table.SetFieldText("TA_Notes", std::to_string(i));
          table.Post();
          if (i == 10) (void)!write(ready[1], "r", 1);
        }
      } catch (...) {
      }
      _exit(1);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(40 + 37 * round));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
  }

  CaseTable table;
  table.Open(location);
  std::map<std::int64_t, std::string> notes;  // the stored rows and their notes
  table.ForEachStoredRow([&](const std::vector<FieldValue>& row) {
    notes[std::get<std::int64_t>(row[0])] = HistoryValueText(row[static_cast<std::size_t>(FindCaseField("TA_Notes"))]);
  });
  std::map<std::int64_t, std::string> recorded;  // the same, as the history has them
  for (const HistoryLine& line : Lines(table)) {
    if (line.change == "new case") {
      EXPECT_EQ(recorded.count(line.key), 0u);
      recorded[line.key] = "";
    } else if (line.field == "TA_Notes") {
      EXPECT_EQ(recorded[line.key], "") << "a second note line of " << line.key;
      recorded[line.key] = line.newValue;
    }
  }
  EXPECT_GE(notes.size(), 40u);
  EXPECT_EQ(recorded, notes);
}

INSTANTIATE_TEST_SUITE_P(Backends, CaseHistory, ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         [](const auto& param) { return test::BackendName(param.param); });

}  // namespace
}  // namespace vorla
