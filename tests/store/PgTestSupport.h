#pragma once
// The PostgreSQL server the tests use, named by the environment variable
// VORLA_PG_URI (scripts/pg-cluster.sh starts a throwaway one). Without it the
// tests that need a server are skipped; with VORLA_PG_REQUIRED=1 as well
// (as in CI) they fail instead.
#include <optional>
#include <string>
#include <vector>

struct pg_conn;

namespace vorla::test {

std::optional<std::string> PgServerUri();
bool PgRequired();

// A schema of its own on the test server, dropped with everything in it at
// the end of the test, and a connection of the test's own to it.
class PgSchema {
 public:
  PgSchema();
  ~PgSchema();
  PgSchema(const PgSchema&) = delete;
  PgSchema& operator=(const PgSchema&) = delete;

  // The server's URI with this schema as the search path; a lock is waited
  // for at most a second.
  const std::string& Uri() const { return uri_; }
  const std::string& Name() const { return name_; }
  void Exec(const std::string& sql);
  // The first column of every row of the query, as text ("" for NULL).
  std::vector<std::string> Column(const std::string& sql);
  // Ends every connection made with Uri() (as a lost connection would end).
  void KillOtherConnections();

 private:
  pg_conn* conn_ = nullptr;
  std::string name_;
  std::string uri_;
};

}  // namespace vorla::test

// At the start of a test that needs the server.
#define VORLA_REQUIRE_PG()                                                                           \
  do {                                                                                               \
    if (!::vorla::test::PgServerUri()) {                                                             \
      if (::vorla::test::PgRequired()) FAIL() << "VORLA_PG_REQUIRED is set but VORLA_PG_URI is not"; \
      GTEST_SKIP() << "no PostgreSQL server (VORLA_PG_URI)";                                         \
    }                                                                                                \
  } while (false)
