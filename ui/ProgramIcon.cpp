#include "ProgramIcon.h"

QIcon ProgramIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/zorvel-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/zorvel-16.png"), QSize(16, 16));
    return icon;
}
