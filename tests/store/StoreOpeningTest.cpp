#include "CZorvelDlg.h"
#include "MessageBoxes.h"
#include "OpenProfileStore.h"
#include "SqliteProfileStore.h"
#include "TestSendServices.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

namespace {

enum class Spoil { FileMode, FileModeWhileOpen, ImmutableFile, FolderMode, ImmutableFolder };
enum class Damage { NotADatabase, DamagedPage, UnreadPage, ForeignTable, Folder };
enum class Found { Nothing, Store, StoreBeingWritten, ReadOnlyStore };

const QString kStore = QStringLiteral("The settings store ");

// As chattr +i and -i do; false when the file system or the user may not.
bool SetImmutable(const QString& path, bool immutable) {
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    int flags = 0;
    bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return done;
}

int Mode(const QString& path) {
    return static_cast<int>(
        std::filesystem::status(QFile::encodeName(path).toStdString()).permissions());
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Overwrite(const QString& path, qint64 offset, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(offset));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The start of a leaf page of the table in the middle of those that hold
// none of the settings and none of "alpha": reading these never reaches it.
qint64 UnreadLeafPage(const QString& path) {
    constexpr qint64 kPageSize = 4096;
    constexpr char kIndexLeaf = 0x0a;
    const QByteArray contents = Contents(path);
    QList<qint64> unread;
    for (qint64 start = kPageSize; start < contents.size(); start += kPageSize) {
        const QByteArray page = contents.mid(start, kPageSize);
        if (page[0] == kIndexLeaf && !page.contains("alpha") && !page.contains("settings")) {
            unread << start;
        }
    }
    // Neither neighbour of a page that is read.
    return unread.size() >= 3 ? unread[unread.size() / 2] : -1;
}

} // namespace

// A store that cannot be written or is damaged, as the host meets it in the
// main window: what he is told at start-up, what he sees, and what Exit does.
class StoreOpeningTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_temporary;
    QString m_folder;
    QString m_file;
    QStringList m_messages;
    TestSendServices m_sendServices;
    std::unique_ptr<CZorvelDlg> m_window;
    // Boxes that came while the main window was not on screen.
    int m_messagesWithoutWindow = 0;
    sqlite3* m_otherCopy = nullptr;

    std::unique_ptr<SqliteProfileStore> Store() const {
        return std::make_unique<SqliteProfileStore>(QFile::encodeName(m_file).toStdString());
    }

    void StoreGameAlpha() {
        const std::unique_ptr<SqliteProfileStore> store = Store();
        store->WriteStoreText("Settings", "LastGame", "alpha");
        store->WriteStoreText("Settings", "Game1", "alpha");
        store->WriteStoreInt("Settings", "GameCount", 1);
        store->WriteStoreText("alpha", "Email0", "ann@example.org");
        store->WriteStoreText("Settings", "Return Email", "host@example.org");
        QVERIFY(!store->TakeWriteFailure());
    }

    // Forty more listed games, whose sections fill pages of their own.
    void StoreMoreGames() {
        const std::unique_ptr<SqliteProfileStore> store = Store();
        store->BeginTransaction();
        for (int game = 1; game <= 40; ++game) {
            const std::string name = "game" + std::to_string(100 + game);
            store->WriteStoreText("Settings", "Game" + std::to_string(game + 1), name);
            for (int player = 0; player < 16; ++player) {
                store->WriteStoreText(name, "Email" + std::to_string(player),
                                      "player" + std::to_string(player) + "@example.org");
            }
        }
        store->WriteStoreInt("Settings", "GameCount", 41);
        store->EndTransaction();
        QVERIFY(!store->TakeWriteFailure());
    }

    // Shown, and what was left to do once it showed done.
    void Start() {
        m_window = std::make_unique<CZorvelDlg>(Store(), m_sendServices.Services(),
                                                MailLibraryChoice::Fixed("no-mail-library-here"));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QCoreApplication::processEvents();
    }

    QStringList Listed() const {
        QStringList names;
        const QComboBox* selector = m_window->Controls().gameSelector;
        for (int index = 0; index < selector->count(); ++index) {
            names << selector->itemText(index);
        }
        return names;
    }

    void ClickExit() { QTest::mouseClick(m_window->Controls().exit, Qt::LeftButton); }

    // False when the file system or the user cannot set the immutable flag.
    bool SpoilStore(Spoil spoil) {
        const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner;
        switch (spoil) {
        case Spoil::FileModeWhileOpen:
            // Its -wal and -shm files stay while it is open.
            sqlite3_open(QFile::encodeName(m_file).constData(), &m_otherCopy);
            sqlite3_exec(m_otherCopy, "SELECT * FROM store_value", nullptr, nullptr, nullptr);
            [[fallthrough]];
        case Spoil::FileMode:
            QFile::setPermissions(m_file, QFile::ReadOwner);
            break;
        case Spoil::FolderMode:
            QFile::setPermissions(m_folder, readOnly);
            break;
        case Spoil::ImmutableFile:
        case Spoil::ImmutableFolder:
            return SetImmutable(spoil == Spoil::ImmutableFile ? m_file : m_folder, true);
        }
        return true;
    }

    void DamageStore(Damage damage) {
        switch (damage) {
        case Damage::NotADatabase:
            Overwrite(m_file, 0, QByteArray(4096, 'x'));
            break;
        case Damage::DamagedPage:
            // Page 2, the table's root, after a header of 100 bytes on page 1.
            Overwrite(m_file, 4096, QByteArray(64, '\xff'));
            break;
        case Damage::UnreadPage: {
            StoreMoreGames();
            const qint64 page = UnreadLeafPage(m_file);
            QVERIFY(page > 0);
            Overwrite(m_file, page, QByteArray(64, '\xff'));
            break;
        }
        case Damage::ForeignTable: {
            QVERIFY(QFile::remove(m_file));
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(m_file).constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "CREATE TABLE store_value (key TEXT PRIMARY KEY, value)",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
            break;
        }
        case Damage::Folder:
            QVERIFY(QFile::remove(m_file));
            QVERIFY(QDir().mkdir(m_file));
            break;
        }
    }

    std::unique_ptr<ProfileStore> OpenForReading(std::string& problem) const {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temporary->path()));
        return OpenProfileStoreForReading("Halvane", "Zorvel", problem);
    }

    // Closes the window and the other copy and makes the store writable again.
    void Release() {
        m_window.reset();
        sqlite3_close(m_otherCopy);
        m_otherCopy = nullptr;
        MessageBoxes::SetAnswerer({});
        SetImmutable(m_file, false);
        SetImmutable(m_folder, false);
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private slots:
    void init() {
        m_temporary = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temporary->isValid());
        m_folder = m_temporary->filePath(QStringLiteral("Halvane"));
        m_file = m_folder + QStringLiteral("/Zorvel.sqlite");
        m_messages.clear();
        m_messagesWithoutWindow = 0;
        MessageBoxes::SetAnswerer([this](const MessageBoxes::Request& request) {
            m_messages << request.text;
            m_messagesWithoutWindow += m_window && m_window->isVisible() ? 0 : 1;
            return QMessageBox::Ok;
        });
    }

    void cleanup() {
        Release();
        QCOMPARE(m_messagesWithoutWindow, 0);
    }

    void storeThatCannotBeWrittenIsShownAndLeftAlone_data() {
        QTest::addColumn<int>("spoil");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("immutableOpen");
        QTest::newRow("file made read-only")
            << int(Spoil::FileMode) << QString("it is marked read-only") << true;
        QTest::newRow("file made read-only while another copy has it open")
            << int(Spoil::FileModeWhileOpen) << QString("it is marked read-only") << false;
        QTest::newRow("immutable file")
            << int(Spoil::ImmutableFile) << QString("it is marked immutable") << true;
        QTest::newRow("folder made read-only")
            << int(Spoil::FolderMode) << QString("its folder %1 is marked read-only") << true;
        QTest::newRow("immutable folder")
            << int(Spoil::ImmutableFolder) << QString("its folder %1 is marked immutable") << true;
    }

    void storeThatCannotBeWrittenIsShownAndLeftAlone() {
        QFETCH(int, spoil);
        QFETCH(QString, reason);
        QFETCH(bool, immutableOpen);
        StoreGameAlpha();
        if (!SpoilStore(static_cast<Spoil>(spoil))) {
            QSKIP("setting the immutable flag needs CAP_LINUX_IMMUTABLE and a file system with it");
        }
        const QByteArray contents = Contents(m_file);
        const int mode = Mode(m_file);

        Start();
        QCOMPARE(m_messages,
                 QStringList{kStore + m_file +
                             " cannot be changed: " + QString(reason).replace("%1", m_folder) +
                             ".\n\nYour games and mail options are shown as stored, but changes "
                             "you make cannot be kept" +
                             (immutableOpen ? ", and changes another copy of the program makes "
                                              "meanwhile are not seen."
                                            : ".")});
        QCOMPARE(m_window->Controls().gameSelector->currentText(), QStringLiteral("alpha"));
        QCOMPARE(m_window->Controls().Row(1).email->text(), QStringLiteral("ann@example.org"));
        ClickExit();
        QCOMPARE(m_messages.size(), 2);
        QVERIFY(m_messages[1].startsWith("Your games and mail options could not all be saved"));
        QVERIFY(m_window->isVisible());

        Release();
        QCOMPARE(Contents(m_file), contents);
        QCOMPARE(Mode(m_file), mode);
        // Nothing left behind that would keep the store from being written once it may be.
        QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{"Zorvel.sqlite"});
        QFile::setPermissions(m_file, QFile::ReadOwner | QFile::WriteOwner);
        const std::unique_ptr<SqliteProfileStore> store = Store();
        store->WriteStoreText("Settings", "LastGame", "beta");
        QVERIFY(!store->TakeWriteFailure());
    }

    void damagedStoreIsKeptAsideAndANewOneStarted_data() {
        QTest::addColumn<int>("damage");
        // The start-up read the game before the damage was found.
        QTest::addColumn<bool>("readBefore");
        QTest::newRow("not a database") << int(Damage::NotADatabase) << false;
        QTest::newRow("damaged page") << int(Damage::DamagedPage) << false;
        QTest::newRow("damaged page the start-up does not read") << int(Damage::UnreadPage) << true;
        QTest::newRow("table that is not ours") << int(Damage::ForeignTable) << false;
    }

    void damagedStoreIsKeptAsideAndANewOneStarted() {
        QFETCH(int, damage);
        QFETCH(bool, readBefore);
        StoreGameAlpha();
        DamageStore(static_cast<Damage>(damage));
        const QByteArray damaged = Contents(m_file);

        Start();
        const QStringList aside =
            QDir(m_folder).entryList({QStringLiteral("Zorvel-damaged-*")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QVERIFY2(QRegularExpression(R"(^Zorvel-damaged-\d{4}-\d\d-\d\d-\d{6}\.sqlite$)")
                     .match(aside[0])
                     .hasMatch(),
                 qPrintable(aside[0]));
        const QString asidePath = m_folder + '/' + aside[0];
        QCOMPARE(m_messages, QStringList{kStore + m_file +
                                         " was damaged and could not be read.\n\nIt has been "
                                         "kept as " +
                                         asidePath +
                                         ", and a new, empty store has been started in its "
                                         "place."});
        QCOMPARE(Contents(asidePath), damaged);
        // What was read stays on screen; the list offers only what the new store holds.
        const QString game = readBefore ? QStringLiteral("alpha") : QString();
        const QString email = readBefore ? QStringLiteral("ann@example.org") : QString();
        QCOMPARE(m_window->Controls().gameSelector->currentText(), game);
        QCOMPARE(m_window->Controls().Row(1).email->text(), email);
        QVERIFY2(!Listed().contains("alpha") && !Listed().contains("game101"),
                 qPrintable(Listed().join(',')));

        if (!readBefore) {
            QTest::keyClicks(m_window->Controls().gameSelector->lineEdit(), QStringLiteral("beta"));
        }
        ClickExit();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(!m_window->isVisible());
        m_window.reset();
        const std::unique_ptr<SqliteProfileStore> store = Store();
        const std::string stored = readBefore ? "alpha" : "beta";
        QCOMPARE(store->ReadStoreText("Settings", "Game1", ""), stored);
        QCOMPARE(store->ReadStoreInt("Settings", "GameCount", 0), 1);
        QCOMPARE(store->ReadStoreText(stored, "Email0", "missing"), email.toStdString());
        QCOMPARE(store->ReadStoreText("Settings", "Return Email", "missing"),
                 readBefore ? "host@example.org" : "");
        QCOMPARE(store->TakeOpeningNotice().text, "");
    }

    void storeOpenedForReadingIsReadAndLeftAlone_data() {
        QTest::addColumn<int>("found");
        QTest::addColumn<QString>("lastGame");
        QTest::newRow("no store yet") << int(Found::Nothing) << QString();
        QTest::newRow("store") << int(Found::Store) << QString("alpha");
        QTest::newRow("store another copy is writing")
            << int(Found::StoreBeingWritten) << QString("alpha");
        QTest::newRow("store marked read-only") << int(Found::ReadOnlyStore) << QString("alpha");
    }

    void storeOpenedForReadingIsReadAndLeftAlone() {
        QFETCH(int, found);
        QFETCH(QString, lastGame);
        std::unique_ptr<SqliteProfileStore> writer;
        if (found != int(Found::Nothing)) {
            StoreGameAlpha();
        }
        if (found == int(Found::StoreBeingWritten)) {
            writer = Store();
            writer->BeginTransaction();
            writer->WriteStoreText("Settings", "LastGame", "beta");
        } else if (found == int(Found::ReadOnlyStore)) {
            SpoilStore(Spoil::FileMode);
        }
        const QByteArray contents = Contents(m_file);
        const int mode = Mode(m_file);

        QElapsedTimer timer;
        timer.start();
        std::string problem = "untouched";
        const std::unique_ptr<ProfileStore> store = OpenForReading(problem);
        QVERIFY(store);
        QCOMPARE(problem, "");
        store->BeginReading();
        QCOMPARE(store->ReadStoreText("Settings", "LastGame", ""), lastGame.toStdString());
        QCOMPARE(store->ReadStoreTextSeries("Settings", "Game", 9).size(),
                 lastGame.isEmpty() ? 0 : 1);
        store->EndReading();
        // Well inside the five seconds a read that waited for the writer would take.
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        store->WriteStoreText("Settings", "LastGame", "gamma");
        QVERIFY(store->TakeWriteFailure());
        QCOMPARE(store->TakeOpeningNotice().text, "");
        if (writer) {
            writer->EndTransaction();
            QVERIFY(!writer->TakeWriteFailure());
            return;
        }
        QCOMPARE(Contents(m_file), contents);
        QCOMPARE(Mode(m_file), mode);
        QCOMPARE(QDir(m_folder).entryList(QDir::Files),
                 lastGame.isEmpty() ? QStringList() : QStringList{"Zorvel.sqlite"});
    }

    void storeThatCannotBeReadIsToldAndLeftAlone_data() {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a database")
            << int(Damage::NotADatabase) << QString("it is damaged (file is not a database)");
        QTest::newRow("damaged page")
            << int(Damage::DamagedPage)
            << QString("it is damaged (database disk image is malformed)");
        QTest::newRow("table that is not ours")
            << int(Damage::ForeignTable)
            << QString("it is not a settings store (no such column: content)");
        QTest::newRow("folder") << int(Damage::Folder) << QString("it is not a file");
    }

    void storeThatCannotBeReadIsToldAndLeftAlone() {
        QFETCH(int, damage);
        QFETCH(QString, reason);
        StoreGameAlpha();
        DamageStore(static_cast<Damage>(damage));
        const QByteArray damaged = Contents(m_file);
        const int mode = Mode(m_file);

        std::string problem;
        QVERIFY(!OpenForReading(problem));
        QCOMPARE(QString::fromStdString(problem),
                 kStore + m_file + " cannot be read: " + reason + '.');
        QCOMPARE(QDir(m_folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"Zorvel.sqlite"});
        QCOMPARE(Contents(m_file), damaged);
        QCOMPARE(Mode(m_file), mode);
    }

    void damagedStoreThatCannotBeMovedIsLeftAlone() {
        StoreGameAlpha();
        DamageStore(Damage::NotADatabase);
        const QByteArray damaged = Contents(m_file);
        if (!SetImmutable(m_file, true)) {
            QSKIP("setting the immutable flag needs CAP_LINUX_IMMUTABLE and a file system with it");
        }
        Start();
        QCOMPARE(m_messages, QStringList{kStore + m_file +
                                         " is damaged and cannot be read, and it could not be "
                                         "moved aside: Operation not permitted.\n\nYour games "
                                         "and mail options cannot be shown, and changes you make "
                                         "cannot be kept."});
        ClickExit();
        QCOMPARE(m_messages.size(), 2);
        QVERIFY(m_window->isVisible());
        Release();
        QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{"Zorvel.sqlite"});
        QCOMPARE(Contents(m_file), damaged);
    }
};

QTEST_MAIN(StoreOpeningTest)
#include "StoreOpeningTest.moc"
