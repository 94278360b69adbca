#include "SmtpTestServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>

namespace {

QString supportFile(const char* name) {
    return QStringLiteral(ZORVEL_TEST_SOURCE_DIR "/support/") + QLatin1String(name);
}

bool runToEnd(QProcess& process, QString* error) {
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *error =
            process.program() + " failed: " + QString::fromUtf8(process.readAllStandardError());
        return false;
    }
    return true;
}

} // namespace

SmtpTestServer::SmtpTestServer(const QString& directory)
    : m_directory(directory), m_mailDir(directory + "/mail") {
    QDir().mkpath(m_mailDir);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SmtpTestServer::~SmtpTestServer() {
    stop();
}

bool SmtpTestServer::startSecure(const QString& user, const QString& password,
                                 const QStringList& options, QString* error) {
    QString certificate;
    QString key;
    if (!makeTestCertificate(m_directory, &certificate, &key, error)) {
        return false;
    }
    qputenv("SSL_CERT_FILE", certificate.toUtf8());
    return start(QStringList{"--cert", certificate, "--key", key, "--starttls", "--auth-user", user,
                             "--auth-password", password} +
                     options,
                 error);
}

bool SmtpTestServer::start(const QStringList& options, QString* error) {
    const QString portFile = m_mailDir + "/port";
    QFile::remove(portFile);
    m_process.start(kSystemPython, QStringList{supportFile("smtp_server.py"), "--mail-dir",
                                               m_mailDir, "--port", "0", "--port-file", portFile} +
                                       options);
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            m_port = file.readAll().trimmed().toUShort();
            return m_port != 0;
        }
        QThread::msleep(20);
    }
    *error = "smtp_server.py did not start: " + m_process.errorString();
    return false;
}

void SmtpTestServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
}

QStringList SmtpTestServer::messageFiles() const {
    QStringList files;
    for (const auto& name : QDir(m_mailDir).entryList({"*.eml"}, QDir::Files, QDir::Name))
        files << m_mailDir + "/" + name;
    return files;
}

QStringList SmtpTestServer::logLines() const {
    QFile file(m_mailDir + "/server.log");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

int SmtpTestServer::connections() const {
    return static_cast<int>(logLines().filter(QRegularExpression("^CONNECT ")).size());
}

bool makeTestCertificate(const QString& directory, QString* certificate, QString* key,
                         QString* error) {
    *certificate = directory + "/cert.pem";
    *key = directory + "/key.pem";
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                   "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                   "-keyout", *key, "-out", *certificate});
    return runToEnd(openssl, error);
}

QJsonObject readMail(const QString& emlFile, QString* error) {
    QProcess reader;
    reader.start(kSystemPython, {supportFile("read_mail.py"), emlFile});
    if (!runToEnd(reader, error))
        return {};
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}
