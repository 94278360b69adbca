#pragma once

// What the provider tests share: the library loaded by path as the program loads
// it, messages whose descriptors own their texts, and standard error captured.

#include "SimpleMapi.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class Provider {
public:
    // Loads the provider built with the tests (ZORVEL_PROVIDER: libsimplemapi.so,
    // zorvel-mail.dll) by its path, as the program does; Error() tells why when
    // it fails.
    bool Load();
    QString Error() const { return m_error; }
    // The names the library exports, sorted; an ordinal-only export shows as "#<ordinal>".
    QStringList Exports() const;

    MapiULong Logon(const std::string& profile, const std::string& password, MapiSession* session,
                    MapiFlags flags = 0) const;

    MapiLogonFn logonCall = nullptr;
    MapiResolveNameFn resolveName = nullptr;
    MapiSendMailFn sendMail = nullptr;
    MapiLogoffFn logoff = nullptr;
    MapiFreeBufferFn freeBuffer = nullptr;
    MapiFindNextFn findNext = nullptr;
    MapiReadMailFn readMail = nullptr;

    // Every id MAPIFindNext gives after `seed`, in order, until it says there
    // are no more; *code is what ended the list (MAPI_E_NO_MESSAGES when all went well).
    std::vector<std::string> ListIds(MapiSession session, const std::string& seed, MapiFlags flags,
                                     MapiULong* code) const;
    MapiULong Read(MapiSession session, const std::string& id, MapiFlags flags,
                   MapiMessage** message) const;

private:
    // One implementation per platform.
    bool Open();
    void* Find(const char* name) const;

    void* m_handle = nullptr;
    QString m_error;
};

// Whether the provider sends through sendmail-compatible programs here: on
// POSIX systems, not on Windows, where it refuses them with one sentence.
bool ProviderRunsPrograms();

// Empty when the system's certificate store refuses a certificate it does not
// know, as every real system does; else why it cannot here: Wine's TLS layer
// takes any certificate when no CA bundle is named.
QString WhyTheSystemStoreCannotRefuse();

// Files in `folder` that exist but cannot be attached on this platform, by
// their names: on POSIX a FIFO, and one without read permission (not for root,
// whom permissions do not stop); on Windows one that this process holds open
// without sharing. They stay so while the object lives.
class UnsendableFiles {
public:
    explicit UnsendableFiles(const QString& folder);
    ~UnsendableFiles();
    UnsendableFiles(const UnsendableFiles&) = delete;
    UnsendableFiles& operator=(const UnsendableFiles&) = delete;
    // Empty when one could not be made.
    QStringList Paths() const { return m_paths; }

private:
    QStringList m_paths;
    void* m_held = nullptr;
};

// A message as the program composes it, with storage for every text.
class TestMessage {
public:
    TestMessage& Subject(std::string text);
    TestMessage& Note(std::string text);
    TestMessage& From(std::string name, std::string address);
    TestMessage& To(std::string name, std::string address, MapiULong recipClass = MAPI_TO);
    TestMessage& Attach(std::string path, std::string shownName);

    // Valid until this object changes.
    MapiMessage* Get();

private:
    std::vector<std::unique_ptr<std::string>> m_texts;
    std::vector<MapiRecipDesc> m_recipients;
    std::vector<MapiFileDesc> m_files;
    MapiRecipDesc m_originator{};
    bool m_hasOriginator = false;
    MapiMessage m_message{};

    char* Keep(std::string text);
};

// Standard error of this process, redirected into a file while the object
// lives: the provider shares this process's C runtime, so its words land there.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    // What was written so far.
    QString Text() const;

private:
    int m_saved = -1;
    std::FILE* m_file = nullptr;
};

// A file of the given size with varied bytes, written in pieces.
bool WriteTestFile(const QString& path, qint64 size);
QString Sha256Of(const QString& path);

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
qint64 StatusKiB(const QByteArray& field);
// From here on VmHWM tells the peak of what follows.
bool ResetPeakMemory();
