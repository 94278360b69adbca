#include "SqliteProfileStore.h"

#include "CaseFolding.h"
#include "OwnerOnlyFile.h"
#include "SqliteStatement.h"

#include <sqlite3.h>

#include <charconv>
#include <thread>
#include <utility>

namespace {

constexpr const char* kText = "text";
constexpr const char* kInteger = "integer";

// The folded keys carry the comparison; section and name keep the spelling
// of their first write, as registry keys and values do.
constexpr const char* kCreateTable = R"(
CREATE TABLE IF NOT EXISTS store_value (
    section_key TEXT NOT NULL,
    name_key TEXT NOT NULL,
    section TEXT NOT NULL,
    name TEXT NOT NULL,
    type TEXT NOT NULL CHECK (type IN ('text', 'integer')),
    content NOT NULL,
    PRIMARY KEY (section_key, name_key)
) WITHOUT ROWID)";

constexpr const char* kSelectValue =
    "SELECT content FROM store_value WHERE section_key = ?1 AND name_key = ?2 AND type = ?3";

// The keys that begin with a prefix and go on with a digit, in one range of the index.
constexpr const char* kSelectSeries =
    "SELECT name_key, content FROM store_value "
    "WHERE section_key = ?1 AND name_key >= ?2 AND name_key < ?3 AND type = 'text'";

constexpr const char* kUpsertValue =
    "INSERT INTO store_value (section_key, name_key, section, name, type, content) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT (section_key, name_key) "
    "DO UPDATE SET type = excluded.type, content = excluded.content";

// The number that follows the prefix, written as "%d" writes a positive
// number; 0 for anything else ("Game01" is not "Game1").
std::int64_t SeriesNumber(std::string_view key, std::size_t prefixLength) {
    const std::string_view digits = key.substr(prefixLength);
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    const bool whole = error == std::errc() && end == digits.data() + digits.size();
    return whole && digits.front() != '0' ? number : 0;
}

} // namespace

SqliteProfileStore::SqliteProfileStore(std::filesystem::path file,
                                       std::chrono::milliseconds busyTimeout)
    : m_file(std::move(file)), m_busyTimeout(busyTimeout) {}

SqliteProfileStore::~SqliteProfileStore() {
    Close();
}

std::string SqliteProfileStore::ReadStoreText(std::string_view section, std::string_view name,
                                              std::string_view defaultText) {
    if (!FindValue(section, name, kText)) {
        return std::string(defaultText);
    }
    std::string text(m_read->ColumnText(0));
    m_read->Reset();
    return text;
}

std::int32_t SqliteProfileStore::ReadStoreInt(std::string_view section, std::string_view name,
                                              std::int32_t defaultValue) {
    if (!FindValue(section, name, kInteger)) {
        return defaultValue;
    }
    const auto value = static_cast<std::int32_t>(m_read->ColumnInt(0));
    m_read->Reset();
    return value;
}

void SqliteProfileStore::WriteStoreText(std::string_view section, std::string_view name,
                                        std::string_view text) {
    if (PrepareWrite(section, name, kText)) {
        m_write->Bind(6, text);
        FinishWrite();
    }
}

void SqliteProfileStore::WriteStoreInt(std::string_view section, std::string_view name,
                                       std::int32_t value) {
    if (PrepareWrite(section, name, kInteger)) {
        m_write->Bind(6, std::int64_t{value});
        FinishWrite();
    }
}

std::vector<std::string> SqliteProfileStore::ReadStoreTextSeries(std::string_view section,
                                                                 std::string_view prefix,
                                                                 std::int32_t last) {
    std::vector<std::string> texts;
    if (last <= 0 || !EnsureOpen()) {
        return texts;
    }
    const std::string key = FoldCase(prefix);
    m_series->Bind(1, FoldCase(section));
    m_series->Bind(2, key + '0');
    m_series->Bind(3, key + static_cast<char>('9' + 1));
    while (m_series->Step() == SQLITE_ROW) {
        const std::int64_t number = SeriesNumber(m_series->ColumnText(0), key.size());
        if (number < 1 || number > last) {
            continue;
        }
        const auto index = static_cast<std::size_t>(number - 1);
        if (index >= texts.size()) {
            texts.resize(index + 1);
        }
        texts[index].assign(m_series->ColumnText(1));
    }
    m_series->Reset();
    return texts;
}

void SqliteProfileStore::BeginTransaction() {
    if (m_transactionDepth++ > 0) {
        return;
    }
    // Immediate: a transaction that reads first and writes later could not
    // wait for another writer, it would fail at once.
    m_transactionFailed = !EnsureOpen() || !Execute("BEGIN IMMEDIATE");
}

void SqliteProfileStore::EndTransaction() {
    if (m_transactionDepth == 0 || --m_transactionDepth > 0) {
        return;
    }
    const bool open = m_db != nullptr && sqlite3_get_autocommit(m_db) == 0;
    if (open && (m_transactionFailed || !Execute("COMMIT"))) {
        if (!m_transactionFailed) {
            RecordWriteFailure();
        }
        Execute("ROLLBACK");
    }
    m_transactionFailed = false;
}

bool SqliteProfileStore::TakeWriteFailure() {
    return std::exchange(m_writeFailed, false);
}

bool SqliteProfileStore::EnsureOpen() {
    return m_db != nullptr || OpenDatabase();
}

bool SqliteProfileStore::OpenDatabase() {
    if (!PrepareOwnerOnlyFile(m_file)) {
        return false;
    }
    // The file exists by now, owner-only; sqlite gives its journals the same mode.
    if (sqlite3_open_v2(m_file.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        Close();
        return false;
    }
    sqlite3_busy_timeout(m_db, static_cast<int>(m_busyTimeout.count()));
    // Full synchronisation: a commit is on disk when it returns.
    if (!ExecuteWaiting("PRAGMA journal_mode = WAL") || !Execute("PRAGMA synchronous = FULL") ||
        !Execute(kCreateTable)) {
        Close();
        return false;
    }
    m_read = std::make_unique<SqliteStatement>(m_db, kSelectValue);
    m_write = std::make_unique<SqliteStatement>(m_db, kUpsertValue);
    m_series = std::make_unique<SqliteStatement>(m_db, kSelectSeries);
    if (!m_read->IsValid() || !m_write->IsValid() || !m_series->IsValid()) {
        Close();
        return false;
    }
    return true;
}

void SqliteProfileStore::Close() {
    m_read.reset();
    m_write.reset();
    m_series.reset();
    sqlite3_close(m_db);
    m_db = nullptr;
}

bool SqliteProfileStore::Execute(const char* sql) {
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Two programs switching a new file to WAL at once would each hold the lock
// the other needs, so sqlite fails one at once rather than wait: retry it.
bool SqliteProfileStore::ExecuteWaiting(const char* sql) {
    const auto deadline = std::chrono::steady_clock::now() + m_busyTimeout;
    for (;;) {
        const int result = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
        if ((result & 0xff) != SQLITE_BUSY || std::chrono::steady_clock::now() >= deadline) {
            return result == SQLITE_OK;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void SqliteProfileStore::BindKey(SqliteStatement& statement, std::string_view section,
                                 std::string_view name) {
    statement.Bind(1, FoldCase(section));
    statement.Bind(2, FoldCase(name));
}

bool SqliteProfileStore::FindValue(std::string_view section, std::string_view name,
                                   const char* type) {
    if (!EnsureOpen()) {
        return false;
    }
    BindKey(*m_read, section, name);
    m_read->Bind(3, type);
    if (m_read->Step() == SQLITE_ROW) {
        return true;
    }
    m_read->Reset();
    return false;
}

bool SqliteProfileStore::PrepareWrite(std::string_view section, std::string_view name,
                                      const char* type) {
    if ((m_transactionDepth > 0 && m_transactionFailed) || !EnsureOpen()) {
        RecordWriteFailure();
        return false;
    }
    BindKey(*m_write, section, name);
    m_write->Bind(3, section);
    m_write->Bind(4, name);
    m_write->Bind(5, type);
    return true;
}

void SqliteProfileStore::FinishWrite() {
    const bool written = m_write->Step() == SQLITE_DONE;
    m_write->Reset();
    if (!written) {
        RecordWriteFailure();
    }
}

void SqliteProfileStore::RecordWriteFailure() {
    m_writeFailed = true;
    if (m_transactionDepth > 0) {
        m_transactionFailed = true;
    }
}
