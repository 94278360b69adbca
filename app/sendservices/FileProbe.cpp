#include "FileProbe.h"

#include "Sha256Digest.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

FileFacts FileProbe::Inspect(const std::string& path) {
    const QString name = QString::fromStdString(path);
    const QFileInfo info(name);
    FileFacts facts;
    if (!info.exists()) {
        facts.state = FileFacts::State::Missing;
        return facts;
    }
    if (!info.isFile()) {
        facts.state = FileFacts::State::NotRegular;
        return facts;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        facts.state = FileFacts::State::Unreadable;
        return facts;
    }
    facts.state = FileFacts::State::Present;
    facts.size = static_cast<std::uint64_t>(info.size());
    facts.modified = info.lastModified().toSecsSinceEpoch();
    return facts;
}

std::optional<std::string> FileProbe::Sha256(const std::string& path) {
    const QString name = QString::fromStdString(path);
    // A pipe or device could keep the read waiting for ever.
    if (!QFileInfo(name).isFile()) {
        return std::nullopt;
    }
    QFile file(name);
    // Unbuffered with large reads: turn files can run to hundreds of megabytes.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return std::nullopt;
    }
    Sha256Digest hash;
    QByteArray chunk(qsizetype{1} << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        hash.Add(chunk.constData(), static_cast<std::size_t>(got));
    }
    return hash.Hex();
}
