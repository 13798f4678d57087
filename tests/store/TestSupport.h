#pragma once
// Helpers for the store tests: a fresh folder per test, and direct access to
// the database file beside the table under test.
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

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

}  // namespace vorla::test
