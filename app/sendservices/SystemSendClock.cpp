#include "SystemSendClock.h"

#include <QDateTime>
#include <QLocale>

std::int64_t SystemSendClock::Now() const {
    return QDateTime::currentSecsSinceEpoch();
}

std::string SystemSendClock::Shown(std::int64_t utc) const {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(utc);
    return QLocale::c().toString(local, QStringLiteral("d MMM HH:mm")).toStdString();
}
