#include "store/Postgres.h"

#include <libpq-fe.h>

#include <limits>

#include "store/StoreError.h"

namespace vorla {

void PgResult::Free::operator()(pg_result* result) const noexcept {
  PQclear(result);
}

PgResult::PgResult(pg_result* result) : result_(result) {}

int PgResult::Rows() const {
  return result_ ? PQntuples(result_.get()) : 0;
}

bool PgResult::IsNull(int row, int column) const {
  return PQgetisnull(result_.get(), row, column) != 0;
}

std::string PgResult::Text(int row, int column) const {
  const char* value = PQgetvalue(result_.get(), row, column);
  return std::string(value, static_cast<std::size_t>(PQgetlength(result_.get(), row, column)));
}

PgConnection::~PgConnection() {
  Close();
}

namespace {

std::string Trimmed(const char* message) {
  std::string text = message != nullptr ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

void PgConnection::Open(const std::string& conninfo) {
  Close();
  // Parsed first, so that a malformed string is refused without being echoed
  // (it may hold a password).
  ConnInfoHasPassword(conninfo);
  pg_conn* conn = PQconnectdb(conninfo.c_str());
  if (conn == nullptr) throw StoreError("Cannot connect to the database server: out of memory");
  if (PQstatus(conn) != CONNECTION_OK) {
    const std::string message = Trimmed(PQerrorMessage(conn));
    PQfinish(conn);
    throw StoreError("Cannot connect to the database server: " + message);
  }
  conn_ = conn;
  // The server's notices (a warning about a transaction that is already
  // over) are no business of the user's.
  PQsetNoticeProcessor(
      conn_, [](void*, const char*) {}, nullptr);
  const char* host = PQhost(conn_);
  where_ = std::string("database ") + PQdb(conn_) + " on " + (host != nullptr && *host != '\0' ? host : "localhost") +
           " as " + PQuser(conn_);
  try {
    // Reals travel as their shortest exact text; texts as UTF-8; messages
    // in English, whatever the server's locale.
    Exec("SET extra_float_digits = 3");
    Exec("SET client_encoding = 'UTF8'");
    Exec("SET client_min_messages = warning");
  } catch (...) {
    Close();
    throw;
  }
}

void PgConnection::Close() noexcept {
  if (conn_ == nullptr) return;
  PQfinish(conn_);
  conn_ = nullptr;
}

std::string PgConnection::Where() const {
  return where_;
}

PgResult PgConnection::Check(pg_result* raw, std::string_view context) {
  PgResult result(raw);
  const ExecStatusType status = raw != nullptr ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
  std::string message = raw != nullptr ? Trimmed(PQresultErrorMessage(raw)) : "";
  if (message.empty()) message = Trimmed(PQerrorMessage(conn_));
  if (PQstatus(conn_) == CONNECTION_BAD) {
    throw StoreError("The connection to " + where_ + " was lost (" + message + ")");
  }
  throw StoreError(where_ + ": " + std::string(context) + ": " + message);
}

PgResult PgConnection::Exec(std::string_view sql) {
  if (conn_ == nullptr) throw StoreError("The database is not open");
  const std::string text(sql);
  return Check(PQexec(conn_, text.c_str()), "The statement failed");
}

namespace {

struct ParamArrays {
  std::vector<const char*> values;
  std::vector<int> lengths;
  explicit ParamArrays(const std::vector<PgParam>& params) {
    if (params.size() > 65535) throw StoreError("Too many parameters for one statement");
    for (const PgParam& p : params) {
      // The server takes a text up to its first NUL byte: said rather than cut.
      if (p && p->find('\0') != std::string::npos)
        throw StoreError("A text holds a NUL byte, which the database server cannot keep");
      values.push_back(p ? p->c_str() : nullptr);
      lengths.push_back(p ? static_cast<int>(p->size()) : 0);
    }
  }
};

}  // namespace

PgResult PgConnection::Exec(const std::string& sql, const std::vector<PgParam>& params) {
  if (conn_ == nullptr) throw StoreError("The database is not open");
  const ParamArrays a(params);
  return Check(PQexecParams(conn_, sql.c_str(), static_cast<int>(params.size()), nullptr, a.values.data(),
                            a.lengths.data(), nullptr, 0),
               "The database refused the operation");
}

void PgConnection::Prepare(const std::string& name, const std::string& sql) {
  if (conn_ == nullptr) throw StoreError("The database is not open");
  Check(PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr), "Cannot prepare a statement");
}

PgResult PgConnection::RunPrepared(const std::string& name, const std::vector<PgParam>& params) {
  if (conn_ == nullptr) throw StoreError("The database is not open");
  const ParamArrays a(params);
  return Check(PQexecPrepared(conn_, name.c_str(), static_cast<int>(params.size()), a.values.data(), a.lengths.data(),
                              nullptr, 0),
               "The database refused the operation");
}

bool PgConnection::InTransaction() const {
  if (conn_ == nullptr) return false;
  const PGTransactionStatusType status = PQtransactionStatus(conn_);
  return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

bool PgConnection::TransactionFailed() const {
  return conn_ != nullptr && PQtransactionStatus(conn_) == PQTRANS_INERROR;
}

bool PgConnection::Healthy() const {
  return conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK;
}

bool IsPostgresUri(std::string_view text) {
  return text.starts_with("postgresql://") || text.starts_with("postgres://");
}

bool ConnInfoHasPassword(const std::string& conninfo) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (options == nullptr) {
    const std::string message = Trimmed(error);
    PQfreemem(error);
    throw StoreError("The database connection string is not valid: " + message);
  }
  bool has = false;
  for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
    if (std::string_view(o->keyword) == "password" && o->val != nullptr && *o->val != '\0') has = true;
  }
  PQconninfoFree(options);
  return has;
}

}  // namespace vorla
