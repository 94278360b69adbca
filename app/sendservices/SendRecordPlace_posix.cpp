#include "SendRecordPlace.h"

#include "ProgramIdentity.h"

#include <QCoreApplication>
#include <QDir>

QString DefaultSendRecordPath() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // The base directory rules ignore a relative value as invalid.
    if (state.isEmpty() || QDir::isRelativePath(state)) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    const QString path = state + QLatin1Char('/') + QString::fromLatin1(kCompanyKey) +
                         QLatin1Char('/') + QCoreApplication::applicationName() +
                         QStringLiteral("/sent.log");
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}
