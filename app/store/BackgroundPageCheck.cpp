#include "BackgroundPageCheck.h"

#include "SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

bool IsDamage(int result) {
    const int primary = result & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

PageCheck CheckPages(sqlite3* db) {
    SqliteStatement check(db, "PRAGMA quick_check(1)");
    const int result = check.IsValid() ? check.Step() : sqlite3_errcode(db);
    if (result == SQLITE_ROW) {
        if (check.ColumnText(0) == "ok") {
            return {};
        }
        return {PageCheck::Verdict::Damaged, sqlite3_errstr(SQLITE_CORRUPT)};
    }
    return {IsDamage(result) ? PageCheck::Verdict::Damaged : PageCheck::Verdict::Failed,
            sqlite3_errmsg(db)};
}

BackgroundPageCheck::BackgroundPageCheck(std::filesystem::path file,
                                         std::chrono::milliseconds busyTimeout)
    : m_file(std::move(file)), m_busyTimeout(busyTimeout),
      m_thread(&BackgroundPageCheck::Run, this) {}

BackgroundPageCheck::~BackgroundPageCheck() {
    Result();
}

const PageCheck& BackgroundPageCheck::Result() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return m_result;
}

void BackgroundPageCheck::Run() {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(m_file.c_str(), &db, flags, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, static_cast<int>(m_busyTimeout.count()));
        m_result = CheckPages(db);
    } else {
        m_result = {PageCheck::Verdict::Failed, sqlite3_errmsg(db)};
    }
    sqlite3_close(db);
}
