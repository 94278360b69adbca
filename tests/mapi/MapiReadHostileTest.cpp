// Hostile and awkward mail read through the provider from a real Dovecot on
// 127.0.0.1: names are handed over as sent (the caller makes them safe),
// damaged content is refused and leaves no file behind, and a 100 MB
// attachment costs little memory.

#include "ImapTestServer.h"
#include "ProviderKit.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kUser = "tester";
const std::string kPassword = "s3cret-Imap-pw";
constexpr qint64 kLargeAttachment = 100 * 1024 * 1024;
constexpr qint64 kPeakMemoryKiB = 64 * 1024;

struct Whole {
    MapiULong code = 0;
    QString note;
    QString conversation;
    QStringList paths, names;
};

QStringList FilesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << it.next();
    }
    return files;
}

} // namespace

class MapiReadHostileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void hostileMessages_data();
    void hostileMessages();
    void duplicateMessageIdsAreTwoMessages();
    void hundredMegabyteAttachmentWithinTheMemoryBudget();

private:
    bool Put(const QStringList& options);
    // Logs on, reads the newest `count` messages whole and logs off again.
    QList<Whole> ReadNewest(int count);

    Provider m_provider;
    QTemporaryDir m_work;
    QString m_tempDir;
    QString m_source;
    std::unique_ptr<ImapTestServer> m_server;
    int m_written = 0;
    QStringList m_leftInSession; // the temporary files once the caller took its own
};

void MapiReadHostileTest::initTestCase() {
    QVERIFY2(m_provider.Load(), qPrintable(m_provider.Error()));
    QVERIFY(QFile::setPermissions(m_work.path(), QFile::permissions(m_work.path()) |
                                                     QFile::ExeOther | QFile::ExeGroup));
    m_tempDir = m_work.filePath("tmp");
    QVERIFY(QDir().mkpath(m_tempDir));
    qputenv("TMPDIR", m_tempDir.toUtf8());
    QVERIFY(QDir().mkpath(m_work.filePath("server")));
    m_server = std::make_unique<ImapTestServer>(m_work.filePath("server"));
    QString error;
    QVERIFY2(m_server->Start(kUser, QString::fromStdString(kPassword), true, &error),
             qPrintable(error));
    m_source = m_work.filePath("orders.m1");
    QVERIFY(WriteTestFile(m_source, 5000));
}

// Unique names in writing order: the server numbers the messages that way.
bool MapiReadHostileTest::Put(const QStringList& options) {
    QString error;
    const auto unique = QString("1700000000.M%1P1.hostile").arg(++m_written, 7, 10, QChar('0'));
    const bool put =
        PutMail(m_server->Maildir(), QStringList{"--unique", unique} + options, &error);
    if (!put) {
        qWarning("%s", qPrintable(error));
    }
    return put;
}

QList<Whole> MapiReadHostileTest::ReadNewest(int count) {
    MapiSession session = 0;
    QList<Whole> read;
    if (m_provider.Logon("imap://" + kUser.toStdString() +
                             "@127.0.0.1:" + std::to_string(m_server->ImapPort()),
                         kPassword, &session) != SUCCESS_SUCCESS) {
        return read;
    }
    MapiULong code = 0;
    const auto ids = m_provider.ListIds(session, "", 0, &code);
    for (auto id = ids.end() - std::min<qsizetype>(count, ids.size()); id != ids.end(); ++id) {
        Whole whole;
        MapiMessage* message = nullptr;
        whole.code = m_provider.Read(session, *id, MAPI_PEEK, &message);
        if (message) {
            whole.note = QString::fromUtf8(message->lpszNoteText).trimmed();
            whole.conversation = QString::fromUtf8(message->lpszConversationID);
            for (MapiULong i = 0; i < message->nFileCount; ++i) {
                whole.paths << QString::fromUtf8(message->lpFiles[i].lpszPathName);
                whole.names << QString::fromUtf8(message->lpFiles[i].lpszFileName);
            }
            m_provider.freeBuffer(message);
        }
        read << whole;
    }
    // The caller's part: it takes the files before the session ends.
    for (const auto& whole : read) {
        for (const auto& path : whole.paths) {
            QFile::rename(path, m_work.filePath(QString("taken-%1").arg(m_written)) +
                                    QFileInfo(path).fileName());
        }
    }
    m_leftInSession = FilesUnder(m_tempDir);
    m_provider.logoff(session, 0, 0, 0);
    return read;
}

void MapiReadHostileTest::hostileMessages_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<MapiULong>("expected");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("said");
    const auto a = [this](const QString& name, const QString& style = "plain") {
        return QStringList{"--attach", m_source + ":" + name + ":" + style};
    };
    QTest::newRow("../ in the name")
        << a("../../evil.m1") << SUCCESS_SUCCESS << QStringList{"../../evil.m1"} << "";
    QTest::newRow("absolute name")
        << a("/etc/cron.d/evil") << SUCCESS_SUCCESS << QStringList{"/etc/cron.d/evil"} << "";
    QTest::newRow("backslashes") << a("..\\..\\evil.m1") << SUCCESS_SUCCESS
                                 << QStringList{"..\\..\\evil.m1"} << "";
    QTest::newRow("RFC 2231 name")
        << a("Zürich T1.m1", "rfc2231") << SUCCESS_SUCCESS << QStringList{"Zürich T1.m1"} << "";
    QTest::newRow("RFC 2047 name")
        << a("École 日本.m1", "rfc2047") << SUCCESS_SUCCESS << QStringList{"École 日本.m1"} << "";
    QTest::newRow("nested multiparts and an attached message")
        << QStringList{"--nested", "--attached-message"} + a("one.m1") + a("two.m1") + a("three.m1")
        << SUCCESS_SUCCESS << QStringList{"one.m1", "two.m1", "three.m1"} << "";
    QTest::newRow("broken base64") << QStringList{"--damage", "broken64"} + a("x.m1")
                                   << MAPI_E_INVALID_MESSAGE << QStringList{} << "base64";
    QTest::newRow("cut short") << QStringList{"--damage", "truncated", "--damaged", "2"} +
                                      a("x.m1") + a("y.m1")
                               << MAPI_E_INVALID_MESSAGE << QStringList{} << "cut short";
    QTest::newRow("damage in the second of two")
        << QStringList{"--damage", "broken64", "--damaged", "2", "--attached-message"} + a("x.m1") +
               a("y.m1")
        << MAPI_E_INVALID_MESSAGE << QStringList{} << "base64";
}

void MapiReadHostileTest::hostileMessages() {
    QFETCH(QStringList, options);
    QFETCH(MapiULong, expected);
    QFETCH(QStringList, names);
    QFETCH(QString, said);
    QVERIFY(Put(options));
    StderrCapture stderrText;
    const auto read = ReadNewest(1);
    QCOMPARE(read.size(), 1);
    const auto& whole = read.front();
    QCOMPARE(whole.code, expected);
    QCOMPARE(whole.names, names);
    QVERIFY2(stderrText.Text().contains(said), qPrintable(stderrText.Text()));
    if (expected == SUCCESS_SUCCESS) {
        QCOMPARE(whole.note, "My orders.");
    }
    // Each attachment was decoded whole; a refused message left nothing behind,
    // not even before the session ended.
    for (const auto& taken : QDir(m_work.path()).entryList({"taken-*"})) {
        QCOMPARE(Sha256Of(m_work.filePath(taken)), Sha256Of(m_source));
        QVERIFY(QFile::remove(m_work.filePath(taken)));
    }
    QCOMPARE(m_leftInSession, QStringList());
    QCOMPARE(FilesUnder(m_tempDir), QStringList());
}

void MapiReadHostileTest::duplicateMessageIdsAreTwoMessages() {
    const QStringList same{"--message-id", "<same@example.org>", "--attach",
                           m_source + ":orders.m1"};
    QVERIFY(Put(same + QStringList{"--subject", "first"}));
    QVERIFY(Put(same + QStringList{"--subject", "second"}));
    const auto read = ReadNewest(2);
    QCOMPARE(read.size(), 2);
    for (const auto& whole : read) {
        QCOMPARE(whole.code, SUCCESS_SUCCESS);
        QCOMPARE(whole.conversation, "<same@example.org>");
        QCOMPARE(whole.names, QStringList{"orders.m1"});
    }
    QVERIFY(read[0].paths != read[1].paths);
}

void MapiReadHostileTest::hundredMegabyteAttachmentWithinTheMemoryBudget() {
    const auto big = m_work.filePath("big.m1");
    QVERIFY(WriteTestFile(big, kLargeAttachment));
    QVERIFY(Put({"--attach", big + ":big.m1"}));
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon("imap://" + kUser.toStdString() +
                                  "@127.0.0.1:" + std::to_string(m_server->ImapPort()),
                              kPassword, &session),
             SUCCESS_SUCCESS);
    MapiULong code = 0;
    const auto ids = m_provider.ListIds(session, "", 0, &code);
    QVERIFY(!ids.empty());
    QVERIFY(ResetPeakMemory());
    QElapsedTimer clock;
    clock.start();
    MapiMessage* message = nullptr;
    QCOMPARE(m_provider.Read(session, ids.back(), MAPI_PEEK, &message), SUCCESS_SUCCESS);
    const auto peak = StatusKiB("VmHWM");
    qInfo("100 MB attachment: read in %lld ms, peak RSS %lld KiB", clock.elapsed(), peak);
    QCOMPARE(message->nFileCount, 1u);
    const auto path = QString::fromUtf8(message->lpFiles[0].lpszPathName);
    QCOMPARE(QFileInfo(path).size(), kLargeAttachment);
    QCOMPARE(Sha256Of(path), Sha256Of(big));
    m_provider.freeBuffer(message);
    m_provider.logoff(session, 0, 0, 0);
    QVERIFY2(peak > 0 && peak < kPeakMemoryKiB, qPrintable(QString::number(peak)));
}

QTEST_GUILESS_MAIN(MapiReadHostileTest)
#include "MapiReadHostileTest.moc"
