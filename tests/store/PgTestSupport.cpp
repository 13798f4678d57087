#include "PgTestSupport.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

namespace vorla::test {

std::optional<std::string> PgServerUri() {
  const char* uri = std::getenv("VORLA_PG_URI");
  if (uri == nullptr || *uri == '\0') return std::nullopt;
  return std::string(uri);
}

bool PgRequired() {
  const char* required = std::getenv("VORLA_PG_REQUIRED");
  return required != nullptr && std::string(required) == "1";
}

PgSchema::PgSchema() {
  const auto server = PgServerUri();
  if (!server) throw std::runtime_error("no PostgreSQL server (VORLA_PG_URI)");
  static std::atomic<int> counter{0};
  name_ = "vorla_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
  conn_ = PQconnectdb(server->c_str());
  if (PQstatus(conn_) != CONNECTION_OK) {
    const std::string message = PQerrorMessage(conn_);
    PQfinish(conn_);
    conn_ = nullptr;
    throw std::runtime_error("cannot connect to the test server: " + message);
  }
  PQsetNoticeProcessor(
      conn_, [](void*, const char*) {}, nullptr);
  Exec("DROP SCHEMA IF EXISTS " + name_ + " CASCADE");
  Exec("CREATE SCHEMA " + name_);
  Exec("SET search_path TO " + name_);
  uri_ = *server + (server->find('?') == std::string::npos ? "?" : "&") + "options=-c%20search_path%3D" + name_ +
         "%20-c%20lock_timeout%3D1000&application_name=" + name_;
}

PgSchema::~PgSchema() {
  if (conn_ == nullptr) return;
  PQclear(PQexec(conn_, "ROLLBACK"));
  PQclear(PQexec(conn_, ("DROP SCHEMA IF EXISTS " + name_ + " CASCADE").c_str()));
  PQfinish(conn_);
}

void PgSchema::Exec(const std::string& sql) {
  PGresult* result = PQexec(conn_, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  const std::string message = PQresultErrorMessage(result);
  PQclear(result);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw std::runtime_error(sql + ": " + message);
}

std::vector<std::string> PgSchema::Column(const std::string& sql) {
  PGresult* result = PQexec(conn_, sql.c_str());
  if (PQresultStatus(result) != PGRES_TUPLES_OK) {
    const std::string message = PQresultErrorMessage(result);
    PQclear(result);
    throw std::runtime_error(sql + ": " + message);
  }
  std::vector<std::string> values;
  for (int r = 0; r < PQntuples(result); ++r) values.emplace_back(PQgetvalue(result, r, 0));
  PQclear(result);
  return values;
}

void PgSchema::KillOtherConnections() {
  Exec(
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
      "WHERE application_name = '" +
      name_ + "' AND pid <> pg_backend_pid()");
}

}  // namespace vorla::test
