// The provider handing messages to sendmail-compatible programs: a stand-in that
// records what it gets, the system's sendmail by name, and msmtp with an account.

#include "ProviderKit.h"
#include "SmtpTestServer.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <csignal>

namespace {

const QString kFakeSendmail = ZORVEL_TEST_SOURCE_DIR "/support/fake_sendmail.sh";

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Ended and reaped, or ended and waiting for a parent that does not reap.
bool HasEnded(pid_t pid) {
    const auto stat = ReadAll(QString("/proc/%1/stat").arg(pid));
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

} // namespace

class MapiProgramTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void standInGetsArgumentsAndMessage_data();
    void standInGetsArgumentsAndMessage();
    void failedProgramFailsTheSend();
    void hungProgramIsEndedWithItsChildren();
    void subjectReadsAsTyped_data();
    void subjectReadsAsTyped();
    void emptyProfileUsesTheSystemSendmail();
    void msmtpAccountDelivers_data();
    void msmtpAccountDelivers();

private:
    MapiULong SendOneMessage(const std::string& profile, bool withOriginator,
                             const std::string& subject = "alpha");
    void WriteMsmtpConfig(quint16 port, const QString& password);

    Provider m_provider;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_turnFile;
    QByteArray m_savedHome;
    QByteArray m_savedPath;
};

void MapiProgramTest::initTestCase() {
    QVERIFY2(m_provider.Load(), qPrintable(m_provider.Error()));
    m_savedHome = qgetenv("HOME");
    m_savedPath = qgetenv("PATH");
}

void MapiProgramTest::init() {
    m_work = std::make_unique<QTemporaryDir>();
    m_turnFile = m_work->filePath("alpha.m1");
    QVERIFY(WriteTestFile(m_turnFile, 30000));
    qputenv("FAKE_SENDMAIL_DIR", m_work->path().toUtf8());
    // msmtp reads its configuration from here; never from the user's real home.
    qputenv("HOME", m_work->path().toUtf8());
    qputenv("XDG_CONFIG_HOME", m_work->filePath(".config").toUtf8());
}

void MapiProgramTest::cleanup() {
    qunsetenv("FAKE_SENDMAIL_STATUS");
    qunsetenv("FAKE_SENDMAIL_HANG");
    qunsetenv("SIMPLEMAPI_PROGRAM_TIME_LIMIT");
    qputenv("HOME", m_savedHome);
    qputenv("PATH", m_savedPath);
    m_work.reset();
}

MapiULong MapiProgramTest::SendOneMessage(const std::string& profile, bool withOriginator,
                                          const std::string& subject) {
    MapiSession session = 0;
    if (const auto code = m_provider.Logon(profile, "", &session)) {
        return code;
    }
    TestMessage message;
    message.Subject(subject).Note("Round 1\nGo!");
    if (withOriginator) {
        message.From("Host", "SMTP:host@example.org");
    }
    message.To("Ann", "SMTP:ann@example.org").To("", "SMTP:bob@example.org", MAPI_CC);
    message.Attach(m_turnFile.toStdString(), "alpha.m1");
    const auto code = m_provider.sendMail(session, 0, message.Get(), 0, 0);
    m_provider.logoff(session, 0, 0, 0);
    return code;
}

void MapiProgramTest::standInGetsArgumentsAndMessage_data() {
    QTest::addColumn<bool>("withOriginator");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("originator given")
        << true
        << QStringList{
               "--flag",         "-x", "-i", "-f", "host@example.org", "--", "ann@example.org",
               "bob@example.org"};
    QTest::newRow("program picks the sender")
        << false << QStringList{"--flag", "-x", "-i", "--", "ann@example.org", "bob@example.org"};
}

void MapiProgramTest::standInGetsArgumentsAndMessage() {
    QFETCH(bool, withOriginator);
    QFETCH(QStringList, arguments);
    const auto profile = kFakeSendmail + "  --flag -x ";
    QCOMPARE(SendOneMessage(profile.toStdString(), withOriginator), SUCCESS_SUCCESS);
    QCOMPARE(QString::fromUtf8(ReadAll(m_work->filePath("args"))).split('\n', Qt::SkipEmptyParts),
             arguments);
    const auto input = ReadAll(m_work->filePath("input"));
    QVERIFY(!input.contains('\r')); // a local program is given Unix line ends
    QString error;
    const auto mail = ReadMail(m_work->filePath("input"), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(mail["to"].toString(), QString("Ann <ann@example.org>"));
    QCOMPARE(mail["cc"].toString(), QString("bob@example.org"));
    QCOMPARE(mail["body"].toString(), QString("Round 1\nGo!"));
    QCOMPARE(mail["from"].toString().endsWith("<host@example.org>"), withOriginator);
    const auto attachment = mail["attachments"].toArray()[0].toObject();
    QCOMPARE(attachment["filename"].toString(), QString("alpha.m1"));
    QCOMPARE(attachment["sha256"].toString(), Sha256Of(m_turnFile));
}

void MapiProgramTest::failedProgramFailsTheSend() {
    qputenv("FAKE_SENDMAIL_STATUS", "75");
    StderrCapture errors;
    QCOMPARE(SendOneMessage(kFakeSendmail.toStdString(), true), MAPI_E_FAILURE);
    QVERIFY2(errors.Text().contains("code 2") && errors.Text().contains("exited with status 75"),
             qPrintable(errors.Text()));
}

void MapiProgramTest::hungProgramIsEndedWithItsChildren() {
    qputenv("FAKE_SENDMAIL_HANG", "1");
    qputenv("SIMPLEMAPI_PROGRAM_TIME_LIMIT", "1");
    QElapsedTimer clock;
    clock.start();
    StderrCapture errors;
    QCOMPARE(SendOneMessage(kFakeSendmail.toStdString(), true), MAPI_E_FAILURE);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(errors.Text().contains("did not finish within 1 seconds"), qPrintable(errors.Text()));
    const auto helper = static_cast<pid_t>(ReadAll(m_work->filePath("helper.pid")).toInt());
    QVERIFY(helper > 0);
    QDeadlineTimer settled(3000); // a killed process may take a moment to be reaped
    while (!HasEnded(helper) && !settled.hasExpired()) {
        QThread::msleep(20);
    }
    const bool ended = HasEnded(helper);
    if (!ended) {
        kill(helper, SIGKILL); // leave nothing behind when the test fails
    }
    QVERIFY2(ended, "the wrapper's helper outlived it");
}

void MapiProgramTest::subjectReadsAsTyped_data() {
    QTest::addColumn<QString>("subject");
    QTest::newRow("encoded word") << "=?utf-8?q?Round_12?=";
    QTest::newRow("encoded word among words") << "Turn =?iso-8859-1?q?caf=E9?= is due";
    QTest::newRow("long, with non-ASCII")
        << QString("Zoë's turn =?utf-8?b?w7w=?= – ").repeated(6) + "end";
    QTest::newRow("marker alone") << "a=?b";
}

void MapiProgramTest::subjectReadsAsTyped() {
    QFETCH(QString, subject);
    QCOMPARE(SendOneMessage(kFakeSendmail.toStdString(), true, subject.toStdString()),
             SUCCESS_SUCCESS);
    QString error;
    const auto mail = ReadMail(m_work->filePath("input"), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(mail["subject"].toString(), subject);
    QCOMPARE(mail["defects"].toArray().size(), 0);
}

void MapiProgramTest::emptyProfileUsesTheSystemSendmail() {
    const bool systemHasOne =
        QFileInfo::exists("/usr/sbin/sendmail") || QFileInfo::exists("/usr/lib/sendmail");
    if (systemHasOne) {
        // Which program that is, is the system's affair; it must at least be found.
        MapiSession session = 0;
        QCOMPARE(m_provider.Logon("", "", &session), SUCCESS_SUCCESS);
        QCOMPARE(m_provider.logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
        return;
    }
    const auto bin = m_work->filePath("bin");
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(QFile::link(kFakeSendmail, bin + "/sendmail"));
    qputenv("PATH", (bin + ":/usr/bin:/bin").toUtf8()); // found before any other sendmail
    QCOMPARE(SendOneMessage("", false), SUCCESS_SUCCESS);
    QVERIFY(ReadAll(m_work->filePath("input")).contains("Subject: alpha"));
}

void MapiProgramTest::WriteMsmtpConfig(quint16 port, const QString& password) {
    QFile config(m_work->filePath(".msmtprc"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QString("account games\n"
                         "host localhost\nport %1\n"
                         "tls on\ntls_starttls on\ntls_trust_file %2\n"
                         "auth on\nuser alice@example.org\npassword %3\n"
                         "from alice@example.org\n")
                     .arg(port)
                     .arg(m_work->filePath("cert.pem"), password)
                     .toUtf8());
    QVERIFY(config.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

void MapiProgramTest::msmtpAccountDelivers_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("password");
    QTest::addColumn<MapiULong>("code");
    QTest::newRow("account name") << "games"
                                  << "s3cret" << SUCCESS_SUCCESS;
    QTest::newRow("program path") << "/usr/bin/msmtp -a games"
                                  << "s3cret" << SUCCESS_SUCCESS;
    QTest::newRow("wrong password") << "games"
                                    << "wrong" << MAPI_E_FAILURE;
}

void MapiProgramTest::msmtpAccountDelivers() {
    QFETCH(QString, profile);
    QFETCH(QString, password);
    QFETCH(MapiULong, code);
    QString certificate;
    QString key;
    QString error;
    QVERIFY2(MakeTestCertificate(m_work->path(), &certificate, &key, &error), qPrintable(error));
    SmtpTestServer server(m_work->path());
    QVERIFY2(server.Start({"--cert", certificate, "--key", key, "--starttls", "--auth-user",
                           "alice@example.org", "--auth-password", "s3cret"},
                          &error),
             qPrintable(error));
    WriteMsmtpConfig(server.Port(), password);
    QCOMPARE(SendOneMessage(profile.toStdString(), true), code);
    QCOMPARE(server.MessageFiles().size(), code == SUCCESS_SUCCESS ? 1 : 0);
    if (code != SUCCESS_SUCCESS) {
        return;
    }
    QVERIFY(server.LogLines().contains("CMD 1 AUTH"));
    QVERIFY(server.LogLines().contains(
        "MESSAGE 1 0001.eml host@example.org ann@example.org,bob@example.org"));
    const auto mail = ReadMail(server.MessageFiles().front(), &error);
    QCOMPARE(mail["attachments"].toArray()[0].toObject()["sha256"].toString(),
             Sha256Of(m_turnFile));
}

QTEST_GUILESS_MAIN(MapiProgramTest)
#include "MapiProgramTest.moc"
