#include "TestStore.h"

#include "RegistryProfileStore.h"

#include <QString>
#include <QUuid>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

namespace {

const QString kTestsKey = QStringLiteral("Software\\Zorvel Tests");

std::wstring Wide(const QString& text) {
    return text.toStdWString();
}

// Creates `path` below HKEY_CURRENT_USER, each missing key with `options`.
void CreateKey(const QString& path, DWORD options) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, nullptr, options, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        qFatal("cannot create the test store's key %s", qPrintable(path));
    }
    RegCloseKey(key);
}

} // namespace

// The test's own key holds the store's application key. Block() makes the
// test's key volatile: the registry creates no lasting key below a volatile
// one, so the store's key cannot be created.
struct TestStore::Place {
    QString name = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString key = kTestsKey + '\\' + name;
};

TestStore::TestStore() : m_place(std::make_unique<Place>()) {
    CreateKey(kTestsKey, REG_OPTION_NON_VOLATILE);
}

TestStore::~TestStore() {
    Clear();
    // Fails, as it should, while another test's key is still there.
    RegDeleteKeyW(HKEY_CURRENT_USER, Wide(kTestsKey).c_str());
}

std::unique_ptr<ProfileStore> TestStore::Open() const {
    const QString company = QStringLiteral("Zorvel Tests\\") + m_place->name;
    return std::make_unique<RegistryProfileStore>(company.toStdString(), "Zorvel");
}

void TestStore::Clear() {
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(m_place->key).c_str());
}

void TestStore::Block() {
    Clear();
    CreateKey(kTestsKey, REG_OPTION_NON_VOLATILE);
    CreateKey(m_place->key, REG_OPTION_VOLATILE);
}
