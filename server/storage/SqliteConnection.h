#pragma once

#include "server/storage/StorageRow.h"

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace scribeon::server {

class SqliteConnection;

// A prepared statement; values are only ever bound, never spliced into SQL.
class SqliteStatement final : public StorageRow {
public:
    SqliteStatement(SqliteConnection& connection, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement(SqliteStatement&&) = delete;
    SqliteStatement& operator=(SqliteStatement&&) = delete;

    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, const std::string& value);
    SqliteStatement& bind(int index, const std::optional<std::string>& value);
    bool step(); // true while a row is available
    void run();  // steps to the end
    std::int64_t integer(int column) const override;
    std::string text(int column) const override;
    std::optional<std::string> optionalText(int column) const override;
    bool flag(int column) const override { return integer(column) != 0; }

private:
    SqliteConnection& connection_;
    sqlite3_stmt* statement_ = nullptr;
    bool* cachedInUse_ = nullptr; // set when the statement belongs to the connection's cache
};

class SqliteConnection final : public SqlReader {
public:
    // A checkpoint held off by readers, or one late on a starved core, lets the
    // write-ahead log grow; once the log starts over it is cut back to this.
    static constexpr std::int64_t logSizeLimit = 16 << 20;

    explicit SqliteConnection(const std::string& path);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;
    SqliteConnection(SqliteConnection&&) = delete;
    SqliteConnection& operator=(SqliteConnection&&) = delete;

    void execute(const char* sql);
    int select(const char* sql, std::initializer_list<SqlValue> values,
               const std::function<void(const StorageRow&)>& read) override;
    std::int64_t lastInsertId() const { return sqlite3_last_insert_rowid(db_); }
    int changes() const { return sqlite3_changes(db_); }
    [[noreturn]] void fail(const std::string& what) const;
    sqlite3* handle() const { return db_; }

private:
    friend class SqliteStatement;
    struct Prepared {
        sqlite3_stmt* statement = nullptr;
        bool inUse = false;
    };
    // Statements are prepared once per connection and reset after each use.
    std::unordered_map<std::string, Prepared> prepared_;
    sqlite3* db_ = nullptr;
};

// BEGIN IMMEDIATE takes the write lock up front, so a check and the write
// that depends on it cannot interleave with another writer.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteConnection& connection);
    ~SqliteTransaction();
    void commit();

private:
    SqliteConnection& connection_;
    bool done_ = false;
};

} // namespace scribeon::server
