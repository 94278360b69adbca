#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

struct sqlite3;

// What reading every page of a store found.
struct PageCheck {
    enum class Verdict { Intact, Damaged, Failed };
    Verdict verdict = Verdict::Intact;
    // Why, as sqlite says it, unless Intact; its own report names pages and
    // cells, of no use to the host.
    std::string why;
};

// True for a sqlite result that says the file is damaged or not a database.
bool IsDamage(int result);

// Reads every page through `db`, on the calling thread.
PageCheck CheckPages(sqlite3* db);

// CheckPages on a read-only connection of its own, on a thread of its own
// that starts with this object: a writer's start-up need not wait for it.
// The connection is a WAL reader on one snapshot, so other copies' writes
// neither wait for it nor make it see half a commit. The store's file must
// be in WAL mode while it runs.
class BackgroundPageCheck {
public:
    BackgroundPageCheck(std::filesystem::path file, std::chrono::milliseconds busyTimeout);
    // Waits for the check to end.
    ~BackgroundPageCheck();
    BackgroundPageCheck(const BackgroundPageCheck&) = delete;
    BackgroundPageCheck& operator=(const BackgroundPageCheck&) = delete;

    // Waits for the check to end. Failed when it could not be run to its end
    // (the file could not be opened, another copy held it beyond the wait).
    const PageCheck& Result();

private:
    void Run();

    std::filesystem::path m_file;
    std::chrono::milliseconds m_busyTimeout;
    // Written by the check's thread only, read only after it has been joined.
    PageCheck m_result;
    // Last: it starts once the members it reads are in place.
    std::thread m_thread;
};
