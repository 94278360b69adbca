// The program run with a command, as a scheduled job runs it: no display, a
// bare environment, the store the window filled, the real provider and a
// real SMTP server on 127.0.0.1. On Windows the program is the console twin,
// the provider zorvel-mail.dll and the store the registry.

#include "CZorvelDlg.h"
#include "LockFileRunLocks.h"
#include "MessageBoxes.h"
#include "OpenProfileStore.h"
#include "ProgramPlatform.h"
#include "SendServiceParts.h"
#include "SmtpTestServer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kPassword = QStringLiteral("s3cret");
// Player 4 is left unticked, and his address is one the server refuses.
const QStringList kAddresses{"ann@example.org", "bo@example.org", "cy@example.org",
                             "eve@example.org"};

// A field of a tab-separated line: a Windows path's backslashes come doubled.
QString TabField(QString text) {
    return text.replace('\\', "\\\\");
}

// Changes to the job's environment: name, value.
using Settings = QList<QPair<QString, QString>>;

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};
} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void commandsAnswerWithTheirStatus_data();
    void commandsAnswerWithTheirStatus();
    void checkGivesEachPlayerHisOwnLine();
    void aGameAnotherRunHoldsIsNotMailed();
    void anUnusableStoreChangesNothing();
    void anUnusableRecordChangesNothing();
    void aLogonRefusedBeforeSendingSendsNothing_data();
    void aLogonRefusedBeforeSendingSendsNothing();
    void aRefusedLogonEndsTheRunWithoutAsking();

private:
    void FillTheStoreThroughTheWindow();
    void StorePasswordThroughTheWindow(const QString& password);
    void VerifyTurnsArrivedWhole(const QStringList& messages);
    Outcome Run(const QStringList& arguments, const Settings& settings = {}) const;
    // As a host types it, and as the program joins a turn file to it.
    QString Games(const QString& file = {}) const {
        return QDir::toNativeSeparators(m_work.filePath("games/" + file));
    }

    QTemporaryDir m_work;
    std::unique_ptr<SmtpTestServer> m_server;
};

void CommandLineTest::initTestCase() {
    qputenv("XDG_CONFIG_HOME", m_work.filePath("config").toUtf8());
    qputenv("XDG_STATE_HOME", m_work.filePath("state").toUtf8());
    qputenv("LOCALAPPDATA", m_work.filePath("state").toUtf8());
    QCoreApplication::setApplicationName("zorvel"); // the window writes the program's store
    QCoreApplication::setOrganizationName("Halvane");
    QVERIFY(QDir().mkpath(Games()));
    for (int number = 1; number <= 4; ++number) {
        QFile turn(Games(QString("Alpha.m%1").arg(number)));
        QVERIFY(turn.open(QIODevice::WriteOnly) &&
                turn.write(QByteArray(2000, char('0' + number))));
    }
    m_server = std::make_unique<SmtpTestServer>(m_work.path());
    QString error;
    QVERIFY2(m_server->StartSecure("host@example.org", kPassword,
                                   {"--refuse-recipient", kAddresses[3]}, &error),
             qPrintable(error));
    FillTheStoreThroughTheWindow();
}

void CommandLineTest::FillTheStoreThroughTheWindow() {
    MessageBoxes::SetAnswerer([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
    const std::unique_ptr<SendServiceParts> sendParts = SendServiceParts::ForUser();
    CZorvelDlg window(OpenProfileStore("Halvane", "zorvel"), sendParts->Services());
    window.show();
    const MainWindowControls& controls = window.Controls();
    controls.gameSelector->setEditText("Alpha");
    controls.directory->setText(Games().chopped(1));
    emit controls.directory->textEdited(controls.directory->text());
    for (int number = 1; number <= 4; ++number) {
        controls.Row(number).email->setText(kAddresses[number - 1]);
        emit controls.Row(number).email->textEdited(kAddresses[number - 1]);
        if (number < 4) {
            QTest::mouseClick(controls.Row(number).send, Qt::LeftButton);
        }
    }
    window.Mail().mailProfile =
        QString("smtp://host%40example.org@localhost:%1").arg(m_server->Port()).toStdString();
    window.Mail().password = kPassword.toStdString();
    QTest::mouseClick(controls.exit, Qt::LeftButton);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    MessageBoxes::SetAnswerer({});
}

void CommandLineTest::StorePasswordThroughTheWindow(const QString& password) {
    MessageBoxes::SetAnswerer([](const MessageBoxes::Request&) { return QMessageBox::Ok; });
    const std::unique_ptr<SendServiceParts> sendParts = SendServiceParts::ForUser();
    CZorvelDlg window(OpenProfileStore("Halvane", "zorvel"), sendParts->Services());
    window.show();
    window.Mail().password = password.toStdString();
    QTest::mouseClick(window.Controls().exit, Qt::LeftButton);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    MessageBoxes::SetAnswerer({});
}

Outcome CommandLineTest::Run(const QStringList& arguments, const Settings& settings) const {
    // What a scheduled job gets: no display, the user's home and folders.
    QProcessEnvironment environment = JobEnvironment();
    environment.insert("HOME", m_work.path());
    environment.insert("XDG_CONFIG_HOME", m_work.filePath("config"));
    environment.insert("XDG_STATE_HOME", m_work.filePath("state"));
    environment.insert("LOCALAPPDATA", m_work.filePath("state"));
    environment.insert("SSL_CERT_FILE", qEnvironmentVariable("SSL_CERT_FILE"));
    for (const auto& [name, value] : settings) {
        environment.insert(name, value);
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationDirPath() + "/" ZORVEL_COMMAND_PROGRAM, arguments);
    Outcome outcome;
    if (!program.waitForFinished(120000) || program.exitStatus() != QProcess::NormalExit) {
        return outcome;
    }
    // A Windows console writes its lines ending in CR LF.
    outcome.status = program.exitCode();
    outcome.out = QString::fromUtf8(program.readAllStandardOutput()).replace("\r\n", "\n");
    outcome.err = QString::fromUtf8(program.readAllStandardError()).replace("\r\n", "\n");
    return outcome;
}

// Each message's turn file, matched to its player by address, arrived byte for byte.
void CommandLineTest::VerifyTurnsArrivedWhole(const QStringList& messages) {
    for (const QString& message : messages) {
        QString error;
        const QJsonObject mail = ReadMail(message, &error);
        QVERIFY2(!mail.isEmpty(), qPrintable(error));
        const int player = kAddresses.indexOf(mail["to"].toString()) + 1;
        QVERIFY2(player > 0, qPrintable(mail["to"].toString()));
        QFile turn(Games(QString("Alpha.m%1").arg(player)));
        QVERIFY(turn.open(QIODevice::ReadOnly));
        const QJsonArray attachments = mail["attachments"].toArray();
        QCOMPARE(attachments.size(), 1);
        QCOMPARE(attachments[0]["filename"].toString(), QFileInfo(turn).fileName());
        QCOMPARE(attachments[0]["sha256"].toString(),
                 QString::fromLatin1(
                     QCryptographicHash::hash(turn.readAll(), QCryptographicHash::Sha256).toHex()));
    }
}

void CommandLineTest::commandsAnswerWithTheirStatus_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shown"); // in standard output, or error when it starts with "!"
    QTest::addColumn<int>("delivered");
    // The rows run in order: each send is recorded for the ones after it.
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << QFileInfo(ZORVEL_COMMAND_PROGRAM).baseName() + " 1.0.0.1\n"
                             << 0;
    QTest::newRow("list") << QStringList{"list"} << 0
                          << "Alpha\t" + TabField(Games().chopped(1)) + "\t3\n"
                          << 0;
    QTest::newRow("unknown command") << QStringList{"mail"} << 64 << "!unknown command: mail" << 0;
    QTest::newRow("player out of range")
        << QStringList{"send", "alpha", "--player", "17"} << 64 << "!--player needs" << 0;
    QTest::newRow("unknown game") << QStringList{"show", "beta"} << 65
                                  << "!No game named beta is stored." << 0;
    QTest::newRow("show, other case")
        << QStringList{"show", "ALPHA"} << 0
        << "4\teve@example.org\t0\t" + TabField(Games("Alpha.m4")) + "\tpresent\t2000\t" << 0;
    QTest::newRow("check") << QStringList{"check", "alpha"} << 0
                           << "Player 1, ann@example.org: Alpha.m1 (2.0 KB): ready\n"
                           << 0;
    QTest::newRow("the ticked players, as a scheduled job")
        << QStringList{"send", "aLpHa"} << 0 << "3 Messages sent successfully\n"
        << 3;
    QTest::newRow("the same turns again: held back")
        << QStringList{"send", "alpha"} << 2 << "!Player 1: Alpha.m1 is the same file as sent on "
        << 0;
    QTest::newRow("check sees the warnings")
        << QStringList{"check", "alpha"} << 2 << "Player 2: Alpha.m2 is the same file" << 0;
    QTest::newRow("players chosen, the second refused")
        << QStringList{"send", "alpha", "--player", "1", "--player", "4", "--yes"} << 1
        << "Sent: Player 1. Not sent: Player 4.\n"
        << 1;
    QTest::newRow("those not sent") << QStringList{"send", "alpha", "--unsent"} << 1
                                    << "Sending 1 of 1: Player 4, eve@example.org" << 0;
    QTest::newRow("one player past the warning")
        << QStringList{"send", "alpha", "--player", "2", "--yes"} << 0
        << "1 Message sent successfully\n"
        << 1;
    QTest::newRow("a row without address") << QStringList{"send", "alpha", "--player", "9"} << 65
                                           << "!No player of Alpha is selected." << 0;
    QTest::newRow("history")
        << QStringList{"history", "alpha", "--player", "4"} << 0
        << "\t4\teve@example.org\tAlpha.m4 2000\trefused: Unknown Recipient - MAPI Send Mail (14)\n"
        << 0;
}

void CommandLineTest::commandsAnswerWithTheirStatus() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, shown);
    QFETCH(int, delivered);
    const int before = m_server->MessageFiles().size();

    const Outcome outcome = Run(arguments);

    QVERIFY2(outcome.status == status, qPrintable(outcome.out + outcome.err));
    const QString& stream = shown.startsWith('!') ? outcome.err : outcome.out;
    QVERIFY2(stream.contains(shown.startsWith('!') ? shown.mid(1) : shown), qPrintable(stream));
    const QStringList stored = m_server->MessageFiles();
    QCOMPARE(stored.size(), before + delivered);
    VerifyTurnsArrivedWhole(stored.mid(before));
}

void CommandLineTest::checkGivesEachPlayerHisOwnLine() {
    // Player 2's turn is gone and 3's is empty; 1's is as before.
    QVERIFY(QFile::rename(Games("Alpha.m2"), Games("Alpha.m2.kept")));
    QFile empty(Games("Alpha.m3"));
    QVERIFY(QFile::rename(Games("Alpha.m3"), Games("Alpha.m3.kept")) &&
            empty.open(QIODevice::WriteOnly));
    empty.close();

    const Outcome outcome = Run({"check", "alpha"});

    QVERIFY(QFile::remove(Games("Alpha.m3")));
    for (const QString& turn : {Games("Alpha.m2"), Games("Alpha.m3")}) {
        QVERIFY(QFile::rename(turn + ".kept", turn));
    }
    QCOMPARE(outcome.status, 65);
    const QStringList lines = outcome.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], "Player 1, ann@example.org: Alpha.m1 (2.0 KB): ready");
    QCOMPARE(lines[1], "Player 2: " + Games("Alpha.m2") + " not found");
    QCOMPARE(lines[2], "Player 3: " + Games("Alpha.m3") + " is empty");
}

void CommandLineTest::aGameAnotherRunHoldsIsNotMailed() {
    LockFileRunLocks locks(m_work.filePath("state/Halvane/zorvel"));
    std::string problem;
    const std::unique_ptr<RunLock> held = locks.Acquire("alpha", problem);
    QVERIFY(held);
    const Outcome outcome = Run({"send", "Alpha", "--player", "4", "--yes"});
    QCOMPARE(outcome.status, 73);
    QVERIFY(outcome.err.contains("Another run is mailing the turns of Alpha"));
}

void CommandLineTest::anUnusableStoreChangesNothing() {
    if (!StoreIsAFile()) {
        QSKIP("the store is the registry here, which no program damages");
    }
    const QString damaged = m_work.filePath("damaged");
    QVERIFY(QDir().mkpath(damaged + "/Halvane"));
    QFile store(damaged + "/Halvane/zorvel.sqlite");
    QVERIFY(store.open(QIODevice::WriteOnly) && store.write("not a store at all") > 0);
    store.close();
    QCOMPARE(Run({"list"}, {{"XDG_CONFIG_HOME", damaged}}).status, 74);
    QCOMPARE(QDir(damaged + "/Halvane").entryList(QDir::Files), QStringList{"zorvel.sqlite"});
}

void CommandLineTest::anUnusableRecordChangesNothing() {
    const QString record = m_work.filePath("state/Halvane/zorvel/sent.log");
    QVERIFY(QFile::rename(record, record + ".kept"));
    QVERIFY(QDir().mkpath(record)); // a folder where the record should be
    const Outcome outcome = Run({"send", "alpha", "--player", "4", "--yes"});
    QVERIFY(QDir().rmdir(record) && QFile::rename(record + ".kept", record));
    QCOMPARE(outcome.status, 74);
    QVERIFY(outcome.err.contains("The send record"));
}

void CommandLineTest::aLogonRefusedBeforeSendingSendsNothing_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("trustTheServer");
    QTest::addColumn<bool>("passwordSent");
    QTest::newRow("wrong password") << "guessed" << true << true;
    // Another CA than the server's: the password never leaves this machine.
    QTest::newRow("untrusted certificate") << kPassword << false << false;
}

void CommandLineTest::aLogonRefusedBeforeSendingSendsNothing() {
    QFETCH(QString, password);
    QFETCH(bool, trustTheServer);
    QFETCH(bool, passwordSent);
    Settings settings;
    if (!trustTheServer) {
        QString certificate;
        QString key;
        QString error;
        const QString otherCa = m_work.filePath("other-ca");
        QVERIFY(QDir().mkpath(otherCa));
        QVERIFY2(MakeTestCertificate(otherCa, &certificate, &key, &error), qPrintable(error));
        settings.append({"SSL_CERT_FILE", certificate});
    }
    StorePasswordThroughTheWindow(password);
    const int messages = m_server->MessageFiles().size();
    const int connections = m_server->Connections();
    const qsizetype logged = m_server->LogLines().size();

    const Outcome outcome = Run({"send", "alpha", "--player", "1", "--yes"}, settings);

    StorePasswordThroughTheWindow(kPassword);
    QCOMPARE(outcome.status, 69);
    QVERIFY2(outcome.err.contains("Login Failure - MAPI Logon"), qPrintable(outcome.err));
    QCOMPARE(m_server->MessageFiles().size(), messages);
    QCOMPARE(m_server->Connections(), connections + 1);
    const QStringList log = m_server->LogLines().mid(logged);
    QCOMPARE(!log.filter(QRegularExpression("^CMD \\d+ AUTH")).isEmpty(), passwordSent);
}

void CommandLineTest::aRefusedLogonEndsTheRunWithoutAsking() {
    QVERIFY(QFile::remove(Games("Alpha.m4")));
    QCOMPARE(Run({"send", "alpha", "--player", "4"}).status, 65); // the check fails first
    QFile turn(Games("Alpha.m4"));
    QVERIFY(turn.open(QIODevice::WriteOnly) && turn.write("a new turn") > 0);
    turn.close();
    m_server->Stop();
    const Outcome outcome = Run({"send", "alpha", "--player", "4"});
    QCOMPARE(outcome.status, 69);
    QVERIFY2(outcome.err.contains("MAPI Logon"), qPrintable(outcome.err));
}

QTEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
