#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace scribeon::server {

// A query's rows; freed with it.
class PostgresResult {
public:
    explicit PostgresResult(PGresult* result) : result_(result) {}
    ~PostgresResult() { PQclear(result_); }
    PostgresResult(PostgresResult&& other) noexcept : result_(other.result_) {
        other.result_ = nullptr;
    }
    PostgresResult(const PostgresResult&) = delete;
    PostgresResult& operator=(const PostgresResult&) = delete;
    PostgresResult& operator=(PostgresResult&&) = delete;

    int rows() const { return PQntuples(result_); }
    std::int64_t affected() const;
    std::int64_t integer(int row, int column) const;
    std::string text(int row, int column) const;
    std::optional<std::string> optionalText(int row, int column) const;

private:
    PGresult* result_;
};

using PostgresValue = std::optional<std::string>; // absent is NULL

// One libpq connection. Statements are prepared once per connection and
// values are only ever sent as parameters, never spliced into SQL. A value
// holding a NUL is refused (StorageError), never cut short.
class PostgresConnection {
public:
    explicit PostgresConnection(const std::string& connectionString);
    ~PostgresConnection();
    PostgresConnection(const PostgresConnection&) = delete;
    PostgresConnection& operator=(const PostgresConnection&) = delete;

    void execute(const char* sql); // no parameters: schema changes, BEGIN, COMMIT
    PostgresResult query(const char* sql, const std::vector<PostgresValue>& values = {});
    bool healthy() const { return PQstatus(connection_) == CONNECTION_OK; }

private:
    [[noreturn]] void fail(const std::string& what, PGresult* result = nullptr) const;
    const std::string& prepared(const char* sql);

    PGconn* connection_ = nullptr;
    std::unordered_map<std::string, std::string> statementNames_; // SQL → name
};

// BEGIN … COMMIT, rolled back when left early.
class PostgresTransaction {
public:
    explicit PostgresTransaction(PostgresConnection& connection);
    ~PostgresTransaction();
    PostgresTransaction(const PostgresTransaction&) = delete;
    PostgresTransaction& operator=(const PostgresTransaction&) = delete;
    void commit();

private:
    PostgresConnection& connection_;
    bool done_ = false;
};

} // namespace scribeon::server
