#include "ProviderKit.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>
#include <unistd.h>

bool Provider::Load() {
    if (!Open()) {
        return false;
    }
    logonCall = reinterpret_cast<MapiLogonFn>(Find("MAPILogon"));
    resolveName = reinterpret_cast<MapiResolveNameFn>(Find("MAPIResolveName"));
    sendMail = reinterpret_cast<MapiSendMailFn>(Find("MAPISendMail"));
    logoff = reinterpret_cast<MapiLogoffFn>(Find("MAPILogoff"));
    freeBuffer = reinterpret_cast<MapiFreeBufferFn>(Find("MAPIFreeBuffer"));
    findNext = reinterpret_cast<MapiFindNextFn>(Find("MAPIFindNext"));
    readMail = reinterpret_cast<MapiReadMailFn>(Find("MAPIReadMail"));
    if (!logonCall || !resolveName || !sendMail || !logoff || !freeBuffer || !findNext ||
        !readMail) {
        m_error = "an entry point is missing";
        return false;
    }
    return true;
}

MapiULong Provider::Logon(const std::string& profile, const std::string& password,
                          MapiSession* session, MapiFlags flags) const {
    std::string profileCopy = profile;
    std::string passwordCopy = password;
    return logonCall(0, profileCopy.data(), passwordCopy.data(), flags, 0, session);
}

std::vector<std::string> Provider::ListIds(MapiSession session, const std::string& seed,
                                           MapiFlags flags, MapiULong* code) const {
    std::vector<std::string> ids;
    std::string last = seed;
    for (;;) {
        char id[kMapiLongMessageIdSize] = {};
        *code = findNext(session, 0, nullptr, last.empty() ? nullptr : last.data(),
                         flags | MAPI_GUARANTEE_FIFO | MAPI_LONG_MSGID, 0, id);
        if (*code != SUCCESS_SUCCESS) {
            return ids;
        }
        last = id;
        ids.push_back(last);
    }
}

MapiULong Provider::Read(MapiSession session, const std::string& id, MapiFlags flags,
                         MapiMessage** message) const {
    std::string copy = id;
    return readMail(session, 0, copy.data(), flags, 0, message);
}

char* TestMessage::Keep(std::string text) {
    m_texts.push_back(std::make_unique<std::string>(std::move(text)));
    return m_texts.back()->data();
}

TestMessage& TestMessage::Subject(std::string text) {
    m_message.lpszSubject = Keep(std::move(text));
    return *this;
}

TestMessage& TestMessage::Note(std::string text) {
    m_message.lpszNoteText = Keep(std::move(text));
    return *this;
}

TestMessage& TestMessage::From(std::string name, std::string address) {
    m_originator =
        MapiRecipDesc{0, MAPI_ORIG, Keep(std::move(name)), Keep(std::move(address)), 0, nullptr};
    m_hasOriginator = true;
    return *this;
}

TestMessage& TestMessage::To(std::string name, std::string address, MapiULong recipClass) {
    m_recipients.push_back(
        {0, recipClass, Keep(std::move(name)), Keep(std::move(address)), 0, nullptr});
    return *this;
}

TestMessage& TestMessage::Attach(std::string path, std::string shownName) {
    m_files.push_back(
        {0, 0, 0xFFFFFFFFu, Keep(std::move(path)), Keep(std::move(shownName)), nullptr});
    return *this;
}

MapiMessage* TestMessage::Get() {
    m_message.lpOriginator = m_hasOriginator ? &m_originator : nullptr;
    m_message.nRecipCount = static_cast<MapiULong>(m_recipients.size());
    m_message.lpRecips = m_recipients.empty() ? nullptr : m_recipients.data();
    m_message.nFileCount = static_cast<MapiULong>(m_files.size());
    m_message.lpFiles = m_files.empty() ? nullptr : m_files.data();
    return &m_message;
}

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    m_file = std::tmpfile();
    m_saved = dup(STDERR_FILENO);
    if (m_file) {
        dup2(fileno(m_file), STDERR_FILENO);
    }
}

StderrCapture::~StderrCapture() {
    std::fflush(stderr);
    dup2(m_saved, STDERR_FILENO);
    close(m_saved);
    if (m_file) {
        std::fclose(m_file);
    }
}

QString StderrCapture::Text() const {
    std::fflush(stderr);
    if (!m_file) {
        return {};
    }
    QFile file;
    file.open(dup(fileno(m_file)), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    file.seek(0);
    return QString::fromUtf8(file.readAll());
}

bool WriteTestFile(const QString& path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray block(1 << 20, Qt::Uninitialized);
    QRandomGenerator random(static_cast<quint32>(size));
    for (auto& byte : block) {
        byte = static_cast<char>(random.bounded(256));
    }
    for (qint64 left = size; left > 0; left -= block.size()) {
        if (file.write(block.constData(), std::min<qint64>(left, block.size())) < 0) {
            return false;
        }
    }
    return true;
}

QString Sha256Of(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        return {};
    }
    return QString::fromLatin1(hash.result().toHex());
}

qint64 StatusKiB(const QByteArray& field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const auto& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ":")) {
            return line.mid(field.size() + 1).trimmed().split(' ').front().toLongLong();
        }
    }
    return -1;
}

bool ResetPeakMemory() {
    QFile clearRefs("/proc/self/clear_refs");
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}
