#include <QCoreApplication>
#include <QProcess>
#include <QTest>

// zorvel-cli.exe, the console twin of the window program: a console gets its
// output and its exit status.
class ConsoleTwinTest : public QObject {
    Q_OBJECT
private slots:
    void answersWithOutputAndStatus_data();
    void answersWithOutputAndStatus();
};

void ConsoleTwinTest::answersWithOutputAndStatus_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output"); // standard output, then standard error
    QTest::newRow("version") << QStringList{"--version"} << 0 << "zorvel-cli 1.0.0.1\n";
    QTest::newRow("no command") << QStringList() << 64 << "zorvel-cli: a command is needed\n";
    QTest::newRow("no such game") << QStringList{"show", "Nowhere"} << 65
                                  << "No game named Nowhere is stored.\n";
}

void ConsoleTwinTest::answersWithOutputAndStatus() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QProcess program;
    program.start(QCoreApplication::applicationDirPath() + "/zorvel-cli.exe", arguments);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), status);
    const QString shown =
        QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError())
            .remove('\r');
    QVERIFY2(shown.startsWith(output), qPrintable(shown));
}

QTEST_GUILESS_MAIN(ConsoleTwinTest)
#include "ConsoleTwinTest.moc"
