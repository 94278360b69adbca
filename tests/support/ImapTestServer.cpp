#include "ImapTestServer.h"

#include "SmtpTestServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

namespace {

QString SupportFile(const char* name) {
    return QStringLiteral(ZORVEL_TEST_SOURCE_DIR "/support/") + QLatin1String(name);
}

QString ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

ImapTestServer::ImapTestServer(const QString& directory) : m_directory(directory) {}

ImapTestServer::~ImapTestServer() {
    Stop();
}

bool ImapTestServer::Start(const QString& user, const QString& password, bool tls, QString* error) {
    m_user = user;
    const QString stateFile = m_directory + "/state.json";
    QFile::remove(stateFile);
    QStringList arguments{SupportFile("imap_server.py"),
                          "--dir",
                          m_directory,
                          "--user",
                          user,
                          "--password",
                          password,
                          "--state-file",
                          stateFile};
    if (!tls) {
        arguments << "--no-tls";
    }
    // It stops with this object, or with the test's process group.
    if (!m_process.Start(kSystemPython, arguments, error)) {
        return false;
    }
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && m_process.IsRunning()) {
        const auto state = QJsonDocument::fromJson(ReadAll(stateFile).toUtf8()).object();
        if (!state.isEmpty()) {
            m_imapPort = static_cast<quint16>(state["imap"].toInt());
            m_imapsPort = static_cast<quint16>(state["imaps"].toInt());
            m_caFile = SupportProcess::LocalPath(state["ca"].toString());
            if (tls) {
                qputenv("SSL_CERT_FILE", m_caFile.toUtf8());
            }
            return true;
        }
        QThread::msleep(20);
    }
    *error = "imap_server.py did not start within 20 s";
    return false;
}

void ImapTestServer::Stop() {
    m_process.Stop();
}

QString ImapTestServer::Log() const {
    return ReadAll(m_directory + "/dovecot.log");
}

// Dovecot's raw log of each session: "<seconds> <line>" for every line a client sent.
QStringList ImapTestServer::ClientCommands() const {
    QStringList commands;
    const QDir folder(m_directory + "/rawlog");
    for (const auto& name : folder.entryList({"*.in"}, QDir::Files, QDir::Name)) {
        for (const auto& line : ReadAll(folder.filePath(name)).split('\n', Qt::SkipEmptyParts)) {
            commands << line.section(' ', 1).trimmed();
        }
    }
    return commands;
}

QString ImapTestServer::Doveadm(const QStringList& arguments, QString* error) const {
    QByteArray output;
    QString ignored;
    if (!SupportProcess::Run("/usr/bin/doveadm",
                             QStringList{"-c", m_directory + "/dovecot.conf"} + arguments, &output,
                             error ? error : &ignored)) {
        return {};
    }
    return QString::fromUtf8(output);
}

QString ImapTestServer::Flags(QString* error) const {
    return Doveadm({"fetch", "-u", m_user, "uid flags", "mailbox", "INBOX", "all"}, error);
}

bool PutMail(const QString& maildir, const QStringList& options, QString* error) {
    QByteArray output;
    return SupportProcess::Run(
        kSystemPython,
        QStringList{SupportFile("put_mail.py"), maildir, "--owner-of", maildir} + options, &output,
        error);
}
