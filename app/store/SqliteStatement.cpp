#include "SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) {
    if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                           &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

void SqliteStatement::Bind(int index, std::string_view text) {
    // Texts are bound by length, so embedded zero bytes survive.
    // A default string_view has no data at all; it must still bind as the empty text.
    const char* data = text.data() != nullptr ? text.data() : "";
    sqlite3_bind_text64(m_statement, index, data, text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqliteStatement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(m_statement, index, value);
}

int SqliteStatement::Step() {
    return sqlite3_step(m_statement);
}

std::string_view SqliteStatement::ColumnText(int index) const {
    const auto* text = static_cast<const char*>(sqlite3_column_blob(m_statement, index));
    const int size = sqlite3_column_bytes(m_statement, index);
    return text == nullptr ? std::string_view()
                           : std::string_view(text, static_cast<std::size_t>(size));
}

std::int64_t SqliteStatement::ColumnInt(int index) const {
    return sqlite3_column_int64(m_statement, index);
}

void SqliteStatement::Reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}
