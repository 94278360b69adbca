#pragma once

#include "SendServices.h"

#include <QString>

// The send record as a text file of UTF-8 lines, open to its owner only.
class SendRecordLog : public SendRecordFile {
public:
    explicit SendRecordLog(QString path);

    // False when a line holds a line feed, or the file or its folders
    // cannot be created, written or synced to disk.
    bool Append(const std::vector<std::string>& lines, std::string& problem) override;
    // Nullopt when the file is there but cannot be read (a folder, say).
    std::optional<std::vector<std::string>> ReadLines(std::string& problem) override;
    std::string Location() const override;

private:
    QString m_path;
};
