#include "ApplicationName.h"
#include "CZorvelApp.h"
#include "MessageBoxes.h"
#include "SocketsCheckExpectation.h"

#include <QDialog>
#include <QDir>
#include <QTest>
#include <QTimer>

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void applicationName_data();
    void applicationName();
    void platformSocketsCheckLeavesSocketsStarted();
    void failedSocketsCheckEndsBeforeAnyWindowOrStore();
    void closingTheMainWindowEndsTheProgram();
};

void StartUpTest::applicationName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "/usr/bin/zorvel"
                           << "zorvel";
    QTest::newRow("dotted folder") << "/home/a/.local/bin/zorvel"
                                   << "zorvel";
    QTest::newRow("extension cut at the last dot") << "/opt/z/Zorvel.v2.exe"
                                                   << "Zorvel.v2";
    QTest::newRow("renamed copy") << "/tmp/pbem-host"
                                  << "pbem-host";
    QTest::newRow("no folder") << "Zorvel.EXE"
                               << "Zorvel";
#ifdef _WIN32
    QTest::newRow("windows path") << "C:\\Games.d\\Zorvel.EXE"
                                  << "Zorvel";
#endif
}

void StartUpTest::applicationName() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(ApplicationNameFromPath(path), name);
}

void StartUpTest::platformSocketsCheckLeavesSocketsStarted() {
    VerifyPlatformSocketsCheck();
}

void StartUpTest::failedSocketsCheckEndsBeforeAnyWindowOrStore() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // Unset, it would name the working folder, which must not be removed.
    QVERIFY2(!config.isEmpty(), "run through CTest, which gives the test a folder of its own");
    QDir(config).removeRecursively();
    QCoreApplication::setApplicationName(QStringLiteral("Zorvel"));
    QList<MessageBoxes::Request> shown;
    MessageBoxes::SetAnswerer([&shown](const MessageBoxes::Request& request) {
        shown << request;
        return QMessageBox::Ok;
    });
    bool windowCreated = false;
    const int status = RunZorvel({[] { return false; },
                                  [&windowCreated] {
                                      windowCreated = true;
                                      return std::make_unique<QDialog>();
                                  }});
    MessageBoxes::SetAnswerer({});

    QCOMPARE(status, 0);
    QVERIFY(!windowCreated);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, QStringLiteral("Windows sockets initialization failed."));
    QCOMPARE(shown[0].caption, QStringLiteral("Zorvel"));
    QCOMPARE(shown[0].owner, nullptr);
    QCOMPARE(shown[0].icon, QMessageBox::Warning);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
    QVERIFY(!QDir(config).exists());
}

void StartUpTest::closingTheMainWindowEndsTheProgram() {
    QDialog* shownWindow = nullptr;
    QTimer::singleShot(0, [&shownWindow] {
        shownWindow = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (shownWindow) {
            shownWindow->reject();
        }
    });
    const int status = RunZorvel({[] { return true; }, [] { return std::make_unique<QDialog>(); }});
    QCOMPARE(status, 0);
    QVERIFY(shownWindow);
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Halvane"));
}

QTEST_MAIN(StartUpTest)
#include "StartUpTest.moc"
