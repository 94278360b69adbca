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

bool Finished(QProcess& process, QString* error) {
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *error = process.program() + " " + process.arguments().join(' ') +
                 " failed: " + QString::fromUtf8(process.readAllStandardError());
        return false;
    }
    return true;
}

} // namespace

ImapTestServer::ImapTestServer(const QString& directory) : m_directory(directory) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

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
    // Its standard input stays open: the server stops when this process dies.
    m_process.start(kSystemPython, arguments);
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
        const auto state = QJsonDocument::fromJson(ReadAll(stateFile).toUtf8()).object();
        if (!state.isEmpty()) {
            m_imapPort = static_cast<quint16>(state["imap"].toInt());
            m_imapsPort = static_cast<quint16>(state["imaps"].toInt());
            m_caFile = state["ca"].toString();
            if (tls) {
                qputenv("SSL_CERT_FILE", m_caFile.toUtf8());
            }
            return true;
        }
        QThread::msleep(20);
    }
    *error = "imap_server.py did not start: " + m_process.errorString();
    return false;
}

void ImapTestServer::Stop() {
    if (m_process.state() == QProcess::NotRunning) {
        return;
    }
    m_process.terminate();
    if (!m_process.waitForFinished(15000)) {
        m_process.kill();
    }
    m_process.waitForFinished(5000);
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
    QProcess doveadm;
    doveadm.start("doveadm", QStringList{"-c", m_directory + "/dovecot.conf"} + arguments);
    if (!Finished(doveadm, error)) {
        return {};
    }
    return QString::fromUtf8(doveadm.readAllStandardOutput());
}

QString ImapTestServer::Flags(QString* error) const {
    return Doveadm({"fetch", "-u", m_user, "uid flags", "mailbox", "INBOX", "all"}, error);
}

bool PutMail(const QString& maildir, const QStringList& options, QString* error) {
    QProcess script;
    script.start(kSystemPython,
                 QStringList{SupportFile("put_mail.py"), maildir, "--owner-of", maildir} + options);
    return Finished(script, error);
}
