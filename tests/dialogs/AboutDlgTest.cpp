#include "CAboutDlg.h"
#include "DialogUnits.h"
#include "ModalDriver.h"
#include "OwnerWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

class AboutDlgTest : public QObject {
    Q_OBJECT

private slots:
    void showsIconNameAndVersion();
    void versionLabelStaysCentredWhenWidened();
    void closesWithResult_data();
    void closesWithResult();
    void ownerIsBlockedWhileOpen();
    void aboutCommand_data();
    void aboutCommand();
};

void AboutDlgTest::showsIconNameAndVersion() {
    CAboutDlg box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About Zorvel"));
    auto* version = box.findChild<QLabel*>(QStringLiteral("version"));
    QVERIFY(version != nullptr);
    QCOMPARE(version->text(), QStringLiteral("Zorvel v1.10beta"));
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("1"));
    QVERIFY(ok != nullptr);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    auto* icon = box.findChild<QLabel*>(QStringLiteral("icon"));
    QVERIFY(icon != nullptr);
    QCOMPARE(icon->pixmap().size(), QSize(32, 32));
}

// The label needs more than its 43 units in our font; it must grow to the
// whole text and keep its centre on the box's midline.
void AboutDlgTest::versionLabelStaysCentredWhenWidened() {
    CAboutDlg box;
    const auto* version = box.findChild<QLabel*>(QStringLiteral("version"));
    const QRect place = DialogUnits(DialogFont()).ToPixels(87, 31, 43, 8);
    const int needed = version->fontMetrics().horizontalAdvance(version->text());

    QVERIFY(version->width() >= needed);
    QVERIFY(version->width() >= place.width());
    QVERIFY(qAbs(version->geometry().center().x() - place.center().x()) <= 1);
    QCOMPARE(version->geometry().top(), place.top());
}

void AboutDlgTest::closesWithResult_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("result");
    QTest::newRow("OK button") << "OK button" << CAboutDlg::IdOk;
    QTest::newRow("Enter") << "Enter" << CAboutDlg::IdOk;
    QTest::newRow("Escape") << "Escape" << CAboutDlg::IdCancel;
    QTest::newRow("close box") << "close box" << CAboutDlg::IdCancel;
}

void AboutDlgTest::closesWithResult() {
    QFETCH(QString, way);
    QFETCH(int, result);
    CAboutDlg box;
    ModalDriver driver([&](QDialog& dialog) {
        if (way == QLatin1String("OK button")) {
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        } else if (way == QLatin1String("Enter")) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        } else if (way == QLatin1String("Escape")) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        } else {
            dialog.windowHandle()->close();
        }
    });

    QCOMPARE(box.exec(), result);
}

void AboutDlgTest::ownerIsBlockedWhileOpen() {
    OwnerWindow owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QVERIFY(owner.ClickReachesButton());

    ModalDriver driver([&](QDialog& dialog) {
        QVERIFY(qobject_cast<CAboutDlg*>(&dialog) != nullptr);
        QCOMPARE(dialog.parentWidget(), &owner);
        QVERIFY(!owner.ClickReachesButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    RunAboutBox(&owner);

    QCOMPARE(driver.Result(), CAboutDlg::IdCancel);
    QVERIFY(owner.ClickReachesButton());
}

void AboutDlgTest::aboutCommand_data() {
    QTest::addColumn<unsigned>("id");
    QTest::addColumn<bool>("opensAbout");
    QTest::newRow("0") << 0u << false;
    QTest::newRow("15") << 15u << false;
    QTest::newRow("16, the menu entry") << 16u << true;
    QTest::newRow("17") << 17u << true;
    QTest::newRow("31") << 31u << true;
    QTest::newRow("32") << 32u << false;
    QTest::newRow("48") << 48u << false;
    QTest::newRow("close 0xF060") << 0xF060u << false;
    QTest::newRow("move 0xF010") << 0xF010u << false;
    QTest::newRow("move by keyboard 0xF012") << 0xF012u << false;
    QTest::newRow("0xF01F") << 0xF01Fu << false;
    QTest::newRow("high bits above the mask 0x10010") << 0x10010u << true;
}

void AboutDlgTest::aboutCommand() {
    QFETCH(unsigned, id);
    QFETCH(bool, opensAbout);
    QCOMPARE(IsAboutCommand(id), opensAbout);
}

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
