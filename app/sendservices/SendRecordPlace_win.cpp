#include "SendRecordPlace.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

QString DefaultSendRecordPath() {
    QString local = qEnvironmentVariable("LOCALAPPDATA");
    if (local.isEmpty()) {
        local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }
    const QString path = local + QStringLiteral("/Halvane/") + QCoreApplication::applicationName() +
                         QStringLiteral("/sent.log");
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}
