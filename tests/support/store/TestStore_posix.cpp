#include "TestStore.h"

#include "SqliteProfileStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// The store file sits in a folder of its own, which Block() replaces by a
// file: the store cannot be created then, even by root.
struct TestStore::Place {
    QTemporaryDir temporary;
    QString folder = temporary.filePath(QStringLiteral("Halvane"));
};

TestStore::TestStore() : m_place(std::make_unique<Place>()) {
    if (!m_place->temporary.isValid()) {
        qFatal("no temporary folder for the test store");
    }
}

TestStore::~TestStore() = default;

std::unique_ptr<ProfileStore> TestStore::Open() const {
    const QString file = m_place->folder + QStringLiteral("/Zorvel.sqlite");
    return std::make_unique<SqliteProfileStore>(QFile::encodeName(file).toStdString());
}

void TestStore::Clear() {
    QFile::remove(m_place->folder);
    QDir(m_place->folder).removeRecursively();
}

void TestStore::Block() {
    Clear();
    QFile blocker(m_place->folder);
    if (!blocker.open(QIODevice::WriteOnly)) {
        qFatal("cannot block the test store");
    }
}
