// The provider against a real SMTP server on 127.0.0.1: what arrives, over how
// many connections, and which code each kind of refusal gives.

#include "ProviderKit.h"
#include "SmtpTestServer.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kUser = "alice@example.org";
const std::string kPassword = "s3cret-Pw";
const QByteArray kNote =
    "Turns mailed by Zorvel from halvane software, inc. (https://zorvel.example)\n\n"
    "Round 12 is out.\nGood luck!";

// Every form in which the logon could reach standard error.
QStringList CredentialForms(const QString& user, const std::string& password) {
    const auto secret = QByteArray::fromStdString(password);
    return {QString::fromLatin1(secret), QString::fromLatin1(secret.toBase64()),
            QString::fromLatin1(user.toUtf8().toBase64()),
            QString::fromLatin1(('\0' + user.toUtf8() + '\0' + secret).toBase64())};
}

} // namespace

class MapiSmtpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void deliversEveryMessageOverOneConnection();
    void deliversOverImplicitTls();
    void logonFailures_data();
    void logonFailures();
    void sendFailures_data();
    void sendFailures();
    void reconnectsOnceWhenTheServerClosed_data();
    void reconnectsOnceWhenTheServerClosed();
    void badAttachmentsStopTheMessage_data();
    void badAttachmentsStopTheMessage();
    void headerFieldsCannotInjectHeaders();
    void invalidUtf8StillMakesAReadableMessage();
    void zeroByteAttachmentArrivesEmpty();
    void silentServerFailsWithinAMinute();
    void muteServerFailsTheLogonWithinAMinute();

private:
    bool StartServer(const QStringList& options);
    QStringList SecureServer() const;
    std::string Url(const QString& scheme = "smtp") const;
    QString MakeFile(const QString& name, qint64 size);
    QJsonObject Delivered(int index);

    Provider m_provider;
    QTemporaryDir m_certDir;
    QTemporaryDir m_unsendableDir;
    std::unique_ptr<UnsendableFiles> m_unsendable;
    QString m_certificate;
    QString m_otherCertificate; // trusted instead of the server's in one row
    QString m_key;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<SmtpTestServer> m_server;
};

void MapiSmtpTest::initTestCase() {
    QVERIFY2(m_provider.Load(), qPrintable(m_provider.Error()));
    QString error;
    QVERIFY2(MakeTestCertificate(m_certDir.path(), &m_certificate, &m_key, &error),
             qPrintable(error));
    QString otherKey;
    QVERIFY(QDir(m_certDir.path()).mkdir("other"));
    QVERIFY2(
        MakeTestCertificate(m_certDir.filePath("other"), &m_otherCertificate, &otherKey, &error),
        qPrintable(error));
    m_unsendable = std::make_unique<UnsendableFiles>(m_unsendableDir.path());
    QVERIFY(!m_unsendable->Paths().isEmpty());
}

void MapiSmtpTest::init() {
    qputenv("SSL_CERT_FILE", m_certificate.toUtf8());
    m_work = std::make_unique<QTemporaryDir>();
    m_server = std::make_unique<SmtpTestServer>(m_work->path());
}

void MapiSmtpTest::cleanup() {
    m_server.reset();
    m_work.reset();
}

bool MapiSmtpTest::StartServer(const QStringList& options) {
    QString error;
    if (!m_server->Start(options, &error)) {
        qWarning("%s", qPrintable(error));
    }
    return m_server->Port() != 0;
}

QStringList MapiSmtpTest::SecureServer() const {
    return {"--cert", m_certificate,     "--key",
            m_key,    "--starttls",      "--auth-user",
            kUser,    "--auth-password", QString::fromStdString(kPassword)};
}

std::string MapiSmtpTest::Url(const QString& scheme) const {
    return QString("%1://alice%40example.org@localhost:%2")
        .arg(scheme)
        .arg(m_server->Port())
        .toStdString();
}

QString MapiSmtpTest::MakeFile(const QString& name, qint64 size) {
    const auto path = m_work->filePath(name);
    return WriteTestFile(path, size) ? path : QString();
}

QJsonObject MapiSmtpTest::Delivered(int index) {
    const auto files = m_server->MessageFiles();
    if (index >= files.size()) {
        return {};
    }
    QString error;
    const auto mail = ReadMail(files[index], &error);
    if (!error.isEmpty()) {
        qWarning("%s", qPrintable(error));
    }
    return mail;
}

void MapiSmtpTest::deliversEveryMessageOverOneConnection() {
    QVERIFY(StartServer(SecureServer()));
    const auto rules = MakeFile("rules.txt", 4000);
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon(Url(), kPassword, &session), SUCCESS_SUCCESS);
    QVERIFY(m_server->LogLines().contains("CMD 1 AUTH")); // authenticated at logon

    constexpr int players = 3;
    for (int player = 1; player <= players; ++player) {
        char typed[] = "Ann Lee <ann@example.org>";
        MapiRecipDesc* resolved = nullptr;
        QCOMPARE(m_provider.resolveName(session, 0, typed, 0, 0, &resolved), SUCCESS_SUCCESS);
        const auto turn = MakeFile(QString("duel.m%1").arg(player), 1000 + player * 333);
        TestMessage message;
        message.Subject("Düel – round 12").Note(kNote.toStdString());
        message.From("Host", "SMTP:host@example.org").To(resolved->lpszName, resolved->lpszAddress);
        message.Attach(turn.toStdString(), QString("duel.m%1").arg(player).toStdString());
        message.Attach(rules.toStdString(), "Regeln für Zoë.txt");
        QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);
        QCOMPARE(m_provider.freeBuffer(resolved), SUCCESS_SUCCESS);

        const auto mail = Delivered(player - 1);
        QCOMPARE(mail["from"].toString(), QString("Host <host@example.org>"));
        QCOMPARE(mail["to"].toString(), QString("Ann Lee <ann@example.org>"));
        QCOMPARE(mail["subject"].toString(), QString("Düel – round 12"));
        QCOMPARE(mail["body"].toString(), QString::fromUtf8(kNote));
        QCOMPARE(mail["body_charset"].toString(), QString("utf-8"));
        QCOMPARE(mail["mime_version"].toString(), QString("1.0"));
        QVERIFY(!mail["date"].toString().isEmpty());
        QVERIFY(mail["message_id"].toString().endsWith("@example.org>"));
        QCOMPARE(mail["defects"].toArray().size(), 0);
        const auto attachments = mail["attachments"].toArray();
        QCOMPARE(attachments.size(), 2);
        QCOMPARE(attachments[0].toObject()["filename"].toString(), QString("duel.m%1").arg(player));
        QCOMPARE(attachments[0].toObject()["sha256"].toString(), Sha256Of(turn));
        QCOMPARE(attachments[1].toObject()["filename"].toString(), QString("Regeln für Zoë.txt"));
        QCOMPARE(attachments[1].toObject()["sha256"].toString(), Sha256Of(rules));
    }
    QCOMPARE(m_provider.logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    QCOMPARE(m_server->Connections(), 1);
    QCOMPARE(m_server->LogLines()
                 .filter(QRegularExpression("^MESSAGE 1 .* host@example.org ann@example.org$"))
                 .size(),
             players);
}

void MapiSmtpTest::deliversOverImplicitTls() {
    QVERIFY(StartServer({"--cert", m_certificate, "--key", m_key, "--implicit-tls", "--auth-user",
                         kUser, "--auth-password", QString::fromStdString(kPassword)}));
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon(Url("smtps"), kPassword, &session), SUCCESS_SUCCESS);
    TestMessage message;
    message.Subject("alpha").Note("hello").To("", "SMTP:bob@example.org");
    QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);
    QCOMPARE(m_provider.logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    const auto mail = Delivered(0);
    QCOMPARE(mail["from"].toString(), kUser); // the SMTP user when no originator is given
    QCOMPARE(mail["to"].toString(), QString("bob@example.org"));
    QCOMPARE(mail["attachments"].toArray().size(), 0);
}

void MapiSmtpTest::logonFailures_data() {
    QTest::addColumn<QStringList>("server");
    QTest::addColumn<std::string>("password");
    // The CA bundle trusted: the server's certificate, another one, or the
    // system's own store when empty.
    QTest::addColumn<QString>("trusted");
    const QStringList tls{"--cert", m_certificate, "--key", m_key, "--starttls"};
    const QStringList auth{"--auth-user", kUser, "--auth-password",
                           QString::fromStdString(kPassword)};
    QTest::newRow("wrong password") << tls + auth << std::string("wrong-Pw") << m_certificate;
    QTest::newRow("no TLS offered") << auth << kPassword << m_certificate;
    QTest::newRow("certificate unknown to the system") << tls + auth << kPassword << QString();
    QTest::newRow("certificate of another CA") << tls + auth << kPassword << m_otherCertificate;
    QTest::newRow("no AUTH offered") << tls << kPassword << m_certificate;
    for (const char* mechanism : {"PLAIN", "LOGIN"}) {
        QTest::newRow(qPrintable(QString("refusal quotes AUTH %1").arg(mechanism)))
            << tls + auth + QStringList{"--echo-auth", "--auth-mechanism", mechanism} << kPassword
            << m_certificate;
    }
}

void MapiSmtpTest::logonFailures() {
    QFETCH(QStringList, server);
    QFETCH(std::string, password);
    QFETCH(QString, trusted);
    if (trusted.isEmpty() && !WhyTheSystemStoreCannotRefuse().isEmpty()) {
        QSKIP(qPrintable(WhyTheSystemStoreCannotRefuse()));
    }
    QVERIFY(StartServer(server));
    qputenv("SSL_CERT_FILE", trusted.toUtf8());
    MapiSession session = 0;
    StderrCapture errors;
    QCOMPARE(m_provider.Logon(Url(), password, &session), MAPI_E_LOGIN_FAILURE);
    QVERIFY2(errors.Text().contains("MAPILogon failed with code 3"), qPrintable(errors.Text()));
    for (const auto& form : CredentialForms(kUser, password)) {
        QVERIFY2(!errors.Text().contains(form), qPrintable(errors.Text()));
    }
    if (server.contains("--echo-auth")) { // the refusal itself is still told
        QVERIFY2(errors.Text().contains("535 5.7.8 Authentication failed"),
                 qPrintable(errors.Text()));
    }
    // The password never crossed an unencrypted or untrusted connection.
    if (server.contains("--starttls") == false || trusted != m_certificate) {
        QVERIFY(m_server->LogLines().filter("AUTH").isEmpty());
    }
}

void MapiSmtpTest::sendFailures_data() {
    QTest::addColumn<QStringList>("server");
    QTest::addColumn<MapiULong>("code");
    QTest::addColumn<QString>("reason");
    QTest::newRow("recipient refused") << QStringList{"--refuse-recipient", "ann@example.org"}
                                       << MAPI_E_UNKNOWN_RECIPIENT << "550";
    QTest::newRow("too large") << QStringList{"--max-size", "2000"} << MAPI_E_FAILURE << "552";
    QTest::newRow("refused after data") << QStringList{"--reject-data"} << MAPI_E_FAILURE << "554";
    QTest::newRow("connection lost")
        << QStringList{"--drop-after-data"} << MAPI_E_FAILURE << "connection lost";
    QTest::newRow("authentication lost")
        << QStringList{"--revoke-auth-after", "0"} << MAPI_E_LOGIN_FAILURE << "530";
}

void MapiSmtpTest::sendFailures() {
    QFETCH(QStringList, server);
    QFETCH(MapiULong, code);
    QFETCH(QString, reason);
    QVERIFY(StartServer(SecureServer() + server));
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon(Url(), kPassword, &session), SUCCESS_SUCCESS);
    TestMessage message;
    message.Subject("alpha").Note("hello").To("Ann", "SMTP:ann@example.org");
    message.Attach(MakeFile("alpha.m1", 5000).toStdString(), "alpha.m1");
    StderrCapture errors;
    const auto result = m_provider.sendMail(session, 0, message.Get(), 0, 0);
    QVERIFY2(result == code, qPrintable(errors.Text()));
    QVERIFY2(errors.Text().contains(QString("MAPISendMail failed with code %1").arg(code)),
             qPrintable(errors.Text()));
    QVERIFY2(errors.Text().contains(reason), qPrintable(errors.Text()));
    QVERIFY(m_server->MessageFiles().isEmpty());
    m_provider.logoff(session, 0, 0, 0);
}

void MapiSmtpTest::reconnectsOnceWhenTheServerClosed_data() {
    QTest::addColumn<QStringList>("server");
    QTest::newRow("closed while idle") << QStringList{"--close-after", "1"};
    QTest::newRow("closed at the next command") << QStringList{"--hang-up-on-mail-after", "1"};
}

void MapiSmtpTest::reconnectsOnceWhenTheServerClosed() {
    QFETCH(QStringList, server);
    QVERIFY(StartServer(SecureServer() + server));
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon(Url(), kPassword, &session), SUCCESS_SUCCESS);
    TestMessage message;
    message.Subject("alpha").Note("hello").To("", "SMTP:ann@example.org");
    QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);
    QThread::msleep(300); // a server that closes when idle has done so by now
    QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);
    QCOMPARE(m_provider.logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    QCOMPARE(m_server->MessageFiles().size(), 2);
    QCOMPARE(m_server->Connections(), 2);
}

void MapiSmtpTest::badAttachmentsStopTheMessage_data() {
    QTest::addColumn<QString>("badPath");
    QTest::addColumn<MapiULong>("code");
    QTest::newRow("missing") << "missing.m2" << MAPI_E_ATTACHMENT_NOT_FOUND;
    QTest::newRow("missing folder") << "nowhere/alpha.m2" << MAPI_E_ATTACHMENT_NOT_FOUND;
    QTest::newRow("directory") << "folder" << MAPI_E_ATTACHMENT_OPEN_FAILURE;
    QTest::newRow("empty path") << "" << MAPI_E_ATTACHMENT_NOT_FOUND;
    for (const auto& path : m_unsendable->Paths()) {
        QTest::newRow(qPrintable(QFileInfo(path).fileName()))
            << path << MAPI_E_ATTACHMENT_OPEN_FAILURE;
    }
}

void MapiSmtpTest::badAttachmentsStopTheMessage() {
    QFETCH(QString, badPath);
    QFETCH(MapiULong, code);
    QVERIFY(StartServer(SecureServer()));
    QVERIFY(QDir(m_work->path()).mkdir("folder"));
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon(Url(), kPassword, &session), SUCCESS_SUCCESS);
    TestMessage message;
    message.Subject("alpha").Note("hello").To("", "SMTP:ann@example.org");
    message.Attach(MakeFile("alpha.m1", 100).toStdString(), "alpha.m1");
    const auto path = badPath.isEmpty() ? badPath : QDir(m_work->path()).absoluteFilePath(badPath);
    message.Attach(path.toStdString(), "bad");
    StderrCapture errors;
    QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), code);
    QVERIFY2(errors.Text().contains(QString("code %1").arg(code)), qPrintable(errors.Text()));
    QCOMPARE(m_provider.logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    QVERIFY(m_server->LogLines().filter("MAIL FROM").isEmpty());
}

void MapiSmtpTest::headerFieldsCannotInjectHeaders() {
    QVERIFY(StartServer(SecureServer()));
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon(Url(), kPassword, &session), SUCCESS_SUCCESS);
    const auto turn = MakeFile("alpha.m1", 700);
    TestMessage message;
    message.Subject("alpha\r\nBcc: evil@example.org\r\n\r\nbody")
        .Note("line one\r\n.\r\nBcc: evil@example.org\n.\nlast")
        .From("Host\r\nBcc: evil@example.org", "SMTP:host@example.org")
        .To("Ann\nX-Injected: yes", "SMTP:ann@example.org")
        .Attach(turn.toStdString(),
                "../../x.m1\r\nContent-Type: text/html\r\n\r\n<b>"); // base name only
    QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);
    message.To("", "SMTP:bob@example.org\r\nRCPT TO:<evil@example.org>");
    QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), MAPI_E_INVALID_RECIPS);
    m_provider.logoff(session, 0, 0, 0);

    QCOMPARE(m_server->MessageFiles().size(), 1);
    QVERIFY(m_server->LogLines().filter("evil").isEmpty()); // never an envelope recipient
    const auto mail = Delivered(0);
    QCOMPARE(mail["header_names"].toArray(),
             QJsonArray(
                 {"Date", "From", "Subject", "To", "Message-Id", "MIME-Version", "Content-Type"}));
    QVERIFY(mail["subject"].toString().startsWith("alpha"));
    QVERIFY(!mail["subject"].toString().contains('\n'));
    QVERIFY(mail["from"].toString().endsWith("<host@example.org>"));
    QCOMPARE(mail["body"].toString(), QString("line one\n.\nBcc: evil@example.org\n.\nlast"));
    const auto attachment = mail["attachments"].toArray()[0].toObject();
    QCOMPARE(attachment["filename"].toString(), QString("html____<b>"));
    QCOMPARE(attachment["content_type"].toString(), QString("application/octet-stream"));
    QCOMPARE(attachment["sha256"].toString(), Sha256Of(turn));
}

void MapiSmtpTest::invalidUtf8StillMakesAReadableMessage() {
    QVERIFY(StartServer(SecureServer()));
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon(Url(), kPassword, &session), SUCCESS_SUCCESS);
    const auto turn = MakeFile("alpha.m1", 10);
    TestMessage message;
    message.Subject("Spiel \xe4 \xff\xfe")
        .Note("Gr\xfc\xdf"
              "e \xc3")
        .To("", "SMTP:ann@example.org");
    message.Attach(turn.toStdString(), "caf\xe9.m1");
    QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);
    m_provider.logoff(session, 0, 0, 0);
    const auto mail = Delivered(0);
    QCOMPARE(mail["defects"].toArray().size(), 0);
    QCOMPARE(mail["subject"].toString(), QString("Spiel \uFFFD \uFFFD\uFFFD"));
    QCOMPARE(mail["body"].toString(), QString("Gr\uFFFD\uFFFDe \uFFFD"));
    QCOMPARE(mail["attachments"].toArray()[0].toObject()["filename"].toString(),
             QString("caf\uFFFD.m1"));
}

void MapiSmtpTest::zeroByteAttachmentArrivesEmpty() {
    QVERIFY(StartServer(SecureServer()));
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon(Url(), kPassword, &session), SUCCESS_SUCCESS);
    const auto empty = MakeFile("empty.m3", 0);
    TestMessage message;
    message.Subject("alpha")
        .Note("")
        .To("", "SMTP:ann@example.org")
        .Attach(empty.toStdString(), "empty.m3");
    QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);
    m_provider.logoff(session, 0, 0, 0);
    const auto attachment = Delivered(0)["attachments"].toArray()[0].toObject();
    QCOMPARE(attachment["filename"].toString(), QString("empty.m3"));
    QCOMPARE(attachment["size"].toInt(), 0);
}

void MapiSmtpTest::silentServerFailsWithinAMinute() {
    QVERIFY(StartServer(SecureServer() + QStringList{"--silent-after-data"}));
    MapiSession session = 0;
    QCOMPARE(m_provider.Logon(Url(), kPassword, &session), SUCCESS_SUCCESS);
    TestMessage message;
    message.Subject("alpha").Note("hello").To("", "SMTP:ann@example.org");
    QElapsedTimer clock;
    clock.start();
    StderrCapture errors;
    QCOMPARE(m_provider.sendMail(session, 0, message.Get(), 0, 0), MAPI_E_FAILURE);
    QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(errors.Text().contains("stopped answering"), qPrintable(errors.Text()));
    clock.restart(); // the server still holds the connection, and still says nothing
    QCOMPARE(m_provider.logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
}

void MapiSmtpTest::muteServerFailsTheLogonWithinAMinute() {
    QVERIFY(StartServer({"--mute"}));
    MapiSession session = 0;
    QElapsedTimer clock;
    clock.start();
    StderrCapture errors;
    QCOMPARE(m_provider.Logon(Url(), kPassword, &session), MAPI_E_LOGIN_FAILURE);
    QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_server->Connections(), 1);
    QVERIFY2(errors.Text().contains("code 3"), qPrintable(errors.Text()));
}

QTEST_GUILESS_MAIN(MapiSmtpTest)
#include "MapiSmtpTest.moc"
