#include "SmtpTestServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>

namespace {

QString SupportFile(const char* name) {
    return QStringLiteral(ZORVEL_TEST_SOURCE_DIR "/support/") + QLatin1String(name);
}

} // namespace

SmtpTestServer::SmtpTestServer(const QString& directory)
    : m_directory(directory), m_mailDir(directory + "/mail") {
    QDir().mkpath(m_mailDir);
}

SmtpTestServer::~SmtpTestServer() {
    Stop();
}

bool SmtpTestServer::StartSecure(const QString& user, const QString& password,
                                 const QStringList& options, QString* error) {
    QString certificate;
    QString key;
    if (!MakeTestCertificate(m_directory, &certificate, &key, error)) {
        return false;
    }
    qputenv("SSL_CERT_FILE", certificate.toUtf8());
    return Start(QStringList{"--cert", certificate, "--key", key, "--starttls", "--auth-user", user,
                             "--auth-password", password} +
                     options,
                 error);
}

bool SmtpTestServer::Start(const QStringList& options, QString* error) {
    const QString portFile = m_mailDir + "/port";
    QFile::remove(portFile);
    if (!m_process.Start(kSystemPython,
                         QStringList{SupportFile("smtp_server.py"), "--mail-dir", m_mailDir,
                                     "--port", "0", "--port-file", portFile} +
                             options,
                         error)) {
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && m_process.IsRunning()) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            m_port = file.readAll().trimmed().toUShort();
            return m_port != 0;
        }
        QThread::msleep(20);
    }
    *error = "smtp_server.py ended, or did not listen within 15 s";
    return false;
}

void SmtpTestServer::Stop() {
    m_process.Stop();
}

QStringList SmtpTestServer::MessageFiles() const {
    QStringList files;
    for (const auto& name : QDir(m_mailDir).entryList({"*.eml"}, QDir::Files, QDir::Name)) {
        files << m_mailDir + "/" + name;
    }
    return files;
}

QStringList SmtpTestServer::LogLines() const {
    QFile file(m_mailDir + "/server.log");
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

int SmtpTestServer::Connections() const {
    return static_cast<int>(LogLines().filter(QRegularExpression("^CONNECT ")).size());
}

bool MakeTestCertificate(const QString& directory, QString* certificate, QString* key,
                         QString* error) {
    *certificate = directory + "/cert.pem";
    *key = directory + "/key.pem";
    QByteArray ignored;
    return SupportProcess::Run("openssl",
                               {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                                "-subj", "/CN=localhost", "-addext",
                                "subjectAltName=DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1",
                                "-keyout", *key, "-out", *certificate},
                               &ignored, error);
}

QJsonObject ReadMail(const QString& emlFile, QString* error) {
    QByteArray output;
    if (!SupportProcess::Run(kSystemPython, {SupportFile("read_mail.py"), emlFile}, &output,
                             error)) {
        return {};
    }
    return QJsonDocument::fromJson(output).object();
}
