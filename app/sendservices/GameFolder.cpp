#include "GameFolder.h"

#include "Sha256Digest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryFile>

namespace {

constexpr qint64 kPiece = 1 << 20;

SavedOrders Refused(std::string why) {
    SavedOrders refused;
    refused.refusal = std::move(why);
    return refused;
}

// Copies `source` into `target` piece by piece, digesting what it writes.
bool CopyDigesting(QFile& source, QFile& target, std::string& sha256) {
    Sha256Digest digest;
    QByteArray piece;
    while (!(piece = source.read(kPiece)).isEmpty()) {
        digest.Add(piece.constData(), static_cast<std::size_t>(piece.size()));
        if (target.write(piece) != piece.size()) {
            return false;
        }
    }
    sha256 = digest.Hex();
    return source.atEnd() && target.flush();
}

std::optional<std::string> DigestOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    Sha256Digest digest;
    QByteArray piece;
    while (!(piece = file.read(kPiece)).isEmpty()) {
        digest.Add(piece.constData(), static_cast<std::size_t>(piece.size()));
    }
    return file.atEnd() ? std::optional<std::string>(digest.Hex()) : std::nullopt;
}

// NAME.~1~, NAME.~2~, ...: the first that is free.
QString FreeBackupName(const QString& target) {
    for (int number = 1;; ++number) {
        const QString backup = target + QStringLiteral(".~%1~").arg(number);
        if (!QFileInfo(backup).exists() && !QFileInfo(backup).isSymLink()) {
            return backup;
        }
    }
}

} // namespace

SavedOrders GameFolder::Save(const std::string& source, const std::string& folder,
                             const std::string& name) {
    const QDir directory(QString::fromStdString(folder));
    if (folder.empty() || !directory.exists()) {
        return Refused("the game's folder does not exist");
    }
    QFile input(QString::fromStdString(source));
    if (!input.open(QIODevice::ReadOnly)) {
        return Refused("the mail program's copy cannot be read");
    }
    if (static_cast<std::uint64_t>(input.size()) > kMostOrdersBytes) {
        return Refused("larger than 64 MB");
    }
    // Written beside its place and renamed there: the name is never followed
    // through a link, and a half-written file never carries it.
    QTemporaryFile written(directory.filePath(QStringLiteral(".zorvel-orders-XXXXXX")));
    std::string sha256;
    if (!written.open() || !CopyDigesting(input, written, sha256)) {
        return Refused("it cannot be written into the game's folder");
    }
    const QString target = directory.filePath(QString::fromStdString(name));
    const QFileInfo existing(target);
    SavedOrders saved{true, name, static_cast<std::uint64_t>(written.size()), sha256, {}};
    if (existing.isFile() && !existing.isSymLink() && DigestOf(target) == sha256) {
        return saved; // the same content is already there
    }
    if ((existing.exists() || existing.isSymLink()) &&
        !QFile::rename(target, FreeBackupName(target))) {
        return Refused("the file already there cannot be kept aside");
    }
    written.close();
    if (!written.rename(target)) {
        return Refused("it cannot be written into the game's folder");
    }
    written.setAutoRemove(false);
    return saved;
}

void GameFolder::Discard(const std::string& source) {
    QFile::remove(QString::fromStdString(source));
}

FileNameRules GameFolder::Rules() const {
    return {QSysInfo::productType() == QLatin1String("windows")};
}
