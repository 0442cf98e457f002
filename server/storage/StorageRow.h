#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <variant>

namespace scribeon::server {

// One row of a result, as either engine hands it over.
class StorageRow {
public:
    virtual std::int64_t integer(int column) const = 0;
    virtual std::string text(int column) const = 0;
    virtual std::optional<std::string> optionalText(int column) const = 0;
    // The value of a condition (x IS NOT NULL): an integer in one engine, a
    // boolean in another.
    virtual bool flag(int column) const = 0;

protected:
    StorageRow() = default;
    StorageRow(const StorageRow&) = default;
    StorageRow& operator=(const StorageRow&) = default;
    ~StorageRow() = default;
};

using SqlValue = std::variant<std::int64_t, std::string>;

// A connection as the queries both engines share see it. Placeholders are
// ?1, ?2… in every engine's SQL.
class SqlReader {
public:
    // Runs the statement and hands each row to `read`; how many there were.
    virtual int select(const char* sql, std::initializer_list<SqlValue> values,
                       const std::function<void(const StorageRow&)>& read) = 0;

protected:
    SqlReader() = default;
    SqlReader(const SqlReader&) = default;
    SqlReader& operator=(const SqlReader&) = default;
    ~SqlReader() = default;
};

} // namespace scribeon::server
