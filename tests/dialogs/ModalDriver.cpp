#include "ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

ModalDriver::ModalDriver(Actions actions)
    : m_actions(std::move(actions)), m_context(std::make_unique<QObject>()) {
    QTimer::singleShot(0, m_context.get(), [this] { drive(); });
}

ModalDriver::~ModalDriver() = default;

void ModalDriver::drive() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
        QFAIL("No modal dialog is open");
    }
    if (QTest::qWaitForWindowActive(dialog)) {
        m_actions(*dialog);
    } else {
        QTest::qFail("The dialog never became active", __FILE__, __LINE__);
    }
    if (dialog->isVisible()) {
        dialog->done(-1);
        if (!QTest::currentTestFailed()) {
            QFAIL("The dialog is still open after the user's actions");
        }
    }
    m_result = dialog->result();
}
