// What the store refuses, and that a refusal leaves the file as it found it:
// another program's database, a table missing fields, a damaged file, a
// database held by another program, an export that cannot be finished, and
// CSV files of another separator or with values no list offers.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>

#include "TestSupport.h"
#include "store/CaseCsv.h"
#include "store/CaseTable.h"
#include "store/PendingFile.h"
#include "store/Schema.h"

namespace vorla {
namespace {

namespace fs = std::filesystem;

std::string ErrorOfOpen(CaseTable& table, const std::string& folder) {
  try {
    table.Open(folder);
  } catch (const StoreError& e) {
    return e.what();
  }
  return "opened";
}

std::string ErrorOfImport(CaseTable& table, const std::string& path, std::vector<std::string>* warnings = nullptr) {
  std::vector<std::string> ignored;
  try {
    ImportCsv(table, path, {{"SEX", {"Female", "Male", "Unknown"}}, {"HAZARDFUNC", {"Archeological", "Forensic"}}},
              warnings ? *warnings : ignored);
  } catch (const StoreError& e) {
    return e.what();
  }
  return "imported";
}

TEST(StoreRefusal, AnotherProgramsDatabaseIsNotTakenOver) {
  test::TestFolder folder;
  {
    test::RawDb other(folder.Database());
    other.Exec("CREATE TABLE invoices (id INTEGER PRIMARY KEY, total REAL)");
  }
  CaseTable table;
  const std::string error = ErrorOfOpen(table, folder.Path());
  EXPECT_NE(error.find(folder.Database()), std::string::npos) << error;
  EXPECT_NE(error.find("no table TAData"), std::string::npos) << error;
  test::RawDb other(folder.Database());
  EXPECT_EQ(other.Column("SELECT name FROM sqlite_master WHERE type = 'table'"), std::vector<std::string>{"invoices"});
}

TEST(StoreRefusal, ATableMissingFieldsIsRefusedUnchanged) {
  test::TestFolder folder;
  // Neither the notes field nor the last result field: not an older table of
  // this program, so it must not gain the notes field before it is refused.
  std::string sql = "CREATE TABLE TAData (SKELETON_ID INTEGER PRIMARY KEY";
  for (const FieldInfo& field : CaseFields().subspan(1, 98))
    sql += ", " + std::string(field.name) + " " + std::string(SqlType(field.kind));
  {
    test::RawDb db(folder.Database());
    db.Exec(sql + ")");
  }
  CaseTable table;
  table.SetSleeper([](std::chrono::milliseconds) {});
  const std::string error = ErrorOfOpen(table, folder.Path());
  EXPECT_NE(error.find(folder.Database()), std::string::npos) << error;
  EXPECT_NE(error.find("has no fields"), std::string::npos) << error;
  test::RawDb db(folder.Database());
  EXPECT_EQ(db.Column("SELECT count(*) FROM pragma_table_info('TAData') WHERE name = 'TA_Notes'"),
            std::vector<std::string>{"0"});
}

TEST(StoreRefusal, DatabaseFailuresNameTheFile) {
  test::TestFolder folder;
  test::WriteText(folder.Database(), std::string(4096, 'x'));
  CaseTable table;
  const std::string error = ErrorOfOpen(table, folder.Path());
  EXPECT_NE(error.find(folder.Database()), std::string::npos) << error;
  EXPECT_NE(error.find("not a database"), std::string::npos) << error;
}

TEST(StoreRefusal, ABusyDatabaseIsWaitedForThenSaidToBeHeld) {
  test::TestFolder folder;
  CaseTable table;
  table.Open(folder.Path());
  table.Close();
  test::RawDb other(folder.Database());
  other.Exec("BEGIN EXCLUSIVE");
  table.SetBusyTimeout(std::chrono::milliseconds(300));
  const auto started = std::chrono::steady_clock::now();
  const std::string error = ErrorOfOpen(table, folder.Path());
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));
  EXPECT_NE(error.find(folder.Database() + " is held by another program"), std::string::npos) << error;
  other.Exec("COMMIT");
  EXPECT_EQ(ErrorOfOpen(table, folder.Path()), "opened");
}

TEST(StoreRefusal, AFailedExportKeepsTheEarlierFileWhole) {
  test::TestFolder folder;
  CaseTable table;
  table.Open(folder.Path());
  for (int i = 0; i < 200; ++i) {
    table.Append();
    table.SetFieldText("SKELETON_NAME", "case " + std::to_string(i));
    table.SetFieldText("TA_Notes", std::string(200, 'n'));
    table.Post();
  }
  const std::string target = folder.File("cases.csv");
  test::WriteText(target, "the earlier export\n");

  // A full disk: the process may not write more than a few kilobytes.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  std::string error;
  try {
    ExportCsv(table, target);
  } catch (const StoreError& e) {
    error = e.what();
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_NE(error.find(target), std::string::npos) << error;
  EXPECT_EQ(test::ReadText(target), "the earlier export\n");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder.Path())) files += entry.path().extension() != ".db";
  EXPECT_EQ(files, 1) << "a partial file was left";

  // With room, the export replaces it.
  EXPECT_EQ(ExportCsv(table, target), 200);
  EXPECT_NE(test::ReadText(target).find("case 199"), std::string::npos);
}

TEST(StoreRefusal, APendingFileLeftUncommittedKeepsTheTarget) {
  test::TestFolder folder;
  const std::string target = folder.File("report.csv");
  test::WriteText(target, "old");
  {
    PendingFile file(target);
    file.Stream() << "half";
  }
  EXPECT_EQ(test::ReadText(target), "old");
  {
    PendingFile file(target);
    file.Stream() << "new";
    file.Commit();
  }
  EXPECT_EQ(test::ReadText(target), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

// The temporary files a stopped writer left are cleared by the next one into
// the folder; files of the same look that a live writer or the user holds stay.
TEST(StoreRefusal, OnlyTheStaleTemporaryFilesOfThisProgramAreRemoved) {
  test::TestFolder folder;
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ::waitpid(gone, nullptr, 0);
  const std::string dead = std::to_string(gone), alive = std::to_string(::getpid());
  const struct {
    std::string name;
    bool old;  // not written to for two hours
    bool removed;
  } files[] = {
      {".case 1.pdf.part-" + dead + "-123", false, true},    // its writer is gone
      {".cases.csv.part-" + dead + "-7", false, true},       // of any name
      {".case 2.pdf.part-123456", true, true},               // of an earlier version, old
      {".case 3.pdf.part-123456", false, false},             // of an earlier version, recent
      {".case 4.pdf.part-" + alive + "-9", true, false},     // its writer still runs
      {"case 5.pdf.part-" + dead + "-1", false, false},      // not hidden
      {".case 6.pdf.part-" + dead + "-x", false, false},     // no number
      {".case 7.pdf.part-" + dead + "-1.pdf", true, false},  // more after the tag
      {".part-" + dead + "-1", false, false},                // no name
      {"notes.txt", true, false},
  };
  for (const auto& f : files) {
    test::WriteText(folder.File(f.name), "x");
    if (f.old) fs::last_write_time(folder.File(f.name), fs::file_time_type::clock::now() - std::chrono::hours(2));
  }
  fs::create_directory(folder.File(".case 8.pdf.part-" + dead + "-1"));  // a folder is no file of ours

  EXPECT_EQ(RemoveStaleTemporaryFiles(folder.Path(), "cases.csv"), 1u);  // only of that name
  EXPECT_EQ(RemoveStaleTemporaryFiles(folder.Path()), 2u);
  for (const auto& f : files) EXPECT_EQ(fs::exists(folder.File(f.name)), !f.removed) << f.name;
  EXPECT_TRUE(fs::is_directory(folder.File(".case 8.pdf.part-" + dead + "-1")));
  EXPECT_EQ(RemoveStaleTemporaryFiles(folder.File("no such folder")), 0u);
}

// A path the system cannot take is refused with that cause and the limit.
TEST(StoreRefusal, APathTooLongIsSaidWithItsLimit) {
  test::TestFolder folder;
  const std::string longName = folder.File(std::string(300, 'n') + ".csv");
  std::string longPath = folder.Path();
  for (int i = 0; i < 45; ++i) longPath += "/" + std::string(100, 'd');
  longPath += "/cases.csv";
  for (const std::string& path : {longName, longPath}) {
    try {
      PendingFile file(path);
      ADD_FAILURE() << "a file was begun at " << path.size() << " characters";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("too long ("), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("; at most "), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(PathLengthProblem(folder.File("cases.csv")), "");

  // The case table of a folder whose path leaves SQLite no room for its journal's name.
  for (const std::size_t length : {504u, 505u}) {
    std::string deep = folder.Path();
    const std::size_t folderLength = length - std::string("/TAData.db").size();
    while (deep.size() < folderLength) {
      const std::size_t room = folderLength - deep.size();
      deep += "/" + std::string(room > 101 ? std::min<std::size_t>(100, room - 3) : room - 1, 'd');
    }
    fs::create_directories(deep);
    ASSERT_EQ((deep + "/TAData.db").size(), length);
    CaseTable table;
    const std::string error = ErrorOfOpen(table, deep);
    if (length == 504) {
      EXPECT_EQ(error, "opened");
    } else {
      EXPECT_NE(error.find("the path is too long (505 characters; the database takes at most 504)"), std::string::npos)
          << error;
    }
  }
}

TEST(StoreRefusal, OtherSeparatorsAreRefusedWithAHint) {
  test::TestFolder folder;
  CaseTable table;
  table.Open(folder.Path());
  for (const auto& [separator, name] : {std::pair{";", "semicolons"}, std::pair{"\t", "tabs"}}) {
    const std::string path = folder.File("cases.csv");
    test::WriteText(path, std::string("SKELETON_NAME") + separator + "SEX\nA" + separator + "Male\n");
    const std::string error = ErrorOfImport(table, path);
    EXPECT_NE(error.find(std::string("separated by ") + name), std::string::npos) << error;
  }
  EXPECT_EQ(table.RecordCount(), 0);
}

TEST(StoreRefusal, ChoicesNoListOffersAreImportedWithAWarning) {
  test::TestFolder folder;
  CaseTable table;
  table.Open(folder.Path());
  const std::string path = folder.File("cases.csv");
  test::WriteText(path, "SKELETON_NAME,SEX,HAZARDFUNC\nA,MALE,forensic\nB,Banana,\nC,female,Modern\n");
  std::vector<std::string> warnings;
  EXPECT_EQ(ErrorOfImport(table, path, &warnings), "imported");
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find("line 3, field SEX: 'Banana'"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[1].find("line 4, field HAZARDFUNC: 'Modern'"), std::string::npos) << warnings[1];
  EXPECT_EQ(table.RecordCount(), 3);
}

TEST(StoreRefusal, SharedCaseNumbersAreImportedWithAWarningNamingTheOtherRow) {
  test::TestFolder folder;
  CaseTable table;
  table.Open(folder.Path());
  const std::string first = folder.File("first.csv");
  test::WriteText(first, "SKELETON_NAME\nA\nB\n");
  EXPECT_EQ(ErrorOfImport(table, first), "imported");
  const std::string second = folder.File("second.csv");
  test::WriteText(second, "SKELETON_NAME\nC\nB\nC\n");
  std::vector<std::string> warnings;
  EXPECT_EQ(ErrorOfImport(table, second, &warnings), "imported");
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], "line 3: the case number 'B' is already used by the stored case with SKELETON_ID 2");
  EXPECT_EQ(warnings[1], "line 4: the case number 'C' is also on line 2 of this file");
  EXPECT_EQ(table.RecordCount(), 5);
}

}  // namespace
}  // namespace vorla
