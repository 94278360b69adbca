#include "ApplicationName.h"

QString ApplicationNameFromPath(const QString& programPath) {
    qsizetype start = programPath.lastIndexOf(QLatin1Char('/')) + 1;
#ifdef _WIN32
    start = std::max(start, programPath.lastIndexOf(QLatin1Char('\\')) + 1);
#endif
    const QString fileName = programPath.mid(start);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QString WindowProgramName(const QString& programName) {
    const QString consoleSuffix = QStringLiteral("-cli");
    return programName.endsWith(consoleSuffix, Qt::CaseInsensitive)
               ? programName.chopped(consoleSuffix.size())
               : programName;
}
