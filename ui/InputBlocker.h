#pragma once

#include <QObject>

class QWidget;

// While the mail calls run, mouse and keyboard input meant for the window or
// any of its controls is dropped; boxes and dialogs of their own still work.
class InputBlocker : public QObject {
    Q_OBJECT
public:
    explicit InputBlocker(QWidget& window);

    // Also takes the keyboard focus away from the window's controls.
    void Block();
    void Release();
    bool IsBlocking() const { return m_blocking; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    bool m_blocking = false;
};
