#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QVersionNumber>

#include <windows.h>

#include <vector>

namespace {

QString ProgramPath() {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() +
                                    QStringLiteral("/" ZORVEL_PROGRAM_FILE));
}

// A text of the record, found as a reader finds it: through the first
// language and code page that the record lists.
QString StringValue(const std::vector<char>& record, const QString& name) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
        length < 2 * sizeof(WORD)) {
        return QStringLiteral("<no translation>");
    }
    const auto* translation = static_cast<const WORD*>(value);
    const QString path = QStringLiteral("\\StringFileInfo\\%1%2\\%3")
                             .arg(translation[0], 4, 16, QLatin1Char('0'))
                             .arg(translation[1], 4, 16, QLatin1Char('0'))
                             .arg(name);
    if (!VerQueryValueW(record.data(), path.toStdWString().c_str(), &value, &length) ||
        length == 0) {
        return QStringLiteral("<missing>");
    }
    return QString::fromWCharArray(static_cast<const wchar_t*>(value));
}

} // namespace

// The resources compiled into the built program, read back the way the
// system reads them: its strings, icon 128 and the version record.
class ResourcesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void strings_data();
    void strings();
    void iconGroupHoldsAUsableIcon_data();
    void iconGroupHoldsAUsableIcon();
    void versionNumbersAreTheProjectVersion();
    void versionTexts_data();
    void versionTexts();

private:
    HMODULE m_program = nullptr;
    std::vector<char> m_versionRecord;
};

void ResourcesTest::initTestCase() {
    const std::wstring path = ProgramPath().toStdWString();
    m_program = LoadLibraryExW(path.c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    QVERIFY2(m_program, qPrintable(ProgramPath()));

    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    QVERIFY2(size != 0, "the program has no version record");
    m_versionRecord.resize(size);
    QVERIFY(GetFileVersionInfoW(path.c_str(), 0, size, m_versionRecord.data()));
}

void ResourcesTest::cleanupTestCase() {
    FreeLibrary(m_program);
}

void ResourcesTest::strings_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::newRow("101 system menu entry") << 101 << "&About Zorvel...";
    QTest::newRow("103 sockets failure") << 103 << "Windows sockets initialization failed.";
}

void ResourcesTest::strings() {
    QFETCH(int, id);
    QFETCH(QString, text);
    wchar_t buffer[256] = {};
    const int length = LoadStringW(m_program, static_cast<UINT>(id), buffer, 256);
    QCOMPARE(QString::fromWCharArray(buffer, length), text);
}

void ResourcesTest::iconGroupHoldsAUsableIcon_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("32 pixels") << 32;
    QTest::newRow("16 pixels") << 16;
}

// The group names the icons of each size; the system picks one and builds it.
void ResourcesTest::iconGroupHoldsAUsableIcon() {
    QFETCH(int, size);
    HRSRC group = FindResourceW(m_program, MAKEINTRESOURCEW(128), RT_GROUP_ICON);
    QVERIFY(group);
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(m_program, group)));
    QVERIFY(directory);
    const int iconId = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
    QVERIFY(iconId != 0);

    HRSRC icon = FindResourceW(m_program, MAKEINTRESOURCEW(iconId), RT_ICON);
    QVERIFY(icon);
    auto* bits = static_cast<BYTE*>(LockResource(LoadResource(m_program, icon)));
    HICON handle = CreateIconFromResourceEx(bits, SizeofResource(m_program, icon), TRUE, 0x00030000,
                                            0, 0, LR_DEFAULTCOLOR);
    QVERIFY(handle);
    ICONINFO info{};
    QVERIFY(GetIconInfo(handle, &info));
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof(mask), &mask);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    DestroyIcon(handle);
    QCOMPARE(int(mask.bmWidth), size);
}

void ResourcesTest::versionNumbersAreTheProjectVersion() {
    void* value = nullptr;
    UINT length = 0;
    QVERIFY(VerQueryValueW(m_versionRecord.data(), L"\\", &value, &length));
    QCOMPARE(length, UINT(sizeof(VS_FIXEDFILEINFO)));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    QCOMPARE(fixed->dwSignature, DWORD(0xFEEF04BD));

    const QVersionNumber project = QVersionNumber::fromString(QStringLiteral(ZORVEL_VERSION));
    const QVersionNumber file({HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                               HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)});
    const QVersionNumber product(
        {HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
         HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS)});
    QCOMPARE(file, project);
    QCOMPARE(product, project);
    QCOMPARE(fixed->dwFileType, DWORD(VFT_APP));
    QCOMPARE(fixed->dwFileOS, DWORD(VOS__WINDOWS32));
}

void ResourcesTest::versionTexts_data() {
    // The record spells the version "1, 0, 0, 1".
    const QString version = QStringLiteral(ZORVEL_VERSION).split('.').join(QStringLiteral(", "));
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("CompanyName") << "CompanyName"
                                 << "halvane software, inc.";
    QTest::newRow("FileDescription") << "FileDescription"
                                     << "Zorvel: mails each player his turn file";
    QTest::newRow("FileVersion") << "FileVersion" << version;
    QTest::newRow("InternalName") << "InternalName"
                                  << "Zorvel";
    QTest::newRow("OriginalFilename") << "OriginalFilename"
                                      << "Zorvel.EXE";
    QTest::newRow("ProductName") << "ProductName"
                                 << "Zorvel Application";
    QTest::newRow("ProductVersion") << "ProductVersion" << version;
}

void ResourcesTest::versionTexts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QCOMPARE(StringValue(m_versionRecord, name), text);
}

QTEST_GUILESS_MAIN(ResourcesTest)
#include "ResourcesTest.moc"
