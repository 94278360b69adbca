// Reading a mailbox through the provider, the same cases over IMAP with
// STARTTLS, IMAP over TLS and a Maildir: a real Dovecot on 127.0.0.1 serves
// the Maildir that the third source reads directly.

#include "ImapTestServer.h"
#include "ProviderKit.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kUser = "tester";
const std::string kPassword = "s3cret-Imap-pw";
constexpr qint64 kFirstArrival = 1700000000;

// The messages every source holds, oldest first.
struct Sample {
    QString subject;
    QStringList options;
};

QString Text(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// Logged off however the test ends.
class ReadingSession {
public:
    ReadingSession(const Provider& provider, const std::string& profile) : m_provider(provider) {
        code = provider.Logon(profile, kPassword, &handle);
    }
    ~ReadingSession() {
        if (code == SUCCESS_SUCCESS) {
            m_provider.logoff(handle, 0, 0, 0);
        }
    }
    ReadingSession(const ReadingSession&) = delete;
    ReadingSession& operator=(const ReadingSession&) = delete;

    MapiULong code = 0;
    MapiSession handle = 0;

private:
    const Provider& m_provider;
};

// What MAPIReadMail gave, copied, the block freed.
struct ReadResult {
    MapiULong code = 0;
    QString subject, name, address, date, conversation, note;
    bool hasNote = false;
    MapiFlags flags = 0;
    QStringList paths, names;
};

ReadResult ReadOne(const Provider& provider, MapiSession session, const std::string& id,
                   MapiFlags flags) {
    ReadResult result;
    MapiMessage* message = nullptr;
    result.code = provider.Read(session, id, flags, &message);
    if (result.code != SUCCESS_SUCCESS || !message) {
        return result;
    }
    result.subject = Text(message->lpszSubject);
    result.name = Text(message->lpOriginator->lpszName);
    result.address = Text(message->lpOriginator->lpszAddress);
    result.date = Text(message->lpszDateReceived);
    result.conversation = Text(message->lpszConversationID);
    result.hasNote = message->lpszNoteText != nullptr;
    result.note = Text(message->lpszNoteText).trimmed();
    result.flags = message->flFlags;
    for (MapiULong i = 0; i < message->nFileCount; ++i) {
        result.paths << Text(message->lpFiles[i].lpszPathName);
        result.names << Text(message->lpFiles[i].lpszFileName);
    }
    provider.freeBuffer(message);
    return result;
}

QString LocalMinute(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toLocalTime().toString("yyyy/MM/dd HH:mm");
}

// Every file of the Maildir with its modification time: a rename, a move or a
// write shows.
QStringList MaildirFiles(const QString& maildir) {
    QStringList files;
    for (const QString sub : {"cur", "new"}) {
        const QDir folder(maildir + "/" + sub);
        for (const auto& info : folder.entryInfoList(QDir::Files, QDir::Name)) {
            files << sub + "/" + info.fileName() + " " +
                         QString::number(info.lastModified().toMSecsSinceEpoch());
        }
    }
    return files;
}

// The commands that could change a mailbox; none may ever reach the server.
QStringList ChangingCommands(const QStringList& commands) {
    static const QStringList kChanging{"SELECT", "STORE", "EXPUNGE", "COPY", "MOVE", "APPEND"};
    QStringList changing;
    for (const auto& command : commands) {
        auto words = command.split(' ');
        const auto verb = words.value(1).toUpper() == "UID" ? words.value(2) : words.value(1);
        if (kChanging.contains(verb.toUpper())) {
            changing << command;
        }
    }
    return changing;
}

// Dovecot logs a disconnect a moment after the client has gone: the log once
// it has not grown for a while.
QString SettledLog(const ImapTestServer& server) {
    QString log = server.Log();
    for (int i = 0; i < 50; ++i) {
        QThread::msleep(100);
        const auto now = server.Log();
        if (now == log) {
            break;
        }
        log = now;
    }
    return log;
}

} // namespace

class MapiReadTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void listsInArrivalOrderAndContinuesFromASeed_data() { AddSources(); }
    void listsInArrivalOrderAndContinuesFromASeed();
    void envelopesCarryTheHeaderAndArrival_data() { AddSources(); }
    void envelopesCarryTheHeaderAndArrival();
    void wholeReadGivesEveryAttachmentAsAFile_data() { AddSources(); }
    void wholeReadGivesEveryAttachmentAsAFile();
    void readingChangesNothing_data() { AddSources(); }
    void readingChangesNothing();
    void renumberedMailboxStartsAfresh_data() { AddSources(); }
    void renumberedMailboxStartsAfresh();
    void opensAMailboxByItsName_data();
    void opensAMailboxByItsName();
    void logonRefusals_data();
    void logonRefusals();
    void plainImapWithoutStartTlsNeverSendsThePassword();
    void callsRefusedOnTheWrongSessionOrId_data();
    void callsRefusedOnTheWrongSessionOrId();

private:
    void AddSources();
    std::string Profile(const QString& source, const QString& mailbox = {}) const;
    std::vector<std::string> AllIds(const std::string& profile);

    Provider m_provider;
    QTemporaryDir m_work;
    QString m_tempDir;
    std::unique_ptr<ImapTestServer> m_server;
    QString m_attachmentA;
    QString m_attachmentB;
};

void MapiReadTest::initTestCase() {
    QVERIFY2(m_provider.Load(), qPrintable(m_provider.Error()));
    // Dovecot's own processes must reach the server's folder in here.
    QVERIFY(QFile::setPermissions(m_work.path(), QFile::permissions(m_work.path()) |
                                                     QFile::ExeOther | QFile::ExeGroup));
    // The provider's temporary folders land here, where the test can see them.
    m_tempDir = m_work.filePath("tmp");
    QVERIFY(QDir().mkpath(m_tempDir));
    qputenv("TMPDIR", m_tempDir.toUtf8());
    QVERIFY(QDir().mkpath(m_work.filePath("server")));
    m_server = std::make_unique<ImapTestServer>(m_work.filePath("server"));
    QString error;
    QVERIFY2(m_server->Start(kUser, QString::fromStdString(kPassword), true, &error),
             qPrintable(error));
    m_attachmentA = m_work.filePath("a.m1");
    m_attachmentB = m_work.filePath("b.m1");
    QVERIFY(WriteTestFile(m_attachmentA, 200000));
    QVERIFY(WriteTestFile(m_attachmentB, 777));
    const QList<QStringList> samples{
        {"--unique", "1700000001.M1P1.contract", "--mtime", QString::number(kFirstArrival + 60),
         "--from", "=?UTF-8?Q?Ann_L=C3=A9e?= <ann@example.org>", "--subject",
         "=?UTF-8?Q?alpha_=C3=A4?= orders", "--message-id", "<m1@example.org>"},
        {"--unique", "1700000002.M2P1.contract", "--mtime", QString::number(kFirstArrival + 120),
         "--seen", "--from", "bob@example.org", "--subject", "Re: alpha", "--message-id",
         "<m2@example.org>", "--attach", m_attachmentA + ":a.m1", "--attach",
         m_attachmentB + ":Zürich b.m1:rfc2231"},
        {"--unique", "1700000003.M3P1.contract", "--mtime", QString::number(kFirstArrival + 180),
         "--into", "new", "--subject", "third", "--message-id", "<m3@example.org>"}};
    for (const auto& options : samples) {
        QVERIFY2(PutMail(m_server->Maildir(), options, &error), qPrintable(error));
    }
}

void MapiReadTest::AddSources() {
    QTest::addColumn<QString>("source");
    QTest::newRow("imap with STARTTLS") << "imap";
    QTest::newRow("imaps") << "imaps";
    QTest::newRow("maildir") << "maildir";
}

std::string MapiReadTest::Profile(const QString& source, const QString& mailbox) const {
    if (source == "maildir") {
        return ("maildir:" + m_server->Maildir()).toStdString();
    }
    const auto port = source == "imaps" ? m_server->ImapsPort() : m_server->ImapPort();
    return QString("%1://%2@127.0.0.1:%3/%4")
        .arg(source, kUser)
        .arg(port)
        .arg(mailbox)
        .toStdString();
}

std::vector<std::string> MapiReadTest::AllIds(const std::string& profile) {
    ReadingSession session(m_provider, profile);
    MapiULong code = 0;
    auto ids = m_provider.ListIds(session.handle, "", 0, &code);
    return code == MAPI_E_NO_MESSAGES ? ids : std::vector<std::string>{};
}

void MapiReadTest::listsInArrivalOrderAndContinuesFromASeed() {
    QFETCH(QString, source);
    ReadingSession session(m_provider, Profile(source));
    QCOMPARE(session.code, SUCCESS_SUCCESS);
    MapiULong code = 0;
    const auto ids = m_provider.ListIds(session.handle, "", 0, &code);
    QCOMPARE(code, MAPI_E_NO_MESSAGES);
    QCOMPARE(ids.size(), 3u);
    QStringList subjects;
    for (const auto& id : ids) {
        subjects << ReadOne(m_provider, session.handle, id, MAPI_ENVELOPE_ONLY | MAPI_PEEK).subject;
    }
    QCOMPARE(subjects, (QStringList{"alpha ä orders", "Re: alpha", "third"}));
    QCOMPARE(m_provider.ListIds(session.handle, ids[0], 0, &code),
             (std::vector<std::string>{ids[1], ids[2]}));
    QVERIFY(m_provider.ListIds(session.handle, ids[2], 0, &code).empty());
    QCOMPARE(code, MAPI_E_NO_MESSAGES);
    QCOMPARE(m_provider.ListIds(session.handle, "", MAPI_UNREAD_ONLY, &code),
             (std::vector<std::string>{ids[0], ids[2]}));

    // The next collection is a new session that starts from the last id it saw.
    ReadingSession later(m_provider, Profile(source));
    QCOMPARE(m_provider.ListIds(later.handle, ids[1], 0, &code), std::vector<std::string>{ids[2]});
}

void MapiReadTest::envelopesCarryTheHeaderAndArrival() {
    QFETCH(QString, source);
    ReadingSession session(m_provider, Profile(source));
    const auto ids = AllIds(Profile(source));
    QCOMPARE(ids.size(), 3u);
    const auto first = ReadOne(m_provider, session.handle, ids[0], MAPI_ENVELOPE_ONLY | MAPI_PEEK);
    QCOMPARE(first.code, SUCCESS_SUCCESS);
    QCOMPARE(first.subject, "alpha ä orders");
    QCOMPARE(first.name, "Ann Lée");
    QCOMPARE(first.address, "ann@example.org");
    QCOMPARE(first.date, LocalMinute(kFirstArrival + 60));
    QCOMPARE(first.conversation, "<m1@example.org>");
    QCOMPARE(first.flags, MAPI_UNREAD);
    QVERIFY(!first.hasNote);
    QVERIFY(first.paths.isEmpty());

    const auto second = ReadOne(m_provider, session.handle, ids[1], MAPI_ENVELOPE_ONLY | MAPI_PEEK);
    QCOMPARE(second.flags, 0u);
    QCOMPARE(second.name, "bob@example.org");
    QVERIFY(second.paths.isEmpty());
    const auto third = ReadOne(m_provider, session.handle, ids[2], MAPI_ENVELOPE_ONLY | MAPI_PEEK);
    QCOMPARE(third.flags, MAPI_UNREAD);
    QCOMPARE(third.date, LocalMinute(kFirstArrival + 180));
}

void MapiReadTest::wholeReadGivesEveryAttachmentAsAFile() {
    QFETCH(QString, source);
    QStringList paths;
    {
        ReadingSession session(m_provider, Profile(source));
        const auto ids = AllIds(Profile(source));
        QCOMPARE(ids.size(), 3u);
        const auto whole = ReadOne(m_provider, session.handle, ids[1], MAPI_PEEK);
        QCOMPARE(whole.code, SUCCESS_SUCCESS);
        QCOMPARE(whole.note, "My orders.");
        QCOMPARE(whole.names, (QStringList{"a.m1", "Zürich b.m1"}));
        QCOMPARE(Sha256Of(whole.paths.value(0)), Sha256Of(m_attachmentA));
        QCOMPARE(Sha256Of(whole.paths.value(1)), Sha256Of(m_attachmentB));
        // Files named by the provider, in one folder of the session's.
        const QFileInfo a(whole.paths.value(0));
        QCOMPARE(QFileInfo(whole.paths.value(1)).dir(), a.dir());
        QVERIFY(a.absolutePath().startsWith(m_tempDir));
        QVERIFY(!whole.paths.join('|').contains("b.m1"));
        paths = whole.paths;
    }
    // The caller took neither file; logging off removed both, and the folder.
    QVERIFY(!QFileInfo::exists(paths.value(0)));
    QVERIFY(!QFileInfo::exists(paths.value(1)));
    QVERIFY(!QFileInfo::exists(QFileInfo(paths.value(0)).absolutePath()));
}

void MapiReadTest::readingChangesNothing() {
    QFETCH(QString, source);
    QString error;
    const auto flagsBefore = m_server->Flags(&error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const auto filesBefore = MaildirFiles(m_server->Maildir());
    {
        ReadingSession session(m_provider, Profile(source));
        MapiULong code = 0;
        for (const auto& id : m_provider.ListIds(session.handle, "", 0, &code)) {
            for (const MapiFlags flags : {MAPI_ENVELOPE_ONLY, MapiFlags{0}, MAPI_PEEK}) {
                QCOMPARE(ReadOne(m_provider, session.handle, id, flags).code, SUCCESS_SUCCESS);
            }
        }
    }
    QCOMPARE(MaildirFiles(m_server->Maildir()), filesBefore);
    QCOMPARE(m_server->Flags(&error), flagsBefore);
    QVERIFY(flagsBefore.contains("\\Seen"));
    const auto commands = m_server->ClientCommands();
    QVERIFY(source == "maildir" || commands.filter("BODY.PEEK[]").size() > 0);
    QCOMPARE(ChangingCommands(commands), QStringList());
}

void MapiReadTest::renumberedMailboxStartsAfresh() {
    QFETCH(QString, source);
    const auto before = AllIds(Profile(source));
    QCOMPARE(before.size(), 3u);
    std::string seed = "1600000000.M1P1.gone";
    if (source != "maildir") {
        const auto validity = QString::fromStdString(before[0]).section(':', 0, 0).toUInt();
        QString error;
        m_server->Doveadm({"mailbox", "update", "-u", kUser, "--uid-validity",
                           QString::number(validity + 1), "INBOX"},
                          &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        seed = before[2];
    }
    ReadingSession session(m_provider, Profile(source));
    MapiULong code = 0;
    const auto after = m_provider.ListIds(session.handle, seed, 0, &code);
    QCOMPARE(code, MAPI_E_NO_MESSAGES);
    QCOMPARE(after.size(), 3u);
    QCOMPARE(ReadOne(m_provider, session.handle, after[0], MAPI_ENVELOPE_ONLY).subject,
             "alpha ä orders");
    if (source != "maildir") {
        QVERIFY(after[0] != before[0]);
    }
}

void MapiReadTest::opensAMailboxByItsName_data() {
    QTest::addColumn<QString>("created");
    QTest::addColumn<QString>("inUrl");
    QTest::addColumn<int>("messages");
    QTest::newRow("INBOX when none is named") << ""
                                              << "" << 3;
    QTest::newRow("INBOX named") << ""
                                 << "INBOX" << 3;
    QTest::newRow("non-ASCII and ampersand") << "Zürich & Co"
                                             << "Z%C3%BCrich%20%26%20Co" << 0;
    QTest::newRow("outside the BMP") << "Orders 🎲"
                                     << "Orders%20%F0%9F%8E%B2" << 0;
}

void MapiReadTest::opensAMailboxByItsName() {
    QFETCH(QString, created);
    QFETCH(QString, inUrl);
    QFETCH(int, messages);
    if (!created.isEmpty()) {
        QString error;
        m_server->Doveadm({"mailbox", "create", "-u", kUser, created}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    StderrCapture stderrText;
    ReadingSession session(m_provider, Profile("imap", inUrl));
    QVERIFY2(session.code == SUCCESS_SUCCESS, qPrintable(stderrText.Text()));
    MapiULong code = 0;
    QCOMPARE(static_cast<int>(m_provider.ListIds(session.handle, "", 0, &code).size()), messages);
    QCOMPARE(code, MAPI_E_NO_MESSAGES);
}

void MapiReadTest::logonRefusals_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("untrustedCa");
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("passwordSent");
    const auto imap = QString("imap://%1@127.0.0.1:%2").arg(kUser).arg(m_server->ImapPort());
    const auto imaps = QString("imaps://%1@127.0.0.1:%2").arg(kUser).arg(m_server->ImapsPort());
    const auto right = QString::fromStdString(kPassword);
    QTest::newRow("wrong password, STARTTLS")
        << imap << "wrong-pw-123" << false << "Authentication failed" << true;
    QTest::newRow("wrong password, TLS")
        << imaps << "wrong-pw-123" << false << "Authentication failed" << true;
    QTest::newRow("untrusted certificate") << imap << right << true << "certificate" << false;
    QTest::newRow("untrusted certificate, TLS") << imaps << right << true << "certificate" << false;
    QTest::newRow("no such mailbox") << imap + "/Nowhere" << right << false << "'Nowhere'" << true;
    QTest::newRow("no user") << QString("imap://127.0.0.1:%1").arg(m_server->ImapPort()) << right
                             << false << "names no user" << false;
    QTest::newRow("not a Maildir")
        << "maildir:" + m_work.path() << right << false << "is not a Maildir" << false;
}

void MapiReadTest::logonRefusals() {
    QFETCH(QString, profile);
    QFETCH(QString, password);
    QFETCH(bool, untrustedCa);
    QFETCH(QString, said);
    QFETCH(bool, passwordSent);
    const auto trusted = qgetenv("SSL_CERT_FILE");
    if (untrustedCa) {
        qputenv("SSL_CERT_FILE", "/etc/ssl/certs/ca-certificates.crt");
    }
    const auto logonsBefore = SettledLog(*m_server).count("user=<" + kUser + ">");
    StderrCapture stderrText;
    MapiSession session = 0;
    const auto code = m_provider.Logon(profile.toStdString(), password.toStdString(), &session);
    qputenv("SSL_CERT_FILE", trusted);
    QCOMPARE(code, MAPI_E_LOGIN_FAILURE);
    QCOMPARE(session, MapiSession{0});
    const auto text = stderrText.Text();
    QVERIFY2(text.contains(said), qPrintable(text));
    QVERIFY2(!text.contains(password), qPrintable(text));
    if (!passwordSent) {
        QCOMPARE(SettledLog(*m_server).count("user=<" + kUser + ">"), logonsBefore);
    }
}

void MapiReadTest::plainImapWithoutStartTlsNeverSendsThePassword() {
    const auto directory = m_work.filePath("plain");
    QVERIFY(QDir().mkpath(directory));
    ImapTestServer plain(directory);
    QString error;
    QVERIFY2(plain.Start(kUser, QString::fromStdString(kPassword), false, &error),
             qPrintable(error));
    StderrCapture stderrText;
    MapiSession session = 0;
    const auto profile = QString("imap://%1@127.0.0.1:%2").arg(kUser).arg(plain.ImapPort());
    QCOMPARE(m_provider.Logon(profile.toStdString(), kPassword, &session), MAPI_E_LOGIN_FAILURE);
    QVERIFY2(stderrText.Text().contains("STARTTLS"), qPrintable(stderrText.Text()));
    const auto log = SettledLog(plain);
    QVERIFY2(log.contains("no auth attempts"), qPrintable(log));
    QVERIFY2(!log.contains("user=<" + kUser + ">"), qPrintable(log));
}

void MapiReadTest::callsRefusedOnTheWrongSessionOrId_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("id");
    QTest::addColumn<MapiULong>("expected");
    QTest::addColumn<QString>("said");
    const auto imap = QString::fromStdString(Profile("imap"));
    const auto maildir = QString::fromStdString(Profile("maildir"));
    QTest::newRow("find on a sending session") << "/bin/true"
                                               << "find"
                                               << "" << MAPI_E_NOT_SUPPORTED << "sends mail";
    QTest::newRow("read on a sending session") << "/bin/true"
                                               << "read"
                                               << "1:1" << MAPI_E_NOT_SUPPORTED << "sends mail";
    QTest::newRow("send on a reading session") << maildir << "send"
                                               << "" << MAPI_E_NOT_SUPPORTED << "reads a mailbox";
    QTest::newRow("unknown IMAP id") << imap << "read"
                                     << "1:999999" << MAPI_E_INVALID_MESSAGE << "names no message";
    QTest::newRow("Maildir id on IMAP")
        << imap << "read"
        << "1700000001.M1P1.contract" << MAPI_E_INVALID_MESSAGE << "names no message";
    QTest::newRow("unknown Maildir id") << maildir << "read"
                                        << "1:1" << MAPI_E_INVALID_MESSAGE << "names no message";
    QTest::newRow("Maildir name with a path")
        << maildir << "read"
        << "../cur/1700000001.M1P1.contract" << MAPI_E_INVALID_MESSAGE << "names no message";
    QTest::newRow("seed that is no IMAP id") << imap << "find"
                                             << "abc" << MAPI_E_INVALID_MESSAGE << "no message id";
}

void MapiReadTest::callsRefusedOnTheWrongSessionOrId() {
    QFETCH(QString, profile);
    QFETCH(QString, call);
    QFETCH(QString, id);
    QFETCH(MapiULong, expected);
    QFETCH(QString, said);
    ReadingSession session(m_provider, profile.toStdString());
    QCOMPARE(session.code, SUCCESS_SUCCESS);
    StderrCapture stderrText;
    MapiULong code = 0;
    if (call == "find") {
        m_provider.ListIds(session.handle, id.toStdString(), 0, &code);
    } else if (call == "read") {
        MapiMessage* message = nullptr;
        code = m_provider.Read(session.handle, id.toStdString(), MAPI_PEEK, &message);
        QCOMPARE(message, nullptr);
    } else {
        TestMessage message;
        message.Subject("orders").To("", "SMTP:ann@example.org");
        code = m_provider.sendMail(session.handle, 0, message.Get(), 0, 0);
    }
    QCOMPARE(code, expected);
    QVERIFY2(stderrText.Text().contains(said), qPrintable(stderrText.Text()));
}

QTEST_GUILESS_MAIN(MapiReadTest)
#include "MapiReadTest.moc"
