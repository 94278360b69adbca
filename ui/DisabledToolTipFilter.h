#pragma once

#include <QObject>

class QWidget;

// Keeps a disabled control's tool tip from showing, as the platform we follow
// does (Qt shows it); once the control is enabled again, so is its tip.
class DisabledToolTipFilter : public QObject {
    Q_OBJECT
public:
    // Watches every control placed directly on `window`.
    explicit DisabledToolTipFilter(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
