// The current row: moving, posting, locating, filtering, notifications, batches.
#include <gtest/gtest.h>

#include "PgTestSupport.h"
#include "TestSupport.h"
#include "store/CaseTable.h"
#include "store/Schema.h"

namespace vorla {
namespace {

using RowState = CaseTable::RowState;

class CaseTableRows : public ::testing::TestWithParam<test::Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == test::Backend::Postgres) VORLA_REQUIRE_PG();
    table.Open(store.Location());
  }

  std::int32_t AddRow(const std::string& name) {
    table.Append();
    table.SetFieldText("SKELETON_NAME", name);
    table.Post();
    return table.FieldAsInteger("SKELETON_ID");
  }

  std::string Name() const { return table.FieldAsText("SKELETON_NAME"); }

  int StoredRows() { return std::stoi(store.Column("SELECT count(*) FROM TAData")[0]); }

  test::TestStore store{GetParam()};
  const test::TestFolder& folder = store.Folder();
  CaseTable table;
};

TEST_P(CaseTableRows, NavigationStopsAtBothEnds) {
  table.Next();  // an empty table: nowhere to go, nothing breaks
  table.Prior();
  EXPECT_TRUE(table.Bof() && table.Eof());
  for (const char* name : {"a", "b", "c"}) AddRow(name);
  std::vector<std::string> seen;
  for (const auto step : {&CaseTable::First, &CaseTable::Prior, &CaseTable::Next, &CaseTable::Next, &CaseTable::Next,
                          &CaseTable::Prior, &CaseTable::Last}) {
    (table.*step)();
    seen.push_back(Name() + (table.Bof() ? " bof" : "") + (table.Eof() ? " eof" : ""));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"a bof", "a bof", "b", "c", "c eof", "b", "c eof"}));
}

TEST_P(CaseTableRows, LeavingARowPostsItWhenModifiedAndDropsItOtherwise) {
  AddRow("a");
  AddRow("b");
  table.First();
  table.Edit();
  table.SetFieldInteger("PUB_RELIEF_L_LOW", 4);
  table.Next();
  EXPECT_EQ(table.State(), RowState::Browse);
  EXPECT_EQ(store.Column("SELECT PUB_RELIEF_L_LOW FROM TAData WHERE SKELETON_NAME = 'a'"),
            std::vector<std::string>{"4"});

  // An untouched new row is not stored; a typed one is.
  table.Append();
  table.First();
  EXPECT_EQ(StoredRows(), 2);
  EXPECT_EQ(Name(), "a");
  table.Append();
  table.SetFieldText("SKELETON_NAME", "typed");
  table.First();
  EXPECT_EQ(StoredRows(), 3);
  EXPECT_TRUE(table.LocateName("typed"));

  // Cancel takes back what was written, and drops a new row altogether.
  table.Edit();
  table.SetFieldText("SKELETON_NAME", "changed");
  table.Cancel();
  EXPECT_EQ(Name(), "typed");
  table.Append();
  table.SetFieldText("SKELETON_NAME", "new");
  table.Cancel();
  EXPECT_EQ(Name(), "typed");
  EXPECT_EQ(table.State(), RowState::Browse);
  EXPECT_EQ(StoredRows(), 3);
}

TEST_P(CaseTableRows, NewRowsGetUniqueKeysAndLocateMatchesExactly) {
  const std::int32_t a = AddRow("Case 7");
  const std::int32_t b = AddRow("Case 71");
  EXPECT_EQ(table.RecNo(), 2);  // a posted new row stays current
  const std::int32_t c = AddRow("case 7");
  EXPECT_TRUE(a > 0 && a != b && b != c && a != c);
  EXPECT_TRUE(table.LocateId(a));
  EXPECT_EQ(Name(), "Case 7");
  EXPECT_TRUE(table.LocateName("Case 71"));
  EXPECT_EQ(table.FieldAsInteger("SKELETON_ID"), b);
  EXPECT_TRUE(table.LocateName("case 7"));
  EXPECT_EQ(table.RecNo(), 3);

  for (const char* missing : {"CASE 7", "Case", "Case 7 "}) {
    EXPECT_FALSE(table.LocateName(missing)) << missing;
    EXPECT_EQ(Name(), "case 7");
  }
  EXPECT_FALSE(table.LocateId(b + 100));
  EXPECT_EQ(Name(), "case 7");
}

TEST_P(CaseTableRows, FilterOnNameWithAQuote) {
  AddRow("O'Brien");
  AddRow("Smith");
  const std::int32_t second = AddRow("O'Brien");
  table.SetNameFilter("O'Brien");
  EXPECT_TRUE(table.Filtered());
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_TRUE(table.Bof());
  EXPECT_EQ(Name(), "O'Brien");
  EXPECT_FALSE(table.LocateName("Smith"));  // hidden by the filter
  table.Last();
  EXPECT_EQ(table.FieldAsInteger("SKELETON_ID"), second);

  table.SetNameFilter("o'brien");
  EXPECT_TRUE(table.IsEmpty());
  table.SetNameFilter("x' OR '1'='1");
  EXPECT_TRUE(table.IsEmpty());

  AddRow("");  // an empty name is found by an empty name
  table.SetNameFilter("");
  EXPECT_EQ(table.RecordCount(), 1);
  EXPECT_TRUE(table.FieldIsNull("SKELETON_NAME"));

  table.ClearFilter();
  EXPECT_EQ(table.RecordCount(), 4);
  EXPECT_EQ(table.RecNo(), 1);
  EXPECT_TRUE(table.LocateName("Smith"));
}

TEST_P(CaseTableRows, NotificationsComeAfterTheLeftRowIsSettled) {
  AddRow("a");
  AddRow("b");
  table.First();
  std::vector<std::string> log;
  table.AddBeforeScroll(
      [&] { log.push_back("before " + Name() + (table.State() == RowState::Browse ? " browse" : " edit")); });
  table.AddAfterScroll(
      [&] { log.push_back("after " + Name() + (table.State() == RowState::Insert ? " insert" : "")); });

  table.Edit();
  table.SetFieldText("SKELETON_NAME", "a2");
  table.Next();
  table.Append();
  table.SetNameFilter("a2");
  EXPECT_FALSE(table.LocateName("zzz"));
  table.ClearFilter();
  table.Close();
  table.Open(store.Location());
  EXPECT_EQ(log, (std::vector<std::string>{"before a2 browse", "after b",       // posted before leaving
                                           "before b browse", "after  insert",  // a new, empty row
                                           "before b browse", "after a2",       // the untouched new row is gone
                                           "before a2 browse", "after a2",      // no notice for a failed locate
                                           "after a2"}));                       // opening notifies after only
}

TEST_P(CaseTableRows, RowLeavingHandlerThatEditsAndPostsDoesNotRecurse) {
  int calls = 0;
  table.AddBeforeScroll([&] {
    ++calls;
    table.Edit();  // on an empty table there is no row to edit
    table.Post();
  });
  table.Append();
  table.Append();
  EXPECT_EQ(table.State(), RowState::Insert);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(StoredRows(), 0);
  table.SetFieldText("SKELETON_NAME", "first");
  table.Append();  // posts "first"; the handler edits and saves it again
  EXPECT_EQ(StoredRows(), 1);
  // What the handler writes into the row it leaves is posted, not carried along.
  table.AddBeforeScroll([&] {
    table.Edit();
    table.SetFieldText("SEX", "Male");
  });
  table.Append();
  EXPECT_EQ(StoredRows(), 1);
  EXPECT_EQ(store.Column("SELECT SEX FROM TAData")[0], "Male");
  EXPECT_FALSE(table.Modified());
  table.AddBeforeScroll([&] { table.Next(); });
  EXPECT_THROW(table.First(), StoreError);  // moving while the row is left is refused
}

TEST_P(CaseTableRows, FailedWriteOrReadKeepsTheRow) {
  AddRow("a");
  AddRow("b");
  table.First();
  table.Edit();
  table.SetFieldText("SKELETON_NAME", "a2");
  store.Lock();
  EXPECT_THROW(table.Next(), StoreError);
  EXPECT_EQ(table.State(), RowState::Edit);
  EXPECT_TRUE(table.Modified());
  EXPECT_EQ(Name(), "a2");
  EXPECT_EQ(table.RecNo(), 1);
  store.Unlock();
  table.Next();
  EXPECT_EQ(Name(), "b");
  EXPECT_TRUE(table.LocateName("a2"));

  // A move whose new row cannot be read leaves the current row as it was.
  store.Lock();
  EXPECT_THROW(table.Next(), StoreError);
  EXPECT_EQ(Name(), "a2");
  EXPECT_EQ(table.RecNo(), 1);
  store.Unlock();
}

TEST_P(CaseTableRows, BatchWritesManyRowsTogether) {
  table.BeginTransaction();
  AddRow("one");
  AddRow("two");
  EXPECT_EQ(StoredRows(), 0);  // nothing is committed before the batch ends
  table.Commit();
  EXPECT_EQ(StoredRows(), 2);

  constexpr int kRows = 500;
  table.BeginTransaction();
  for (int i = 0; i < kRows; ++i) {
    table.Append();
    table.SetFieldText("SKELETON_NAME", "case " + std::to_string(i));
    table.SetFieldText("TA_Notes", "notes of case " + std::to_string(i));
    for (std::size_t field = 5; field < 100; ++field) {  // every score and result
      const std::string name(CaseFields()[field].name);
      table.SetFieldInteger(name, field < 71 ? 1 + i % 3 : i % 50);
    }
    table.Post();
  }
  table.Commit();
  EXPECT_EQ(StoredRows(), kRows + 2);
  EXPECT_EQ(table.RecordCount(), kRows + 2);

  table.BeginTransaction();
  AddRow("undone");
  table.Rollback();
  EXPECT_EQ(table.RecordCount(), kRows + 2);
  EXPECT_FALSE(table.LocateName("undone"));
  EXPECT_FALSE(table.InTransaction());
}

TEST_P(CaseTableRows, DeletingRemovesOnlyTheCurrentRowAndMovesOn) {
  for (const char* name : {"a", "b", "c"}) AddRow(name);
  int notified = 0;
  table.AddAfterScroll([&] { ++notified; });
  table.First();
  table.Next();
  table.DeleteCurrent();  // the next row takes its place
  EXPECT_EQ(Name(), "c");
  EXPECT_EQ(StoredRows(), 2);
  table.DeleteCurrent();  // the last row: the one before it
  EXPECT_EQ(Name(), "a");
  EXPECT_EQ(store.Column("SELECT SKELETON_NAME FROM TAData"), std::vector<std::string>{"a"});
  EXPECT_EQ(notified, 4);  // two moves, two deletions

  // A new row is only dropped; a row being edited goes without being posted.
  table.Append();
  table.SetFieldText("SKELETON_NAME", "new");
  table.DeleteCurrent();
  EXPECT_EQ(StoredRows(), 1);
  table.Edit();
  table.SetFieldText("SKELETON_NAME", "edited");
  table.DeleteCurrent();
  EXPECT_EQ(StoredRows(), 0);
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_EQ(table.RecNo(), 0);
  table.DeleteCurrent();  // nothing left: nothing happens
}

TEST_P(CaseTableRows, RefreshSeesRowsAnotherConnectionWrote) {
  AddRow("a");
  const std::int32_t b = AddRow("b");
  table.LocateId(b);
  store.Exec("INSERT INTO TAData (SKELETON_ID, SKELETON_NAME) VALUES (3, 'c')");
  store.Exec("UPDATE TAData SET TA_Notes = 'by another' WHERE SKELETON_NAME = 'b'");
  table.Refresh();
  EXPECT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(Name(), "b");
  EXPECT_EQ(table.FieldAsText("TA_Notes"), "by another");

  // What was typed into the row is posted before the rows are read again.
  table.Edit();
  table.SetFieldText("TA_Notes", "typed");
  store.Exec("DELETE FROM TAData WHERE SKELETON_NAME = 'b'");
  EXPECT_THROW(table.Refresh(), StoreError);  // the row is gone: the edit cannot be kept, and says so
  table.Cancel();
  table.Refresh();
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(Name(), "a");  // the current row went: the first row takes its place
}

TEST_P(CaseTableRows, ListEntriesReadKeyNameAndWhetherResultsAreStored) {
  AddRow("a");
  table.Append();
  table.Post();  // a row without a case number
  table.Append();
  table.SetFieldText("SKELETON_NAME", "c");
  table.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 41.5);
  table.Post();
  table.SetNameFilter("a");  // the list shows every row, whatever the filter
  std::vector<std::string> seen;
  table.ForEachListEntry([&](const CaseTable::ListEntry& entry) {
    seen.push_back(std::to_string(entry.key) + ":" + entry.name + (entry.hasResults ? "+" : ""));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"1:a", "2:", "3:c+"}));
}

TEST_P(CaseTableRows, TwoWritersOnOneRowNeverLoseAnEdit) {
  CaseTable& first = table;
  CaseTable second;
  first.Append();
  first.SetFieldText("SKELETON_NAME", "case 7");
  first.Post();
  second.Open(store.Location());

  // Both read the row; the first to post wins.
  first.Edit();
  first.SetFieldInteger("PUB_RELIEF_R_LOW", 3);
  second.Edit();
  second.SetFieldInteger("PUB_RELIEF_R_LOW", 5);
  second.SetFieldText("TA_Notes", "second's note");
  first.Post();
  try {
    second.Post();
    FAIL() << "the second post overwrote the first";
  } catch (const RowChangedError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("This case was changed by another user at ", 0), 0u) << error.what();
    EXPECT_EQ(error.When().size(), std::string("2026-01-01 00:00:00 UTC").size()) << error.When();
  }
  // The refused edit is kept, and leaving the row does not drop it silently.
  EXPECT_EQ(second.State(), CaseTable::RowState::Edit);
  EXPECT_EQ(second.FieldAsInteger("PUB_RELIEF_R_LOW"), 5);
  EXPECT_THROW(second.Next(), RowChangedError);
  EXPECT_EQ(second.FieldAsText("TA_Notes"), "second's note");
  EXPECT_EQ(store.Column("SELECT PUB_RELIEF_R_LOW FROM TAData"), std::vector<std::string>{"3"});

  // Reload: the stored row, and a post after it goes through.
  second.ReloadRow();
  EXPECT_EQ(second.State(), CaseTable::RowState::Browse);
  EXPECT_EQ(second.FieldAsInteger("PUB_RELIEF_R_LOW"), 3);
  EXPECT_TRUE(second.FieldIsNull("TA_Notes"));
  second.Edit();
  second.SetFieldText("TA_Notes", "after reload");
  second.Post();

  // Overwrite: the first writer's stale row replaces the stored one only when asked.
  first.Edit();
  first.SetFieldInteger("PUB_RELIEF_R_LOW", 6);
  EXPECT_THROW(first.Post(), RowChangedError);
  first.PostOverwriting();
  EXPECT_EQ(store.Column("SELECT PUB_RELIEF_R_LOW || '/' || coalesce(TA_Notes, '-') FROM TAData"),
            std::vector<std::string>{"6/-"});
  // Each write counts once.
  EXPECT_EQ(store.Column("SELECT ROW_VERSION FROM TAData"), std::vector<std::string>{"4"});
  // An older program, or a change by hand, knows nothing of the count: the
  // file counts its edits itself.
  if (GetParam() == test::Backend::Sqlite) {
    second.ReloadRow();
    store.Exec("UPDATE TAData SET PUB_RELIEF_R_LOW = 2");
    second.Edit();
    second.SetFieldInteger("PUB_RELIEF_R_LOW", 1);
    EXPECT_THROW(second.Post(), RowChangedError);
    EXPECT_EQ(store.Column("SELECT PUB_RELIEF_R_LOW || '/' || ROW_VERSION FROM TAData"),
              std::vector<std::string>{"2/5"});
  }
}

// A window keeps a case open while another program imports and analyses:
// it takes their rows, and what is typed into its own row stays.
TEST_P(CaseTableRows, AnotherWritersRowsAreFollowed) {
  AddRow("first");
  AddRow("second");
  table.First();
  table.FollowOtherWriters(false);  // a server may count this table's own posts
  EXPECT_FALSE(table.FollowOtherWriters(false));
  CaseTable other;
  other.Open(store.Location());
  other.Append();
  other.SetFieldText("SKELETON_NAME", "third");
  other.Post();
  other.First();
  other.Edit();
  other.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 41.5);
  other.Post();
  EXPECT_TRUE(table.FollowOtherWriters(false));
  EXPECT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(Name(), "first");
  EXPECT_DOUBLE_EQ(table.FieldAsFloat("RES_ALL_MAX_LIKELIHOOD"), 41.5);
  EXPECT_FALSE(table.FollowOtherWriters(false));

  // Kept: the edit stays, and its post meets the other change.
  table.Edit();
  table.SetFieldText("TA_Notes", "typed");
  other.Edit();
  other.SetFieldFloat("RES_ALL_MAX_LIKELIHOOD", 42.5);
  other.Post();
  other.Last();
  other.DeleteCurrent();
  EXPECT_TRUE(table.FollowOtherWriters(false));
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.FieldAsText("TA_Notes"), "typed");
  EXPECT_THROW(table.Post(), RowChangedError);
  table.ReloadRow();
  EXPECT_DOUBLE_EQ(table.FieldAsFloat("RES_ALL_MAX_LIKELIHOOD"), 42.5);

  // A current row deleted by the other writer gives way to its neighbour.
  table.Next();
  other.First();
  other.Next();
  other.DeleteCurrent();
  EXPECT_TRUE(table.FollowOtherWriters(false));
  EXPECT_EQ(table.RecordCount(), 1);
  EXPECT_EQ(Name(), "first");
}

INSTANTIATE_TEST_SUITE_P(Backends, CaseTableRows, ::testing::Values(test::Backend::Sqlite, test::Backend::Postgres),
                         [](const auto& param) { return test::BackendName(param.param); });

}  // namespace
}  // namespace vorla
