#include "AfterFirstExposure.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <utility>

AfterFirstExposure::AfterFirstExposure(QWidget& window, std::function<void()> action)
    : QObject(&window), m_window(window), m_action(std::move(action)) {
    m_window.installEventFilter(this);
}

// The native window exists from the widget's first show on; its first expose
// is painted and flushed as it is delivered, so the action is queued behind it.
bool AfterFirstExposure::eventFilter(QObject* watched, QEvent* event) {
    QWindow* native = m_window.windowHandle();
    if (watched == &m_window && event->type() == QEvent::Show && native != nullptr) {
        m_window.removeEventFilter(this);
        native->installEventFilter(this);
    } else if (watched == native && event->type() == QEvent::Expose && native->isExposed()) {
        native->removeEventFilter(this);
        QMetaObject::invokeMethod(this, m_action, Qt::QueuedConnection);
    }
    return false;
}
