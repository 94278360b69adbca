#include "DisabledToolTipFilter.h"

#include <QEvent>
#include <QWidget>

DisabledToolTipFilter::DisabledToolTipFilter(QWidget& window) : QObject(&window) {
    for (QWidget* control : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        control->installEventFilter(this);
    }
}

bool DisabledToolTipFilter::eventFilter(QObject* watched, QEvent* event) {
    // Taken rather than ignored, so that it does not go on to the window.
    return event->type() == QEvent::ToolTip && !static_cast<QWidget*>(watched)->isEnabled();
}
