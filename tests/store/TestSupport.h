#pragma once
// Helpers for the store tests: a fresh folder per test, and direct access to
// the database file beside the table under test.
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace vorla::test {

// A new, empty folder, removed with everything in it at the end of the test.
class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string Database() const { return File("TAData.db"); }

 private:
  std::string path_;
};

// A second connection on a database file, as another program would hold it.
class RawDb {
 public:
  explicit RawDb(const std::string& path);
  ~RawDb();
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  void Exec(const std::string& sql);
  // The first column of every row of the query, as text ("" for NULL).
  std::vector<std::string> Column(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
};

class PgSchema;

// The two kinds of database a case table can live in.
enum class Backend { Sqlite, Postgres };
std::string BackendName(Backend backend);

// A fresh case table location of either kind, with raw access to it beside
// the table under test. For Postgres the test must first check the server
// (VORLA_REQUIRE_PG).
class TestStore {
 public:
  explicit TestStore(Backend backend);
  ~TestStore();
  TestStore(const TestStore&) = delete;
  TestStore& operator=(const TestStore&) = delete;

  Backend Kind() const { return backend_; }
  // What CaseTable::Open takes: the folder, or the connection URI.
  std::string Location() const;
  // A folder for other files of the test.
  const TestFolder& Folder() const { return folder_; }
  void Exec(const std::string& sql);
  std::vector<std::string> Column(const std::string& sql);
  // Another writer holds the whole table until Unlock.
  void Lock();
  void Unlock();
  PgSchema& Pg() { return *pg_; }

 private:
  Backend backend_;
  TestFolder folder_;
  std::unique_ptr<PgSchema> pg_;
  std::unique_ptr<RawDb> locker_;
};

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

}  // namespace vorla::test
