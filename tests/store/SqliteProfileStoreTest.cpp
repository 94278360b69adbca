#include "SqliteProfileStore.h"
#include "OpenProfileStore.h"
#include "StdToString.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr fs::perms kOwnerFile = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms kOwnerFolder = fs::perms::owner_all;

fs::perms Permissions(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

// Writes one game's worth of values into `section` as one transaction that,
// like adding a game to the list, reads before it writes.
void WriteGame(ProfileStore& store, const std::string& section, int round) {
    store.BeginTransaction();
    const int count = store.ReadStoreInt("Settings", "GameCount", 0);
    for (int row = 0; row < 16; ++row) {
        store.WriteStoreText(section, "Email" + std::to_string(row), std::to_string(round));
        store.WriteStoreInt(section, "Send" + std::to_string(row), round);
    }
    store.WriteStoreText("Settings", "LastGame", section);
    store.WriteStoreInt("Settings", "GameCount", count + 1);
    store.EndTransaction();
}

} // namespace

class SqliteProfileStoreTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    fs::path m_file;

    // A second program: writes 60 games into `section`, exits 1 on any lost write.
    pid_t StartWriter(const std::string& section) {
        const pid_t child = fork();
        if (child == 0) {
            SqliteProfileStore store(m_file);
            for (int round = 1; round <= 60; ++round) {
                WriteGame(store, section, round);
            }
            _exit(store.TakeWriteFailure() ? 1 : 0);
        }
        return child;
    }

    static int WriterExitCode(pid_t child) {
        int status = 0;
        return waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        m_file = fs::path(m_folder->path().toStdString()) / "Halvane" / "Zorvel.sqlite";
    }

    void ownerOnlyWhateverTheUmask_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<bool>("looseFileExists");
        QTest::newRow("umask 000") << 0000 << false;
        QTest::newRow("umask 022") << 0022 << false;
        QTest::newRow("umask 277") << 0277 << false;
        QTest::newRow("loose file from before") << 0022 << true;
    }

    void ownerOnlyWhateverTheUmask() {
        QFETCH(int, mask);
        QFETCH(bool, looseFileExists);
        const fs::path file = m_file.parent_path() / "config" / "Zorvel.sqlite";
        if (looseFileExists) {
            fs::create_directories(file.parent_path());
            QFile(QString::fromStdString(file.string())).open(QIODevice::WriteOnly);
            fs::permissions(file, fs::perms::all);
        }
        const mode_t previous = umask(static_cast<mode_t>(mask));
        SqliteProfileStore store(file);
        QCOMPARE(fs::exists(file), looseFileExists);
        store.WriteStoreText("Settings", "Password", "secret");
        umask(previous);
        QVERIFY(!store.TakeWriteFailure());
        if (!looseFileExists) {
            QCOMPARE(Permissions(m_file.parent_path()), kOwnerFolder);
            QCOMPARE(Permissions(file.parent_path()), kOwnerFolder);
        }
        for (const char* suffix : {"", "-wal", "-shm"}) {
            const fs::path written = file.string() + suffix;
            QVERIFY2(fs::exists(written), written.c_str());
            QCOMPARE(Permissions(written), kOwnerFile);
        }
    }

    void twoProgramsWritingAtOnceBothSucceed() {
        const pid_t first = StartWriter("one");
        const pid_t second = StartWriter("two");
        QCOMPARE(WriterExitCode(first), 0);
        QCOMPARE(WriterExitCode(second), 0);
        SqliteProfileStore reader(m_file);
        QCOMPARE(reader.ReadStoreInt("one", "Send15", 0), 60);
        QCOMPARE(reader.ReadStoreInt("two", "Send15", 0), 60);
        QCOMPARE(reader.ReadStoreInt("Settings", "GameCount", 0), 120);
    }

    void transactionSeenWholeOrNotAtAll() {
        SqliteProfileStore writer(m_file);
        SqliteProfileStore reader(m_file);
        WriteGame(writer, "g", 1);
        writer.BeginTransaction();
        writer.BeginTransaction();
        writer.WriteStoreInt("g", "Send0", 2);
        writer.EndTransaction();
        QCOMPARE(reader.ReadStoreInt("g", "Send0", 0), 1);
        writer.EndTransaction();
        QCOMPARE(reader.ReadStoreInt("g", "Send0", 0), 2);
    }

    void crashDuringTransactionKeepsOldValues() {
        {
            SqliteProfileStore before(m_file);
            WriteGame(before, "g", 1);
        }
        const pid_t child = fork();
        if (child == 0) {
            SqliteProfileStore store(m_file);
            store.BeginTransaction();
            store.WriteStoreText("g", "Email0", "half");
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        SqliteProfileStore reader(m_file);
        QCOMPARE(reader.ReadStoreText("g", "Email0", ""), "1");
    }

    void transactionLockedOutFailsWholeAndSucceedsWhenRetried() {
        SqliteProfileStore writer(m_file, 50ms);
        WriteGame(writer, "g", 1);
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(m_file.c_str(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        WriteGame(writer, "g", 2);
        QVERIFY(writer.TakeWriteFailure());
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(writer.ReadStoreText("g", "Email0", ""), "1");
        QCOMPARE(writer.ReadStoreInt("Settings", "GameCount", 0), 1);
        WriteGame(writer, "g", 2);
        QVERIFY(!writer.TakeWriteFailure());
        QCOMPARE(SqliteProfileStore(m_file).ReadStoreText("g", "Email0", ""), "2");
    }

    void writeFailuresAreRecorded_data() {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("folder is a file") << QString("Halvane") << QByteArray("x");
        QTest::newRow("store is a folder") << QString("Halvane/Zorvel.sqlite") << QByteArray();
    }

    void writeFailuresAreRecorded() {
        QFETCH(QString, blocker);
        QFETCH(QByteArray, content);
        const QString path = m_folder->filePath(blocker);
        if (content.isEmpty()) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        SqliteProfileStore store(m_file);
        QVERIFY(!store.TakeWriteFailure());
        QCOMPARE(store.ReadStoreText("Settings", "LastGame", "default"), "default");
        store.BeginTransaction();
        store.WriteStoreInt("Settings", "GameCount", 1);
        store.EndTransaction();
        QVERIFY(store.TakeWriteFailure());
        QVERIFY(!store.TakeWriteFailure());
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), content);
        }
    }

    void factoryUsesConfigFolder_data() {
        QTest::addColumn<QString>("xdgConfigHome");
        QTest::addColumn<QString>("expectedFolder");
        QTest::newRow("set") << QString("xdg") << QString("xdg");
        QTest::newRow("empty") << QString() << QString("home/.config");
        QTest::newRow("relative") << QString("relative") << QString("home/.config");
    }

    void factoryUsesConfigFolder() {
        QFETCH(QString, xdgConfigHome);
        QFETCH(QString, expectedFolder);
        const QString xdg =
            xdgConfigHome == "relative" ? xdgConfigHome : m_folder->filePath(xdgConfigHome);
        qputenv("HOME", m_folder->filePath("home").toUtf8());
        qputenv("XDG_CONFIG_HOME", xdgConfigHome.isEmpty() ? QByteArray() : xdg.toUtf8());
        const QString expected = m_folder->filePath(expectedFolder + "/Halvane/Zorvel.sqlite");
        const std::unique_ptr<ProfileStore> store = OpenProfileStore("Halvane", "Zorvel");
        QVERIFY(!QFile::exists(m_folder->filePath(expectedFolder)));
        store->ReadStoreText("Settings", "LastGame", "");
        QVERIFY(QFile::exists(expected));
    }
};

QTEST_GUILESS_MAIN(SqliteProfileStoreTest)
#include "SqliteProfileStoreTest.moc"
