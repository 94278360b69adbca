#include "InputBlocker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

InputBlocker::InputBlocker(QWidget& window) : QObject(&window), m_window(window) {}

void InputBlocker::Block() {
    if (m_blocking) {
        return;
    }
    m_blocking = true;
    qApp->installEventFilter(this);
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus->window() == &m_window) {
        focus->clearFocus();
    }
}

void InputBlocker::Release() {
    if (!m_blocking) {
        return;
    }
    m_blocking = false;
    qApp->removeEventFilter(this);
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()) || !watched->isWidgetType()) {
        return false;
    }
    return static_cast<QWidget*>(watched)->window() == &m_window;
}
