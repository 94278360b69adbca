#include "DialogUnits.h"

#include <windows.h>

#include <vector>

namespace {

// Dialog templates name the dialog font by its alias, which the system maps
// to a real face through its font substitutes.
constexpr wchar_t kShellDialogFace[] = L"MS Shell Dlg 2";
constexpr int kShellDialogPoints = 8;

// The family GDI really draws the alias in; empty when it cannot say (a
// bitmap face has no outline metrics). Qt knows nothing of the alias and
// would fall back to an unrelated face.
QString RealizedFamily(const wchar_t* face) {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(kShellDialogPoints, GetDeviceCaps(screen, LOGPIXELSY), 72);
    HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, face);
    HGDIOBJ previous = SelectObject(screen, font);
    QString family;
    if (const UINT size = GetOutlineTextMetricsW(screen, 0, nullptr); size != 0) {
        std::vector<char> buffer(size);
        auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
        if (GetOutlineTextMetricsW(screen, size, metrics) != 0) {
            // The name is stored as an offset from the start of the metrics.
            const auto offset = reinterpret_cast<std::size_t>(metrics->otmpFamilyName);
            family = QString::fromWCharArray(reinterpret_cast<const wchar_t*>(&buffer[offset]));
        }
    }
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return family;
}

} // namespace

QFont DialogFont() {
    const QString family = RealizedFamily(kShellDialogFace);
    QFont font(family.isEmpty() ? QString::fromWCharArray(kShellDialogFace) : family);
    font.setPointSize(kShellDialogPoints);
    return font;
}
