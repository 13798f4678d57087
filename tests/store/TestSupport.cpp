#include "TestSupport.h"

#include "PgTestSupport.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vorla::test {

TestFolder::TestFolder() {
  static std::atomic<int> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = base / ("vorla-store-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("no fresh temporary folder");
}

TestFolder::~TestFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

RawDb::RawDb(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
    throw std::runtime_error("cannot open " + path);
  }
}

RawDb::~RawDb() {
  sqlite3_close(db_);
}

void RawDb::Exec(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : "?";
    sqlite3_free(error);
    throw std::runtime_error(sql + ": " + message);
  }
}

std::vector<std::string> RawDb::Column(const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
  }
  std::vector<std::string> values;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    values.emplace_back(text != nullptr ? text : "");
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
  return values;
}

std::string BackendName(Backend backend) {
  return backend == Backend::Sqlite ? "sqlite" : "postgres";
}

TestStore::TestStore(Backend backend) : backend_(backend) {
  if (backend_ == Backend::Postgres && PgServerUri()) pg_ = std::make_unique<PgSchema>();
}

TestStore::~TestStore() = default;

std::string TestStore::Location() const {
  if (backend_ == Backend::Sqlite) return folder_.Path();
  if (!pg_) throw std::runtime_error("no PostgreSQL server (VORLA_PG_URI)");
  return pg_->Uri();
}

void TestStore::Exec(const std::string& sql) {
  if (backend_ == Backend::Sqlite) {
    RawDb(folder_.Database()).Exec(sql);
  } else {
    pg_->Exec(sql);
  }
}

std::vector<std::string> TestStore::Column(const std::string& sql) {
  if (backend_ == Backend::Sqlite) return RawDb(folder_.Database()).Column(sql);
  return pg_->Column(sql);
}

void TestStore::Lock() {
  if (backend_ == Backend::Sqlite) {
    locker_ = std::make_unique<RawDb>(folder_.Database());
    locker_->Exec("BEGIN EXCLUSIVE");
  } else {
    pg_->Exec("BEGIN");
    pg_->Exec("LOCK TABLE TAData IN ACCESS EXCLUSIVE MODE");
  }
}

void TestStore::Unlock() {
  if (backend_ == Backend::Sqlite) {
    locker_->Exec("COMMIT");
    locker_.reset();
  } else {
    pg_->Exec("COMMIT");
  }
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace vorla::test
