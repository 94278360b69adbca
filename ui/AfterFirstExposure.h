#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Runs an action once, after `window` has first been shown and painted: a
// message box it opens then comes over the window, and a wait in it leaves
// the window drawn.
class AfterFirstExposure : public QObject {
    Q_OBJECT
public:
    AfterFirstExposure(QWidget& window, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    std::function<void()> m_action;
};
