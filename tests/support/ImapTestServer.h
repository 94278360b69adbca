#pragma once

// A real IMAP server (Debian's Dovecot) on 127.0.0.1 for tests, around
// tests/support/imap_server.py, and a way to put messages into its Maildir
// (tests/support/put_mail.py): run on the Linux side directly or, under
// Wine, through the bridge (SupportProcess). Needs ZORVEL_TEST_SOURCE_DIR.

#include "SupportProcess.h"

#include <QString>
#include <QStringList>

class ImapTestServer {
public:
    // Everything the server keeps lives under `directory`. Run as root,
    // Dovecot serves mail as nobody, who must be able to reach that folder.
    explicit ImapTestServer(const QString& directory);
    ~ImapTestServer();
    ImapTestServer(const ImapTestServer&) = delete;
    ImapTestServer& operator=(const ImapTestServer&) = delete;

    // Starts Dovecot for `user`/`password` with STARTTLS and an IMAPS port on a
    // certificate of a private CA, which this process then trusts
    // (SSL_CERT_FILE); with `tls` false, a server without either. False, with
    // *error set, when it does not answer within 20 seconds.
    bool Start(const QString& user, const QString& password, bool tls, QString* error);
    void Stop();

    quint16 ImapPort() const { return m_imapPort; }
    quint16 ImapsPort() const { return m_imapsPort; }
    QString CaFile() const { return m_caFile; }
    // The Maildir behind INBOX.
    QString Maildir() const { return m_directory + "/Maildir"; }
    // Dovecot's log: logons (with or without TLS) and disconnects.
    QString Log() const;
    // Every command a client sent after logon, one a line, tags included.
    QStringList ClientCommands() const;

    // Runs doveadm on this server; its standard output, or empty with *error set.
    QString Doveadm(const QStringList& arguments, QString* error) const;
    // UID and flags of every message in INBOX, as the server reports them.
    QString Flags(QString* error) const;

private:
    QString m_directory;
    SupportProcess m_process;
    quint16 m_imapPort = 0;
    quint16 m_imapsPort = 0;
    QString m_caFile;
    QString m_user;
};

// Puts one message into `maildir` with put_mail.py's options. False, with
// *error set, when the script fails.
bool PutMail(const QString& maildir, const QStringList& options, QString* error);
