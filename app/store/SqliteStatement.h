#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement, kept for reuse. Reset clears its bindings too.
class SqliteStatement {
public:
    // Invalid (IsValid false) when the statement cannot be prepared.
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool IsValid() const { return m_statement != nullptr; }
    void Bind(int index, std::string_view text);
    void Bind(int index, std::int64_t value);
    // The sqlite result code of one step: SQLITE_ROW, SQLITE_DONE or an error.
    int Step();
    // Valid until the next Step or Reset.
    std::string_view ColumnText(int index) const;
    std::int64_t ColumnInt(int index) const;
    void Reset();

private:
    sqlite3_stmt* m_statement = nullptr;
};
