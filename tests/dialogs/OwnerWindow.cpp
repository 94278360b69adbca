#include "OwnerWindow.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

OwnerWindow::OwnerWindow() : m_button(new QPushButton(QStringLiteral("Email Options"), this)) {
    setWindowTitle(QStringLiteral("Owner"));
    resize(300, 200);
    m_button->setGeometry(20, 20, 120, 30);
}

bool OwnerWindow::ClickReachesButton() {
    QSignalSpy clicks(m_button, &QPushButton::clicked);
    // Through the QWindow, as the window system delivers it, so that a modal
    // dialog's blocking of this window applies.
    QTest::mouseClick(windowHandle(), Qt::LeftButton, {},
                      m_button->mapTo(this, m_button->rect().center()));
    return clicks.count() == 1;
}
