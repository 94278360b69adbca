#include "TestSendServices.h"

#include <QDir>

namespace {
const QString kRecordFolder = QStringLiteral("record");
} // namespace

TestSendServices::TestSendServices()
    : m_parts(m_folder.filePath(kRecordFolder + QStringLiteral("/sent.log"))) {
    if (!m_folder.isValid()) {
        qFatal("no temporary folder for the test's send record");
    }
}

void TestSendServices::Clear() {
    QDir(m_folder.filePath(kRecordFolder)).removeRecursively();
}
