#include "server/storage/SqliteConnection.h"

#include "server/storage/Storage.h"

#include <fcntl.h>
#include <unistd.h>

namespace scribeon::server {

namespace {

// SQLite keeps memory statistics under one process-wide mutex, taken on every
// allocation; nothing here reads them.
[[maybe_unused]] const bool memoryStatisticsOff = [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return true;
}();

// The database holds password hashes and token digests: a new one is
// readable by its owner only, whatever the umask. SQLite gives its -wal and
// -shm files the database file's mode.
void createPrivately(const std::string& path) {
    if (path.empty() || path.front() == ':' || path.starts_with("file:"))
        return; // in memory, or a URI naming its own options
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

SqliteConnection::SqliteConnection(const std::string& path) {
    createPrivately(path);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw StorageError("cannot open the database " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
    execute("PRAGMA journal_mode = WAL");
    execute("PRAGMA synchronous = NORMAL");
    execute("PRAGMA foreign_keys = ON");
    execute(("PRAGMA journal_size_limit = " + std::to_string(logSizeLimit)).c_str());
}

SqliteConnection::~SqliteConnection() {
    for (auto& [sql, prepared] : prepared_)
        sqlite3_finalize(prepared.statement);
    sqlite3_close_v2(db_);
}

void SqliteConnection::execute(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw StorageError(message);
    }
}

void SqliteConnection::fail(const std::string& what) const {
    throw StorageError(what + ": " + sqlite3_errmsg(db_));
}

int SqliteConnection::select(const char* sql, std::initializer_list<SqlValue> values,
                             const std::function<void(const StorageRow&)>& read) {
    SqliteStatement statement(*this, sql);
    int index = 0;
    for (const auto& value : values)
        std::visit([&](const auto& bound) { statement.bind(++index, bound); }, value);
    int rows = 0;
    for (; statement.step(); ++rows)
        read(statement);
    return rows;
}

SqliteStatement::SqliteStatement(SqliteConnection& connection, const char* sql)
    : connection_(connection) {
    // Map nodes stay put when the map grows, so the flag's address is stable.
    auto& prepared = connection.prepared_[sql];
    if (prepared.statement && !prepared.inUse) {
        statement_ = prepared.statement;
    } else {
        if (sqlite3_prepare_v2(connection.handle(), sql, -1, &statement_, nullptr) != SQLITE_OK)
            connection.fail("cannot prepare a statement");
        if (prepared.statement)
            return; // the cached one is busy: this one is used once
        prepared.statement = statement_;
    }
    prepared.inUse = true;
    cachedInUse_ = &prepared.inUse;
}

SqliteStatement::~SqliteStatement() {
    if (!cachedInUse_) {
        sqlite3_finalize(statement_);
        return;
    }
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    *cachedInUse_ = false;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK)
        connection_.fail("cannot bind a value");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const std::string& value) {
    if (sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        connection_.fail("cannot bind a value");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const std::optional<std::string>& value) {
    if (value)
        return bind(index, *value);
    if (sqlite3_bind_null(statement_, index) != SQLITE_OK)
        connection_.fail("cannot bind a value");
    return *this;
}

bool SqliteStatement::step() {
    const int status = sqlite3_step(statement_);
    if (status == SQLITE_ROW)
        return true;
    if (status == SQLITE_DONE)
        return false;
    connection_.fail("a statement failed");
}

void SqliteStatement::run() {
    while (step()) {
    }
}

std::int64_t SqliteStatement::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return bytes ? std::string(bytes,
                               static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                 : std::string();
}

std::optional<std::string> SqliteStatement::optionalText(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL)
        return std::nullopt;
    return text(column);
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection) : connection_(connection) {
    connection_.execute("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
    if (!done_) {
        try {
            connection_.execute("ROLLBACK");
        } catch (const StorageError&) {
        }
    }
}

void SqliteTransaction::commit() {
    connection_.execute("COMMIT");
    done_ = true;
}

} // namespace scribeon::server
