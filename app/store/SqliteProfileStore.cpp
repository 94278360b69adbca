#include "SqliteProfileStore.h"

#include "BackgroundPageCheck.h"
#include "CaseFolding.h"
#include "DamagedStoreFile.h"
#include "OwnerOnlyFile.h"
#include "SqliteStatement.h"
#include "StoreFileAccess.h"
#include "StoreNotices.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
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

bool BothCompanionsExist(const std::filesystem::path& file) {
    std::error_code ignored;
    return std::filesystem::exists(file.string() + "-wal", ignored) &&
           std::filesystem::exists(file.string() + "-shm", ignored);
}

// A URI naming the file as one that nothing changes while it is open: sqlite
// then takes no locks and needs no -shm file beside it.
std::string ImmutableUri(const std::filesystem::path& file) {
    std::error_code ignored;
    std::string uri = "file://";
    for (const char c : std::filesystem::absolute(file, ignored).string()) {
        if (c == '%' || c == '?' || c == '#') {
            std::array<char, 4> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "%%%02X", static_cast<unsigned char>(c));
            uri += escaped.data();
        } else {
            uri += c;
        }
    }
    return uri + "?mode=ro&immutable=1";
}

std::string ReadingProblem(const std::filesystem::path& file, const std::string& reason) {
    return "The settings store " + file.string() + " cannot be read: " + reason + ".";
}

} // namespace

SqliteProfileStore::SqliteProfileStore(std::filesystem::path file,
                                       std::chrono::milliseconds busyTimeout)
    : m_file(std::move(file)), m_busyTimeout(busyTimeout) {}

SqliteProfileStore::SqliteProfileStore(std::filesystem::path file, Access access)
    : m_file(std::move(file)), m_busyTimeout(kDefaultBusyTimeout), m_access(access) {}

std::unique_ptr<SqliteProfileStore> SqliteProfileStore::OpenForReading(std::filesystem::path file,
                                                                       std::string& problem) {
    std::unique_ptr<SqliteProfileStore> store(
        new SqliteProfileStore(std::move(file), Access::ReadOnly));
    problem = store->OpenToRead();
    return problem.empty() ? std::move(store) : nullptr;
}

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

std::vector<NumberedText> SqliteProfileStore::ReadStoreTextSeries(std::string_view section,
                                                                  std::string_view prefix,
                                                                  std::int32_t last) {
    std::vector<NumberedText> texts;
    if (last <= 0 || !EnsureOpen() || !m_series) {
        return texts;
    }
    const std::string key = FoldCase(prefix);
    m_series->Bind(1, FoldCase(section));
    m_series->Bind(2, key + '0');
    m_series->Bind(3, key + static_cast<char>('9' + 1));
    while (m_series->Step() == SQLITE_ROW) {
        const std::int64_t number = SeriesNumber(m_series->ColumnText(0), key.size());
        const std::string_view text = m_series->ColumnText(1);
        if (number >= 1 && number <= last && !text.empty()) {
            texts.push_back({static_cast<std::int32_t>(number), std::string(text)});
        }
    }
    m_series->Reset();
    // The index orders the names as texts: "Game10" before "Game2".
    std::sort(texts.begin(), texts.end(),
              [](const NumberedText& a, const NumberedText& b) { return a.number < b.number; });
    return texts;
}

void SqliteProfileStore::BeginTransaction() {
    if (m_transactionDepth++ > 0) {
        return;
    }
    // Immediate: a transaction that reads first and writes later could not
    // wait for another writer, it would fail at once.
    m_transactionFailed = !EnsureOpen() || !SettleCheck() || !Execute("BEGIN IMMEDIATE");
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

void SqliteProfileStore::BeginReading() {
    if (m_readingDepth++ > 0 || m_transactionDepth > 0) {
        return;
    }
    // Deferred: it holds a snapshot from its first read on, and no lock a writer needs.
    m_readingOpen = EnsureOpen() && Execute("BEGIN");
}

void SqliteProfileStore::EndReading() {
    if (m_readingDepth == 0 || --m_readingDepth > 0) {
        return;
    }
    if (std::exchange(m_readingOpen, false)) {
        Execute("COMMIT");
    }
}

bool SqliteProfileStore::TakeWriteFailure() {
    return std::exchange(m_writeFailed, false);
}

OpeningNotice SqliteProfileStore::TakeOpeningNotice() {
    SettleCheck();
    return {std::exchange(m_notice, {}), std::exchange(m_damageFoundAfterReading, false)};
}

// A read-only store is opened once, by OpenForReading: one that was missing
// then stays empty rather than meet a file another copy is just creating.
bool SqliteProfileStore::EnsureOpen() {
    return m_db != nullptr || (m_access == Access::Normal && OpenDatabase());
}

bool SqliteProfileStore::OpenDatabase() {
    const StoreFileAccess access = InspectStoreFile(m_file);
    const bool firstOpening = std::exchange(m_firstOpening, false);
    Opening opening = Opening::Failed;
    switch (access.state) {
    case StoreFileAccess::State::Unreadable:
        m_notice = UnreadableNotice(m_file.string(), access.reason);
        return false;
    case StoreFileAccess::State::ReadOnly:
        opening = OpenReadOnly(access.reason);
        break;
    case StoreFileAccess::State::Missing:
        opening = OpenWritable(false);
        break;
    case StoreFileAccess::State::Writable:
        opening = OpenWritable(firstOpening);
        break;
    }
    return opening == Opening::Damaged ? ReplaceDamaged() : opening == Opening::Open;
}

// The way the window opens a store it may not write, without its notice,
// and without moving a damaged file aside: the file is told about instead.
std::string SqliteProfileStore::OpenToRead() {
    const StoreFileAccess access = InspectStoreFile(m_file);
    switch (access.state) {
    case StoreFileAccess::State::Missing:
        return {};
    case StoreFileAccess::State::Unreadable:
        return ReadingProblem(m_file, access.reason);
    case StoreFileAccess::State::ReadOnly:
    case StoreFileAccess::State::Writable:
        break;
    }
    return OpenReadOnly(access.reason) == Opening::Open ? std::string()
                                                        : ReadingProblem(m_file, m_failure);
}

SqliteProfileStore::Opening SqliteProfileStore::OpenWritable(bool checkLater) {
    if (!PrepareOwnerOnlyFile(m_file)) {
        return Opening::Failed;
    }
    // The file exists by now, owner-only; sqlite gives its journals the same mode.
    Opening opening = checkLater ? OpenConnection(m_file.string(), SQLITE_OPEN_READWRITE)
                                 : OpenChecked(m_file.string(), SQLITE_OPEN_READWRITE);
    // The schema is read and a table of that name checked before anything is
    // written, so that a file that is not a store is kept as it was found.
    const int table = opening == Opening::Open ? FindStoreTable() : SQLITE_DONE;
    if (table == SQLITE_ROW) {
        opening = PrepareStatements(true);
    } else if (table != SQLITE_DONE) {
        opening = FailOnError(table);
    }
    if (opening != Opening::Open) {
        return opening;
    }
    // Full synchronisation: a commit is on disk when it returns.
    if (!ExecuteWaiting("PRAGMA journal_mode = WAL") || !Execute("PRAGMA synchronous = FULL") ||
        !Execute(kCreateTable)) {
        return Fail(Opening::Failed);
    }
    opening = m_read ? Opening::Open : PrepareStatements(true);
    if (opening != Opening::Open) {
        return opening;
    }
    // Started once the file is in WAL mode, where its reading waits for no writer.
    if (checkLater) {
        m_check = std::make_unique<BackgroundPageCheck>(m_file, m_busyTimeout);
    }
    return Opening::Open;
}

// With both of its companion files present the store is opened read-only and
// sees other copies' commits. Without them it is opened immutable: a plain
// read-only open would leave a -wal and -shm of the file's read-only mode
// behind, and these would keep the store from being written once it may be
// again (and in a read-only folder it cannot make them at all).
SqliteProfileStore::Opening SqliteProfileStore::OpenReadOnly(const std::string& reason) {
    bool immutable = !BothCompanionsExist(m_file);
    Opening opening = Opening::Failed;
    if (!immutable) {
        opening = OpenChecked(m_file.string(), SQLITE_OPEN_READONLY);
        immutable = opening == Opening::Failed;
    }
    if (immutable) {
        opening = OpenChecked(ImmutableUri(m_file), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    }
    if (opening == Opening::Open) {
        opening = PrepareStatements(false);
    }
    if (opening == Opening::Open && m_access == Access::Normal) {
        m_notice = ReadOnlyNotice(m_file.string(), reason, immutable);
    }
    return opening;
}

SqliteProfileStore::Opening SqliteProfileStore::OpenConnection(const std::string& name, int flags) {
    if (sqlite3_open_v2(name.c_str(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        return Fail(Opening::Failed);
    }
    sqlite3_busy_timeout(m_db, static_cast<int>(m_busyTimeout.count()));
    return Opening::Open;
}

SqliteProfileStore::Opening SqliteProfileStore::OpenChecked(const std::string& name, int flags) {
    const Opening opening = OpenConnection(name, flags);
    return opening == Opening::Open ? CheckIntact() : opening;
}

SqliteProfileStore::Opening SqliteProfileStore::CheckIntact() {
    const PageCheck check = CheckPages(m_db);
    switch (check.verdict) {
    case PageCheck::Verdict::Intact:
        return Opening::Open;
    case PageCheck::Verdict::Damaged:
        return Fail(Opening::Damaged, "it is damaged (" + check.why + ')');
    case PageCheck::Verdict::Failed:
        break;
    }
    return Fail(Opening::Failed, check.why);
}

// A check that could not run to its end leaves the store open: the
// connection works, and damage it meets later still fails a write.
bool SqliteProfileStore::SettleCheck() {
    if (!m_check) {
        return m_db != nullptr;
    }
    const bool damaged = m_check->Result().verdict == PageCheck::Verdict::Damaged;
    m_check.reset();
    if (!damaged) {
        return true;
    }
    Close();
    m_damageFoundAfterReading = true;
    return ReplaceDamaged();
}

SqliteProfileStore::Opening SqliteProfileStore::PrepareStatements(bool writable) {
    if (!writable && FindStoreTable() != SQLITE_ROW) {
        return Opening::Open;
    }
    int result = SQLITE_OK;
    const auto prepare = [this, &result](std::unique_ptr<SqliteStatement>& statement,
                                         const char* sql) {
        if (result == SQLITE_OK) {
            statement = std::make_unique<SqliteStatement>(m_db, sql);
            result = statement->IsValid() ? SQLITE_OK : sqlite3_errcode(m_db);
        }
    };
    prepare(m_read, kSelectValue);
    prepare(m_series, kSelectSeries);
    if (writable) {
        prepare(m_write, kUpsertValue);
    }
    if (result == SQLITE_OK) {
        return Opening::Open;
    }
    // Our statements fit our table: a table of that name they do not fit is not ours.
    if ((result & 0xff) == SQLITE_ERROR) {
        return Fail(Opening::Damaged,
                    "it is not a settings store (" + std::string(sqlite3_errmsg(m_db)) + ')');
    }
    return FailOnError(result);
}

int SqliteProfileStore::FindStoreTable() {
    SqliteStatement find(m_db, "SELECT 1 FROM sqlite_schema WHERE name = 'store_value'");
    return find.IsValid() ? find.Step() : sqlite3_errcode(m_db);
}

bool SqliteProfileStore::ReplaceDamaged() {
    std::error_code error;
    const std::filesystem::path aside = MoveDamagedStoreAside(m_file, error);
    if (error) {
        m_notice = DamagedNotMovedNotice(m_file.string(), error.message());
        return false;
    }
    m_notice = DamagedNotice(m_file.string(), aside.string());
    return OpenWritable(false) == Opening::Open;
}

SqliteProfileStore::Opening SqliteProfileStore::Fail(Opening opening, std::string reason) {
    m_failure = reason.empty() ? sqlite3_errmsg(m_db) : std::move(reason);
    Close();
    return opening;
}

SqliteProfileStore::Opening SqliteProfileStore::FailOnError(int result) {
    if (IsDamage(result)) {
        return Fail(Opening::Damaged, "it is damaged (" + std::string(sqlite3_errmsg(m_db)) + ')');
    }
    return Fail(Opening::Failed);
}

// The check is joined first: the file is then free to be moved aside.
void SqliteProfileStore::Close() {
    m_check.reset();
    m_readingOpen = false;
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
    if (!EnsureOpen() || !m_read) {
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
    if ((m_transactionDepth > 0 && m_transactionFailed) || !EnsureOpen() || !SettleCheck() ||
        !m_write) {
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
