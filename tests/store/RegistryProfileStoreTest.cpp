#include "OpenProfileStore.h"

#include <QTest>
#include <QUuid>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// A value as the registry holds it.
struct RawValue {
    DWORD type = REG_NONE;
    QByteArray data;
};

RawValue ReadRaw(const QString& key, const QString& name) {
    const std::wstring wideKey = key.toStdWString();
    const std::wstring wideName = name.toStdWString();
    RawValue raw;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, wideKey.c_str(), wideName.c_str(),
                     RRF_RT_ANY | RRF_NOEXPAND, &raw.type, nullptr, &size) != ERROR_SUCCESS) {
        return {};
    }
    raw.data.resize(static_cast<qsizetype>(size));
    if (RegGetValueW(HKEY_CURRENT_USER, wideKey.c_str(), wideName.c_str(),
                     RRF_RT_ANY | RRF_NOEXPAND, &raw.type, raw.data.data(),
                     &size) != ERROR_SUCCESS) {
        return {};
    }
    raw.data.resize(static_cast<qsizetype>(size));
    return raw;
}

bool KeyExists(const QString& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.toStdWString().c_str(), 0, KEY_READ, &handle) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

// REG_SZ data: UTF-16 with its terminating null.
QByteArray WideBytes(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
}

} // namespace

// The store's values where other Windows tools look for them: under
// HKEY_CURRENT_USER\Software\Halvane\<application name>\<section>.
class RegistryProfileStoreTest : public QObject {
    Q_OBJECT

private:
    const QString m_application =
        QStringLiteral("Zorvel ") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString m_applicationKey = QStringLiteral("Software\\Halvane\\") + m_application;

private slots:
    void cleanup() {
        RegDeleteTreeW(HKEY_CURRENT_USER, m_applicationKey.toStdWString().c_str());
        // Fails, as it should, when the company key holds other programs' keys.
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Halvane");
    }

    void valuesLieInOneKeyPerSection_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("data");
        const QString cafe = QStringLiteral("Café 日");
        QTest::newRow("text") << "Settings"
                              << "LastGame" << QVariant(cafe) << "\\Settings" << int(REG_SZ)
                              << WideBytes(cafe);
        QTest::newRow("negative integer") << "Settings"
                                          << "GameCount" << QVariant(-2) << "\\Settings"
                                          << int(REG_DWORD) << QByteArray("\xfe\xff\xff\xff", 4);
        QTest::newRow("empty section is the application key")
            << ""
            << "Dir" << QVariant(QStringLiteral("/d")) << "" << int(REG_SZ)
            << WideBytes(QStringLiteral("/d"));
        QTest::newRow("names in Unicode") << cafe << cafe << QVariant(1) << "\\" + cafe
                                          << int(REG_DWORD) << QByteArray("\1\0\0\0", 4);
    }

    void valuesLieInOneKeyPerSection() {
        QFETCH(QString, section);
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QFETCH(QString, key);
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        const std::unique_ptr<ProfileStore> store =
            OpenProfileStore("Halvane", m_application.toStdString());
        if (value.typeId() == QMetaType::Int) {
            store->WriteStoreInt(section.toStdString(), name.toStdString(), value.toInt());
        } else {
            store->WriteStoreText(section.toStdString(), name.toStdString(),
                                  value.toString().toStdString());
        }
        QVERIFY(!store->TakeWriteFailure());
        const RawValue raw = ReadRaw(m_applicationKey + key, name);
        QCOMPARE(int(raw.type), type);
        QCOMPARE(raw.data, data);
    }

    void storeOpenedForReadingChangesNothing_data() {
        QTest::addColumn<QString>("lastGame");
        QTest::newRow("no key yet") << QString();
        QTest::newRow("key with values") << QStringLiteral("alpha");
    }

    void storeOpenedForReadingChangesNothing() {
        QFETCH(QString, lastGame);
        if (!lastGame.isEmpty()) {
            OpenProfileStore("Halvane", m_application.toStdString())
                ->WriteStoreText("Settings", "LastGame", lastGame.toStdString());
        }
        std::string problem = "untouched";
        const std::unique_ptr<ProfileStore> store =
            OpenProfileStoreForReading("Halvane", m_application.toStdString(), problem);
        QVERIFY(store);
        QCOMPARE(QString::fromStdString(problem), QString());
        QCOMPARE(QString::fromStdString(store->ReadStoreText("Settings", "LastGame", "")),
                 lastGame);
        store->BeginTransaction();
        store->WriteStoreText("Settings", "LastGame", "beta");
        store->WriteStoreInt("beta", "Send0", 1);
        store->EndTransaction();
        QVERIFY(store->TakeWriteFailure());
        QCOMPARE(ReadRaw(m_applicationKey + "\\Settings", "LastGame").data,
                 lastGame.isEmpty() ? QByteArray() : WideBytes(lastGame));
        QCOMPARE(KeyExists(m_applicationKey), !lastGame.isEmpty());
        QVERIFY(!KeyExists(m_applicationKey + "\\beta"));
    }
};

QTEST_GUILESS_MAIN(RegistryProfileStoreTest)
#include "RegistryProfileStoreTest.moc"
