#pragma once

#include "server/storage/StorageRow.h"

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

// One row of a result.
class PostgresRow final : public StorageRow {
public:
    PostgresRow(const PostgresResult& result, int row) : result_(result), row_(row) {}
    std::int64_t integer(int column) const override { return result_.integer(row_, column); }
    std::string text(int column) const override { return result_.text(row_, column); }
    std::optional<std::string> optionalText(int column) const override {
        return result_.optionalText(row_, column);
    }
    bool flag(int column) const override { return result_.text(row_, column) == "t"; }

private:
    const PostgresResult& result_;
    int row_;
};

using PostgresValue = std::optional<std::string>; // absent is NULL

// One libpq connection. Statements are prepared once per connection and
// values are only ever sent as parameters, never spliced into SQL. A value
// holding a NUL is refused (StorageError), never cut short. Placeholders are
// written ?1, ?2… as for every engine, and become $1, $2… when prepared.
class PostgresConnection final : public SqlReader {
public:
    explicit PostgresConnection(const std::string& connectionString);
    ~PostgresConnection();
    PostgresConnection(const PostgresConnection&) = delete;
    PostgresConnection& operator=(const PostgresConnection&) = delete;
    PostgresConnection(PostgresConnection&&) = delete;
    PostgresConnection& operator=(PostgresConnection&&) = delete;

    void execute(const char* sql); // no parameters: schema changes, BEGIN, COMMIT
    PostgresResult query(const char* sql, const std::vector<PostgresValue>& values = {});
    int select(const char* sql, std::initializer_list<SqlValue> values,
               const std::function<void(const StorageRow&)>& read) override;
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
