#include "CAboutDlg.h"
#include "CZorvelDlg.h"
#include "MessageBoxes.h"
#include "TestSendServices.h"
#include "TestStore.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <windows.h>

#include <memory>

// The main window's system menu as the system keeps it, and its About entry
// chosen the way the system delivers the choice.
class SystemMenuTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menuEndsWithTheAboutEntry();
    void aboutCommandOpensTheAboutBox();

private:
    HWND Handle() const { return reinterpret_cast<HWND>(m_window->winId()); }

    TestStore m_store;
    TestSendServices m_sendServices;
    std::unique_ptr<CZorvelDlg> m_window;
};

void SystemMenuTest::init() {
    MessageBoxes::SetAnswerer([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
    m_window = std::make_unique<CZorvelDlg>(m_store.Open(), m_sendServices.Services(),
                                            MailLibraryChoice::Fixed("no-mail-library-here"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void SystemMenuTest::cleanup() {
    m_window.reset();
    MessageBoxes::SetAnswerer({});
    m_store.Clear();
}

void SystemMenuTest::menuEndsWithTheAboutEntry() {
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    QVERIFY(menu);
    const int count = GetMenuItemCount(menu);
    QVERIFY(count >= 3);
    // Appended: the system's own entries are still there.
    QVERIFY(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != UINT(-1));

    const int last = count - 1;
    QCOMPARE(GetMenuItemID(menu, last), UINT(AboutCommandId));
    wchar_t text[64] = {};
    const int length = GetMenuStringW(menu, UINT(last), text, 64, MF_BYPOSITION);
    QCOMPARE(QString::fromWCharArray(text, length), QStringLiteral("&About Zorvel..."));
    QVERIFY(GetMenuState(menu, UINT(last - 1), MF_BYPOSITION) & MF_SEPARATOR);
}

void SystemMenuTest::aboutCommandOpensTheAboutBox() {
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    const UINT command = GetMenuItemID(menu, GetMenuItemCount(menu) - 1);
    bool sawAbout = false;
    QTimer closer;
    closer.setSingleShot(true);
    connect(&closer, &QTimer::timeout, [&sawAbout] {
        auto* box = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        sawAbout = box != nullptr && QTest::qWaitForWindowExposed(box);
        if (box) {
            box->reject();
        }
    });
    closer.start(0);
    // What choosing the entry sends; it returns once the About box is closed.
    SendMessageW(Handle(), WM_SYSCOMMAND, command, 0);

    QTRY_VERIFY(!closer.isActive());
    QVERIFY(sawAbout);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(m_window->isVisible());
}

QTEST_MAIN(SystemMenuTest)
#include "SystemMenuTest.moc"
