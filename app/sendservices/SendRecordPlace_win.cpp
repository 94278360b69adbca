#include "SendRecordPlace.h"

#include "ProgramIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

QString DefaultSendRecordPath() {
    QString local = qEnvironmentVariable("LOCALAPPDATA");
    if (local.isEmpty()) {
        local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }
    const QString path = local + QLatin1Char('/') + QString::fromLatin1(kCompanyKey) +
                         QLatin1Char('/') + QCoreApplication::applicationName() +
                         QStringLiteral("/sent.log");
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}
