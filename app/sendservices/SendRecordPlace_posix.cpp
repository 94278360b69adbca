#include "SendRecordPlace.h"

#include <QCoreApplication>
#include <QDir>

QString DefaultSendRecordPath() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // The base directory rules ignore a relative value as invalid.
    if (state.isEmpty() || QDir::isRelativePath(state)) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    const QString path = state + QStringLiteral("/Halvane/") + QCoreApplication::applicationName() +
                         QStringLiteral("/sent.log");
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}
