#include "SendRecordLog.h"

#include "OwnerOnlyPlace.h"
#include "SyncToDisk.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace {

std::string Reason(const char* what, const QString& detail) {
    return std::string(what) + ": " + detail.toStdString();
}

std::vector<std::string> SplitLines(const QByteArray& text) {
    std::vector<std::string> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        // A last line without its line feed was cut short by a crash; it is
        // still an entry.
        if (end < 0) {
            end = text.size();
        }
        lines.emplace_back(text.constData() + start, static_cast<std::size_t>(end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

SendRecordLog::SendRecordLog(QString path) : m_path(std::move(path)) {}

bool SendRecordLog::Append(const std::vector<std::string>& lines, std::string& problem) {
    // One entry per line: a line feed inside would split it in two.
    for (const std::string& line : lines) {
        if (line.find('\n') != std::string::npos) {
            problem = "cannot be written: an entry holds a line feed";
            return false;
        }
    }
    // A folder in its place is left alone; opening it below says why.
    if (!QFileInfo(m_path).isDir()) {
        PrepareRecordFile(m_path);
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        problem = Reason("cannot be written", file.errorString());
        return false;
    }
    QByteArray bytes;
    // A line cut short by a crash ends where the new entry would begin; it
    // is closed first so that the two stay apart.
    if (file.size() > 0 && file.seek(file.size() - 1) && file.read(1) != "\n") {
        bytes.append('\n');
    }
    for (const std::string& line : lines) {
        bytes.append(QByteArray::fromStdString(line));
        bytes.append('\n');
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        problem = Reason("cannot be written", file.errorString());
        return false;
    }
    const QString syncFailure = SyncToDisk(file);
    if (!syncFailure.isEmpty()) {
        problem = Reason("cannot be written", syncFailure);
        return false;
    }
    return true;
}

std::optional<std::vector<std::string>> SendRecordLog::ReadLines(std::string& problem) {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(m_path)) {
            return std::vector<std::string>{};
        }
        problem = Reason("cannot be read", file.errorString());
        return std::nullopt;
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        problem = Reason("cannot be read", file.errorString());
        return std::nullopt;
    }
    return SplitLines(text);
}

std::string SendRecordLog::Location() const {
    return QDir::toNativeSeparators(m_path).toStdString();
}
