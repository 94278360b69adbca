#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QDialog;

// Plays the user on the next modal dialog that opens: once the dialog's own
// event loop runs, waits until the dialog is active and runs the actions.
// A dialog that the actions leave open is closed, and the test fails, so a
// broken dialog cannot hang the test.
class ModalDriver {
public:
    using Actions = std::function<void(QDialog&)>;

    explicit ModalDriver(Actions actions);
    ~ModalDriver();

    // The result the dialog ended with; -1 while none has ended.
    int Result() const { return m_result; }

private:
    void drive();

    Actions m_actions;
    std::unique_ptr<QObject> m_context; // its destruction cancels a pending drive
    int m_result = -1;
};
