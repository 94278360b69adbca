#include "SystemMenu.h"

// The window manager owns the window menu here; there is nothing to add to.
void AddAboutToSystemMenu(QWidget&) {}

bool SystemCommandOf(const QByteArray&, void*, unsigned&) {
    return false;
}
