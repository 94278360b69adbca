#pragma once

#include <QByteArray>

class QWidget;

// Appends a separator and "&About Zorvel..." to the window's system menu,
// where the platform gives windows one of their own.
void AddAboutToSystemMenu(QWidget& window);

// True when a native message is a system-menu command; `id` is its command id.
bool SystemCommandOf(const QByteArray& eventType, void* message, unsigned& id);
