#pragma once

// Test helpers around tests/support/smtp_server.py and read_mail.py, for any test
// that needs a real SMTP server on 127.0.0.1, on Linux and under Wine alike
// (see SupportProcess). Needs ZORVEL_TEST_SOURCE_DIR.

#include "SupportProcess.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The loopback SMTP server, started as a child process and stopped with the object.
class SmtpTestServer {
public:
    // Mail and the log are kept under directory/mail.
    explicit SmtpTestServer(const QString& directory);
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    // Starts the server with smtp_server.py options (see its header). False, with
    // *error set, when it is not listening within 15 seconds.
    bool Start(const QStringList& options, QString* error);
    // Starts it with STARTTLS and AUTH for `user`/`password`, on a certificate
    // made for the occasion, which this process then trusts (SSL_CERT_FILE).
    bool StartSecure(const QString& user, const QString& password, const QStringList& options,
                     QString* error);
    void Stop();

    quint16 Port() const { return m_port; }
    QString MailDir() const { return m_mailDir; }
    // The stored messages, oldest first.
    QStringList MessageFiles() const;
    QStringList LogLines() const;
    // How many times a client connected.
    int Connections() const;

private:
    QString m_directory;
    QString m_mailDir;
    SupportProcess m_process;
    quint16 m_port = 0;
};

// Makes a self-signed certificate for localhost and 127.0.0.1 with openssl;
// Schannel matches no IP address, so 127.0.0.1 is also a DNS name in it.
// False, with *error set, when openssl fails.
bool MakeTestCertificate(const QString& directory, QString* certificate, QString* key,
                         QString* error);

// What a mail reader shows of a stored message (read_mail.py's JSON).
// An empty object, with *error set, when the message cannot be read.
QJsonObject ReadMail(const QString& emlFile, QString* error);

// Debian's interpreter, where python3-aiosmtpd is installed.
inline constexpr const char* kSystemPython = "/usr/bin/python3";
