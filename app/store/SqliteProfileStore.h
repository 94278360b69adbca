#pragma once

#include "ProfileStore.h"

#include <chrono>
#include <filesystem>
#include <memory>

struct sqlite3;
class SqliteStatement;
class BackgroundPageCheck;

// The profile store as one SQLite database file: one row per value with its
// section, name, type and content; section and value names compared without
// regard to case. The file is opened on first use and kept open; every
// commit is on disk before it returns. Other copies of the program may use
// the same file: a writer waits up to `busyTimeout` for another's transaction,
// a reader never waits.
// A file that cannot be written is opened read-only and its mode left alone;
// a damaged file is moved aside and a new store started. Either is told once
// through TakeOpeningNotice.
// Every page is checked at opening, so that damage is found then and not in
// the middle of a later write, where it could only be told as a failed write.
// The first opening of a writable file leaves that check to a thread of its
// own and reads meanwhile; TakeOpeningNotice and the first write wait for it.
// One store object belongs to one thread, which alone uses its connection.
class SqliteProfileStore final : public ProfileStore {
public:
    static constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

    explicit SqliteProfileStore(std::filesystem::path file,
                                std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout);
    // The store `file` opened now, only to be read: nothing is created,
    // written, moved or repaired, and every write fails. A missing file reads
    // as empty. Null, with `problem` saying why for the host, when the file
    // exists but cannot be read.
    static std::unique_ptr<SqliteProfileStore> OpenForReading(std::filesystem::path file,
                                                              std::string& problem);
    ~SqliteProfileStore() override;
    SqliteProfileStore(const SqliteProfileStore&) = delete;
    SqliteProfileStore& operator=(const SqliteProfileStore&) = delete;

    std::string ReadStoreText(std::string_view section, std::string_view name,
                              std::string_view defaultText) override;
    std::int32_t ReadStoreInt(std::string_view section, std::string_view name,
                              std::int32_t defaultValue) override;
    void WriteStoreText(std::string_view section, std::string_view name,
                        std::string_view text) override;
    void WriteStoreInt(std::string_view section, std::string_view name,
                       std::int32_t value) override;
    std::vector<NumberedText> ReadStoreTextSeries(std::string_view section, std::string_view prefix,
                                                  std::int32_t last) override;
    void BeginTransaction() override;
    void EndTransaction() override;
    void BeginReading() override;
    void EndReading() override;
    bool TakeWriteFailure() override;
    OpeningNotice TakeOpeningNotice() override;

private:
    enum class Opening { Open, Failed, Damaged };
    enum class Access { Normal, ReadOnly };

    SqliteProfileStore(std::filesystem::path file, Access access);
    bool EnsureOpen();
    bool OpenDatabase();
    // Read-only access; empty when the store opened or is missing, else why not.
    std::string OpenToRead();
    // With `checkLater` the pages are checked by a BackgroundPageCheck.
    Opening OpenWritable(bool checkLater);
    Opening OpenReadOnly(const std::string& reason);
    // Opens `name`; closed again unless Open.
    Opening OpenConnection(const std::string& name, int flags);
    // OpenConnection, then CheckIntact.
    Opening OpenChecked(const std::string& name, int flags);
    Opening CheckIntact();
    // Waits for the check the opening left running and replaces a damaged
    // store as at opening. False when no store is open after it.
    bool SettleCheck();
    Opening PrepareStatements(bool writable);
    // SQLITE_ROW when the file holds a table of our name, SQLITE_DONE when not, else why not.
    int FindStoreTable();
    bool ReplaceDamaged();
    // Closes the connection; `reason` ends "... cannot be read: ", else sqlite says why.
    Opening Fail(Opening opening, std::string reason = {});
    // Fail for the sqlite error `result`: Damaged when it says so, else Failed.
    Opening FailOnError(int result);
    void Close();
    bool Execute(const char* sql);
    bool ExecuteWaiting(const char* sql);
    void BindKey(SqliteStatement& statement, std::string_view section, std::string_view name);
    // On true the read statement stands on the value's row; the caller resets it.
    bool FindValue(std::string_view section, std::string_view name, const char* type);
    // On true the write statement awaits only its content.
    bool PrepareWrite(std::string_view section, std::string_view name, const char* type);
    void FinishWrite();
    void RecordWriteFailure();

    std::filesystem::path m_file;
    std::chrono::milliseconds m_busyTimeout;
    Access m_access = Access::Normal;
    sqlite3* m_db = nullptr;
    // A read-only store has no write statement, and no read statements either
    // when it holds no table of ours: it reads as empty.
    std::unique_ptr<SqliteStatement> m_read;
    std::unique_ptr<SqliteStatement> m_write;
    std::unique_ptr<SqliteStatement> m_series;
    int m_transactionDepth = 0;
    int m_readingDepth = 0;
    bool m_readingOpen = false;
    // Set when the open transaction cannot be kept whole: its remaining writes
    // are refused and it is rolled back, so no half game reaches the disk.
    bool m_transactionFailed = false;
    bool m_writeFailed = false;
    // Only the first opening checks in the background: a later one follows a
    // failed opening, and may meet a damaged file that could not be moved.
    bool m_firstOpening = true;
    std::unique_ptr<BackgroundPageCheck> m_check;
    std::string m_notice;
    bool m_damageFoundAfterReading = false;
    // Why the last opening failed, for a read-only store's problem.
    std::string m_failure;
};
