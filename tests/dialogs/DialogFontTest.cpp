#include "CAboutDlg.h"
#include "DialogUnits.h"

#include <QFontInfo>
#include <QTest>

#include <windows.h>

#include <memory>
#include <type_traits>

namespace {

// An empty dialog template in the platform's dialog font, as a resource
// compiler writes one for "FONT 8, "MS Shell Dlg 2"".
struct alignas(4) ShellFontTemplate {
    DLGTEMPLATE dialog{DS_SETFONT | WS_POPUP, 0, 0, 0, 0, 100, 100};
    WORD menu = 0;
    WORD windowClass = 0;
    WORD caption = 0;
    WORD pointSize = 8;
    wchar_t face[15] = L"MS Shell Dlg 2";
};

INT_PTR CALLBACK NoHandler(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using NativeDialog = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

NativeDialog CreateShellFontDialog() {
    static const ShellFontTemplate shellTemplate;
    return NativeDialog(CreateDialogIndirectW(GetModuleHandleW(nullptr), &shellTemplate.dialog,
                                              nullptr, NoHandler));
}

// The face the system substitutes for the dialog font's alias.
QString SubstituteOfShellDialogFont() {
    wchar_t face[LF_FACESIZE] = {};
    DWORD size = sizeof(face);
    if (RegGetValueW(HKEY_LOCAL_MACHINE,
                     L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
                     L"MS Shell Dlg 2", RRF_RT_REG_SZ, nullptr, face, &size) != ERROR_SUCCESS) {
        return {};
    }
    return QString::fromWCharArray(face);
}

} // namespace

// Our dialogs are drawn in the face and size the system's own dialogs use,
// and place their controls where a native dialog of the same template would.
class DialogFontTest : public QObject {
    Q_OBJECT

private slots:
    void isTheRealFaceBehindTheAlias();
    void matchesTheFontOfANativeDialog();
    void rectanglesMapAsANativeDialogMapsThem_data();
    void rectanglesMapAsANativeDialogMapsThem();
};

void DialogFontTest::isTheRealFaceBehindTheAlias() {
    const QString substitute = SubstituteOfShellDialogFont();
    QVERIFY(!substitute.isEmpty());
    const QFontInfo used(DialogFont());
    QCOMPARE(used.family(), substitute);
    // A dialog is drawn in the font it was laid out in.
    CAboutDlg box;
    QCOMPARE(QFontInfo(box.font()).family(), substitute);
}

void DialogFontTest::matchesTheFontOfANativeDialog() {
    const NativeDialog native = CreateShellFontDialog();
    QVERIFY(native);
    LOGFONTW nativeFont{};
    const auto font = reinterpret_cast<HFONT>(SendMessageW(native.get(), WM_GETFONT, 0, 0));
    QVERIFY(GetObjectW(font, sizeof(nativeFont), &nativeFont) != 0);
    QCOMPARE(QFontInfo(DialogFont()).pixelSize(), -nativeFont.lfHeight);

    RECT baseUnits{0, 0, 4, 8};
    QVERIFY(MapDialogRect(native.get(), &baseUnits));
    const DialogUnits units(DialogFont());
    QCOMPARE(units.BaseX(), int(baseUnits.right));
    QCOMPARE(units.BaseY(), int(baseUnits.bottom));
}

void DialogFontTest::rectanglesMapAsANativeDialogMapsThem_data() {
    QTest::addColumn<QRect>("rect");
    QTest::newRow("main window") << QRect(0, 0, 430, 217);
    QTest::newRow("Send Files") << QRect(345, 161, 68, 26);
    QTest::newRow("halves round up") << QRect(1, 4, 2, 4);
}

void DialogFontTest::rectanglesMapAsANativeDialogMapsThem() {
    QFETCH(QRect, rect);
    const NativeDialog native = CreateShellFontDialog();
    QVERIFY(native);
    RECT mapped{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
    QVERIFY(MapDialogRect(native.get(), &mapped));

    const QRect ours =
        DialogUnits(DialogFont()).ToPixels(rect.x(), rect.y(), rect.width(), rect.height());
    QCOMPARE(ours,
             QRect(QPoint(mapped.left, mapped.top), QPoint(mapped.right - 1, mapped.bottom - 1)));
}

QTEST_MAIN(DialogFontTest)
#include "DialogFontTest.moc"
