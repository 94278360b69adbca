#include "SystemMenu.h"

#include "CAboutDlg.h"

#include <QWidget>

#include <windows.h>

void AddAboutToSystemMenu(QWidget& window) {
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE);
    if (!menu) {
        return;
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, AboutCommandId, L"&About Zorvel...");
}

bool SystemCommandOf(const QByteArray& eventType, void* message, unsigned& id) {
    if (eventType != "windows_generic_MSG") {
        return false;
    }
    const MSG* native = static_cast<const MSG*>(message);
    if (native->message != WM_SYSCOMMAND) {
        return false;
    }
    id = static_cast<unsigned>(native->wParam);
    return true;
}
