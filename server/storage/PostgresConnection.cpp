#include "server/storage/PostgresConnection.h"

#include "server/storage/Storage.h"

namespace scribeon::server {

std::int64_t PostgresResult::affected() const {
    const char* count = PQcmdTuples(result_);
    return count && *count ? std::stoll(count) : 0;
}

std::int64_t PostgresResult::integer(int row, int column) const {
    return std::stoll(PQgetvalue(result_, row, column));
}

std::string PostgresResult::text(int row, int column) const {
    return {PQgetvalue(result_, row, column),
            static_cast<std::size_t>(PQgetlength(result_, row, column))};
}

std::optional<std::string> PostgresResult::optionalText(int row, int column) const {
    if (PQgetisnull(result_, row, column))
        return std::nullopt;
    return text(row, column);
}

PostgresConnection::PostgresConnection(const std::string& connectionString)
    : connection_(PQconnectdb(connectionString.c_str())) {
    if (PQstatus(connection_) != CONNECTION_OK) {
        // libpq's message names the host and the reason, never the password.
        const std::string message = connection_ ? PQerrorMessage(connection_) : "out of memory";
        PQfinish(connection_);
        connection_ = nullptr;
        throw StorageUnavailable("cannot connect to the database: " + message);
    }
    PQclear(PQexec(connection_, "SET client_min_messages = warning"));
}

PostgresConnection::~PostgresConnection() {
    PQfinish(connection_);
}

void PostgresConnection::fail(const std::string& what, PGresult* result) const {
    std::string message = what + ": " + PQerrorMessage(connection_);
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    const bool lost = PQstatus(connection_) != CONNECTION_OK;
    PQclear(result);
    if (lost)
        throw StorageUnavailable(message);
    throw StorageError(message);
}

void PostgresConnection::execute(const char* sql) {
    PGresult* result = PQexec(connection_, sql);
    const auto status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail("a statement failed", result);
    PQclear(result);
}

namespace {

// ?1 → $1: the one placeholder style of the project's SQL, in PostgreSQL's
// spelling. No statement of ours has a ? of its own (a text or an operator).
std::string postgresPlaceholders(std::string sql) {
    for (std::size_t at = sql.find('?'); at != std::string::npos; at = sql.find('?', at + 1))
        if (at + 1 < sql.size() && sql[at + 1] >= '0' && sql[at + 1] <= '9')
            sql[at] = '$';
    return sql;
}

} // namespace

const std::string& PostgresConnection::prepared(const char* sql) {
    auto found = statementNames_.find(sql);
    if (found != statementNames_.end())
        return found->second;
    const std::string name = "s" + std::to_string(statementNames_.size());
    PGresult* result =
        PQprepare(connection_, name.c_str(), postgresPlaceholders(sql).c_str(), 0, nullptr);
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        fail("cannot prepare a statement", result);
    PQclear(result);
    return statementNames_.emplace(sql, name).first->second;
}

PostgresResult PostgresConnection::query(const char* sql,
                                         const std::vector<PostgresValue>& values) {
    const std::string& name = prepared(sql);
    std::vector<const char*> pointers;
    pointers.reserve(values.size());
    for (const auto& value : values) {
        // Values go as text, which ends at a NUL: "a@b.c\0x" would be looked
        // up as "a@b.c". PostgreSQL text cannot hold a NUL anyway, so such a
        // value is refused rather than quietly cut.
        if (value && value->find('\0') != std::string::npos)
            throw StorageError("a value holds a NUL character, which the database cannot keep");
        pointers.push_back(value ? value->c_str() : nullptr);
    }
    PGresult* result = PQexecPrepared(connection_, name.c_str(), static_cast<int>(values.size()),
                                      pointers.data(), nullptr, nullptr, 0);
    const auto status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail("a statement failed", result);
    return PostgresResult(result);
}

int PostgresConnection::select(const char* sql, std::initializer_list<SqlValue> values,
                               const std::function<void(const StorageRow&)>& read) {
    std::vector<PostgresValue> texts;
    texts.reserve(values.size());
    for (const auto& value : values) {
        if (const auto* number = std::get_if<std::int64_t>(&value))
            texts.emplace_back(std::to_string(*number));
        else
            texts.emplace_back(std::get<std::string>(value));
    }
    const auto result = query(sql, texts);
    for (int row = 0; row < result.rows(); ++row)
        read(PostgresRow(result, row));
    return result.rows();
}

PostgresTransaction::PostgresTransaction(PostgresConnection& connection) : connection_(connection) {
    connection_.execute("BEGIN");
}

PostgresTransaction::~PostgresTransaction() {
    if (!done_) {
        try {
            connection_.execute("ROLLBACK");
        } catch (const StorageError&) {
        }
    }
}

void PostgresTransaction::commit() {
    connection_.execute("COMMIT");
    done_ = true;
}

} // namespace scribeon::server
