#pragma once
// Thin owners of a libpq connection and of a query result. Every value goes
// to the server as a bound parameter in text form; every failure becomes a
// StoreError that names the database (never the password) and carries the
// server's message.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace vorla {

// One parameter: its text, or SQL NULL.
using PgParam = std::optional<std::string>;

class PgResult {
 public:
  PgResult() = default;
  explicit PgResult(pg_result* result);
  int Rows() const;
  bool IsNull(int row, int column) const;
  std::string Text(int row, int column) const;

 private:
  struct Free {
    void operator()(pg_result* result) const noexcept;
  };
  std::unique_ptr<pg_result, Free> result_;
};

class PgConnection {
 public:
  PgConnection() = default;
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // Connects with a libpq connection URI or key=value string. A password
  // comes from wherever libpq finds it (~/.pgpass, PGPASSFILE, the service
  // file, PGPASSWORD); sslmode and the other options are libpq's own.
  void Open(const std::string& conninfo);
  void Close() noexcept;
  bool IsOpen() const { return conn_ != nullptr; }
  // "database D on H as U", for messages.
  std::string Where() const;

  // A statement without parameters (transaction control, fixed DDL).
  PgResult Exec(std::string_view sql);
  PgResult Exec(const std::string& sql, const std::vector<PgParam>& params);
  // Prepared once per connection under a name, then run by that name.
  void Prepare(const std::string& name, const std::string& sql);
  PgResult RunPrepared(const std::string& name, const std::vector<PgParam>& params);

  // Inside a transaction block, in good or failed state.
  bool InTransaction() const;
  // Inside a transaction block that a failed statement has spoilt.
  bool TransactionFailed() const;
  // The connection is still usable.
  bool Healthy() const;

 private:
  PgResult Check(pg_result* result, std::string_view context);

  pg_conn* conn_ = nullptr;
  std::string where_;
};

// Whether the text is a PostgreSQL connection URI (postgresql:// or postgres://).
bool IsPostgresUri(std::string_view text);
// Whether the connection string carries a password of its own; throws when
// it is no valid connection string.
bool ConnInfoHasPassword(const std::string& conninfo);

}  // namespace vorla
