#include "OpenProfileStore.h"

#include "SqliteProfileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace {

// $XDG_CONFIG_HOME, or ~/.config when it is unset, empty or not absolute.
QString ConfigFolder() {
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QFileInfo(configured).isAbsolute()) {
        return configured;
    }
    return QDir::homePath() + "/.config";
}

std::string StoreFile(const std::string& company, const std::string& applicationName) {
    const QString file = ConfigFolder() + '/' + QString::fromStdString(company) + '/' +
                         QString::fromStdString(applicationName) + ".sqlite";
    return QFile::encodeName(file).toStdString();
}

} // namespace

std::unique_ptr<ProfileStore> OpenProfileStore(const std::string& company,
                                               const std::string& applicationName) {
    return std::make_unique<SqliteProfileStore>(StoreFile(company, applicationName));
}

std::unique_ptr<ProfileStore> OpenProfileStoreForReading(const std::string& company,
                                                         const std::string& applicationName,
                                                         std::string& problem) {
    return SqliteProfileStore::OpenForReading(StoreFile(company, applicationName), problem);
}
