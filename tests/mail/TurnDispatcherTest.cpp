#include "TurnDispatcher.h"
#include "MapiLibrary.h"
#include "RecordingWindow.h"
#include "ScriptedMapi.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <set>

namespace {
using Numbers = QList<int>;

const QString kNoteStart =
    "Turns mailed by Zorvel from halvane software, inc. (https://zorvel.example.org)\n\n";

std::string Address(int number) {
    return "p" + std::to_string(number) + "@example.org";
}

// The main window, its records and the binding for one or more presses of "Send Files".
struct Host {
    explicit Host(const std::string& location = SCRIPTED_MAPI,
                  const std::string& recorder = SCRIPTED_MAPI)
        : mapi(recorder), library(window, location) {
        window.controls.name = "alpha";
        window.controls.directory = "/games";
        window.controls.notes = "Good luck\nand have fun";
    }

    void Select(const Numbers& numbers) {
        for (int number : numbers) {
            window.controls.player(number).email = Address(number);
            window.controls.player(number).send = 1;
        }
    }
    std::vector<SeenMessage> Sent() const {
        std::vector<SeenMessage> sent;
        for (const SeenCall& call : mapi.CallsTo("MAPISendMail")) {
            sent.push_back(*call.message);
        }
        return sent;
    }
    QStringList Resolved() const {
        QStringList names;
        for (const SeenCall& call : mapi.CallsTo("MAPIResolveName")) {
            names << Shown(call.name);
        }
        return names;
    }

    ScriptedMapi mapi;
    GameRecord game;
    MailSettings settings;
    RecordingWindow window{game, mapi};
    MapiLibrary library;
    TurnDispatcher dispatcher{game, settings, window, library};
};

QStringList Repeat(const QString& step, int times) {
    QStringList steps;
    for (int done = 0; done < times; ++done) {
        steps << step;
    }
    return steps;
}

QStringList Rows(int first, int last) {
    QStringList rows;
    for (int number = first; number <= last; ++number) {
        rows << "RefreshRow " + QString::number(number);
    }
    return rows;
}

const QStringList kOpening{"BeginWaitCursor", "Block", "MAPILogon", "ReadControls"};
const QStringList kClosing{"GiveBack", "EndWaitCursor"};
} // namespace

class TurnDispatcherTest : public QObject {
    Q_OBJECT

private slots:
    void exampleRunComposesAllThenSendsInOrder();
    void reportCountsSentMessages_data();
    void reportCountsSentMessages();
    void furtherFileIsSecondAttachment_data();
    void furtherFileIsSecondAttachment();
    void returnAddressBecomesOriginator_data();
    void returnAddressBecomesOriginator();
    void failuresStopTheRun_data();
    void failuresStopTheRun();
    void bindFailureEndsRunUnblocked_data();
    void bindFailureEndsRunUnblocked();
    void failedLoadIsRetriedAtNextPress();
    void refusedControlsDoNotStopTheRun();
    void longTextsArePassedWhole();
    void resolvedDescriptorsAreFreedAfterTheRun_data();
    void resolvedDescriptorsAreFreedAfterTheRun();
};

void TurnDispatcherTest::exampleRunComposesAllThenSendsInOrder() {
    Host host;
    host.Select({2, 5});
    host.window.controls.addFile = 1;
    host.window.controls.filePath = "/games/rules.txt";

    host.dispatcher.SendFiles();

    QCOMPARE(host.mapi.Timeline(true),
             (kOpening + Rows(1, 2) + QStringList{"MAPIResolveName"} + Rows(3, 5) +
              QStringList{"MAPIResolveName"} + Rows(6, 16) +
              QStringList{"MAPISendMail", "MAPISendMail", "MAPILogoff", "MAPIFreeBuffer",
                          "MAPIFreeBuffer"} +
              kClosing.first(1) + QStringList{"Message: 2 Messages sent successfully"} +
              kClosing.last(1)));
    const MapiSession session = host.mapi.CallsTo("MAPILogon").at(0).session;
    for (const SeenCall& call : host.mapi.Calls()) {
        if (call.what.starts_with("MAPI") && call.what != "MAPIFreeBuffer") {
            QCOMPARE(call.uiParam, RecordingWindow::kOwner);
            QCOMPARE(call.flags, 0u);
            QCOMPARE(call.reserved, 0u);
            QCOMPARE(call.session, session);
        }
    }
    QCOMPARE(host.Resolved(), (QStringList{"p2@example.org", "p5@example.org"}));
    const std::vector<SeenMessage> sent = host.Sent();
    for (int index : {0, 1}) {
        const SeenMessage& message = sent.at(static_cast<std::size_t>(index));
        const QString player = QString::number(index == 0 ? 2 : 5);
        QCOMPARE(Shown(message.subject), QString("alpha"));
        QCOMPARE(Shown(message.noteText), kNoteStart + "Good luck\nand have fun");
        QVERIFY(message.otherTextsNull);
        QCOMPARE(message.flags, 0u);
        QCOMPARE(message.reserved, 0u);
        QVERIFY(!message.originator);
        QCOMPARE(int(message.recipients.size()), 1);
        const SeenRecipient& recipient = message.recipients.at(0);
        QCOMPARE(recipient.recipClass, MAPI_TO);
        QCOMPARE(Shown(recipient.address), "SMTP:p" + player + "@example.org");
        QCOMPARE(recipient.eidSize, 4u);
        QVERIFY(recipient.libraryOwned);
        QCOMPARE(int(message.files.size()), 2);
        QCOMPARE(Shown(message.files.at(0).pathName), "/games/alpha.m" + player);
        QCOMPARE(Shown(message.files.at(0).fileName), "alpha.m" + player);
        QCOMPARE(Shown(message.files.at(1).pathName), QString("/games/rules.txt"));
        QCOMPARE(Shown(message.files.at(1).fileName), QString("rules.txt"));
        for (const SeenFile& file : message.files) {
            QCOMPARE(file.position, 0xFFFFFFFFu);
            QCOMPARE(file.flags, 0u);
            QCOMPARE(file.reserved, 0u);
            QVERIFY(file.fileTypeNull);
        }
    }
}

void TurnDispatcherTest::reportCountsSentMessages_data() {
    QTest::addColumn<Numbers>("withAddress");
    QTest::addColumn<Numbers>("withoutAddress");
    QTest::addColumn<QString>("report");
    QTest::newRow("none selected") << Numbers{} << Numbers{} << "0 Messages sent successfully";
    QTest::newRow("one") << Numbers{7} << Numbers{} << "1 Message sent successfully";
    QTest::newRow("checked row without address")
        << Numbers{1} << Numbers{3} << "1 Message sent successfully";
    QTest::newRow("player order") << Numbers{16, 1, 9} << Numbers{}
                                  << "3 Messages sent successfully";
}

void TurnDispatcherTest::reportCountsSentMessages() {
    QFETCH(Numbers, withAddress);
    QFETCH(Numbers, withoutAddress);
    QFETCH(QString, report);
    Host host;
    host.Select(withAddress);
    for (int number : withoutAddress) {
        host.window.controls.player(number).send = 1;
    }

    host.dispatcher.SendFiles();

    std::sort(withAddress.begin(), withAddress.end());
    QStringList addresses;
    for (int number : withAddress) {
        addresses << QString::fromStdString(Address(number));
    }
    const int count = int(withAddress.size());
    QCOMPARE(host.mapi.Timeline(), kOpening + Repeat("MAPIResolveName", count) +
                                       Repeat("MAPISendMail", count) + QStringList{"MAPILogoff"} +
                                       Repeat("MAPIFreeBuffer", count) + kClosing.first(1) +
                                       QStringList{"Message: " + report} + kClosing.last(1));
    QCOMPARE(host.Resolved(), addresses);
    QStringList recipients;
    for (const SeenMessage& message : host.Sent()) {
        recipients << Shown(message.recipients.at(0).name).remove("Resolved ");
    }
    QCOMPARE(recipients, addresses);
    QCOMPARE(host.dispatcher.sentCount(), count);
    for (int number : withoutAddress) {
        QCOMPARE(host.game.player(number).send, 0);
        QVERIFY(!host.window.sendBoxChecked.at(std::size_t(number - 1)));
        QVERIFY(!host.window.sendBoxEnabled.at(std::size_t(number - 1)));
    }
}

void TurnDispatcherTest::furtherFileIsSecondAttachment_data() {
    QTest::addColumn<int>("addFile");
    QTest::addColumn<QString>("filePath");
    QTest::addColumn<QStringList>("files");
    const QString turnFile = "/games/alpha.m4 as alpha.m4";
    QTest::newRow("not ticked") << 0 << "/games/rules.txt" << QStringList{turnFile};
    QTest::newRow("in a folder") << 1 << "/games/rules.txt"
                                 << QStringList{turnFile, "/games/rules.txt as rules.txt"};
    QTest::newRow("no separator") << 1 << "rules.txt"
                                  << QStringList{turnFile, "rules.txt as rules.txt"};
    QTest::newRow("ends in separator")
        << 1 << "/games/docs/" << QStringList{turnFile, "/games/docs/ as "};
}

void TurnDispatcherTest::furtherFileIsSecondAttachment() {
    QFETCH(int, addFile);
    QFETCH(QString, filePath);
    QFETCH(QStringList, files);
    Host host;
    host.Select({4, 6});
    host.window.controls.addFile = addFile;
    host.window.controls.filePath = filePath.toStdString();

    host.dispatcher.SendFiles();

    const std::vector<SeenMessage> sent = host.Sent();
    QCOMPARE(int(sent.size()), 2);
    QStringList attached;
    for (const SeenFile& file : sent.at(0).files) {
        attached << Shown(file.pathName) + " as " + Shown(file.fileName);
    }
    QCOMPARE(attached, files);
    QCOMPARE(sent.at(1).files.size(), std::size_t(files.size()));
}

void TurnDispatcherTest::returnAddressBecomesOriginator_data() {
    QTest::addColumn<QString>("returnEmail");
    QTest::addColumn<QStringList>("resolved");
    QTest::newRow("none") << QString() << QStringList{"p3@example.org", "p8@example.org"};
    QTest::newRow("set") << "host@example.org"
                         << QStringList{"host@example.org", "p3@example.org", "p8@example.org"};
}

void TurnDispatcherTest::returnAddressBecomesOriginator() {
    QFETCH(QString, returnEmail);
    QFETCH(QStringList, resolved);
    Host host;
    host.Select({3, 8});
    host.settings.returnEmail = returnEmail.toStdString();

    host.dispatcher.SendFiles();

    QCOMPARE(host.Resolved(), resolved);
    QCOMPARE(int(host.Sent().size()), 2);
    for (const SeenMessage& message : host.Sent()) {
        QCOMPARE(message.originator.has_value(), !returnEmail.isEmpty());
        if (message.originator) {
            QCOMPARE(message.originator->recipClass, MAPI_ORIG);
            QCOMPARE(Shown(message.originator->name), "Resolved " + returnEmail);
            QVERIFY(message.originator->libraryOwned);
        }
    }
}

void TurnDispatcherTest::failuresStopTheRun_data() {
    QTest::addColumn<QString>("returnEmail");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QList<MapiULong>>("answers");
    QTest::addColumn<QStringList>("timeline");
    QTest::addColumn<int>("sent");
    const QStringList logon = kOpening.first(3);
    QTest::newRow("logon refused")
        << QString() << "MAPILogon" << QList<MapiULong>{2}
        << logon + QStringList{"Message: Unspecified error message - MAPI Logon"} + kClosing << 0;
    QTest::newRow("return address unknown")
        << "host@example.org"
        << "MAPIResolveName" << QList<MapiULong>{14}
        << kOpening +
               QStringList{"MAPIResolveName", "Message: Unknown Recipient - host@example.org",
                           "MAPILogoff"} +
               kClosing
        << 0;
    QTest::newRow("player 5 of 16 ambiguous")
        << QString() << "MAPIResolveName" << QList<MapiULong>{0, 0, 0, 0, 21}
        << kOpening + Repeat("MAPIResolveName", 5) +
               QStringList{"Message: Ambiguous Recipient - p5@example.org", "MAPILogoff"} +
               Repeat("MAPIFreeBuffer", 4) + kClosing
        << 0;
    QTest::newRow("player 5 of 16 refused")
        << QString() << "MAPISendMail" << QList<MapiULong>{0, 0, 0, 0, 11}
        << kOpening + Repeat("MAPIResolveName", 16) + Repeat("MAPISendMail", 5) +
               QStringList{"Message: Attachment Not Found - MAPI Send Mail", "MAPILogoff"} +
               Repeat("MAPIFreeBuffer", 16) + kClosing
        << 4;
    QTest::newRow("logoff refused after a clean run")
        << QString() << "MAPILogoff" << QList<MapiULong>{2}
        << kOpening + Repeat("MAPIResolveName", 16) + Repeat("MAPISendMail", 16) +
               QStringList{"MAPILogoff"} + Repeat("MAPIFreeBuffer", 16) + kClosing
        << 16;
}

void TurnDispatcherTest::failuresStopTheRun() {
    QFETCH(QString, returnEmail);
    QFETCH(QString, call);
    QFETCH(QList<MapiULong>, answers);
    QFETCH(QStringList, timeline);
    QFETCH(int, sent);
    Host host;
    host.Select({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    host.settings.returnEmail = returnEmail.toStdString();
    for (MapiULong code : answers) {
        host.mapi.Queue(call.toUtf8().constData(), {code});
    }

    host.dispatcher.SendFiles();

    QCOMPARE(host.mapi.Timeline(), timeline);
    QCOMPARE(int(host.Sent().size()) - (call == "MAPISendMail" ? 1 : 0), sent);
    for (std::size_t index = 0; index < host.Sent().size(); ++index) {
        QCOMPARE(Shown(host.Sent().at(index).recipients.at(0).name),
                 QString::fromStdString("Resolved " + Address(int(index) + 1)));
    }
    if (sent > 0) {
        QCOMPARE(host.dispatcher.sentCount(), sent);
    }
}

void TurnDispatcherTest::bindFailureEndsRunUnblocked_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing library") << "/nonexistent/libmail.so"
                                     << "Unable to load mail system support.";
    QTest::newRow("missing MAPISendMail")
        << SCRIPTED_MAPI_WITHOUT_SEND << "Mail system DLL is invalid.";
}

void TurnDispatcherTest::bindFailureEndsRunUnblocked() {
    QFETCH(QString, location);
    QFETCH(QString, message);
    Host host(location.toStdString(), SCRIPTED_MAPI_WITHOUT_SEND);
    host.Select({1});

    host.dispatcher.SendFiles();

    QCOMPARE(host.mapi.Timeline(),
             (QStringList{"BeginWaitCursor", "Message: " + message, "EndWaitCursor"}));
}

void TurnDispatcherTest::failedLoadIsRetriedAtNextPress() {
    QTemporaryDir folder;
    const QString location = folder.filePath("libmail.so");
    Host host(location.toStdString());
    host.Select({1});

    host.dispatcher.SendFiles();
    QVERIFY(QFile::link(SCRIPTED_MAPI, location));
    host.dispatcher.SendFiles();

    QCOMPARE(host.mapi.Timeline(),
             (QStringList{"BeginWaitCursor", "Message: Unable to load mail system support.",
                          "EndWaitCursor"} +
              kOpening +
              QStringList{"MAPIResolveName", "MAPISendMail", "MAPILogoff", "MAPIFreeBuffer",
                          "GiveBack", "Message: 1 Message sent successfully", "EndWaitCursor"}));
}

void TurnDispatcherTest::refusedControlsDoNotStopTheRun() {
    Host host;
    host.Select({1});
    host.window.controlsAccepted = false;

    host.dispatcher.SendFiles();

    QCOMPARE(host.mapi.Timeline(),
             (kOpening + QStringList{"Message: Please enter no more than 220 characters.",
                                     "MAPIResolveName", "MAPISendMail", "MAPILogoff",
                                     "MAPIFreeBuffer", "GiveBack",
                                     "Message: 1 Message sent successfully", "EndWaitCursor"}));
}

void TurnDispatcherTest::longTextsArePassedWhole() {
    const std::string longText(100000, 'x');
    Host host;
    host.Select({1});
    host.settings.mailProfile = longText;
    host.window.controls.name = longText;
    host.window.controls.notes = longText;
    host.window.controls.player(1).email = longText;

    host.dispatcher.SendFiles();

    const QString whole = QString::fromStdString(longText);
    QCOMPARE(Shown(host.mapi.CallsTo("MAPILogon").at(0).profile), whole);
    QCOMPARE(host.Resolved(), QStringList{whole});
    const SeenMessage message = host.Sent().at(0);
    QCOMPARE(Shown(message.subject), whole);
    QCOMPARE(Shown(message.noteText), kNoteStart + whole);
    QCOMPARE(Shown(message.files.at(0).pathName), "/games/" + whole + ".m1");
    QCOMPARE(Shown(message.files.at(0).fileName), whole + ".m1");
}

void TurnDispatcherTest::resolvedDescriptorsAreFreedAfterTheRun_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("freed");
    QTest::newRow("library frees") << SCRIPTED_MAPI << true;
    QTest::newRow("library without MAPIFreeBuffer") << SCRIPTED_MAPI_WITHOUT_FREE << false;
}

void TurnDispatcherTest::resolvedDescriptorsAreFreedAfterTheRun() {
    QFETCH(QString, location);
    QFETCH(bool, freed);
    Host host(location.toStdString(), location.toStdString());
    host.Select({2, 9, 11});
    host.settings.returnEmail = "host@example.org";

    host.dispatcher.SendFiles();

    std::multiset<const void*> issued;
    for (const SeenCall& call : host.mapi.CallsTo("MAPIResolveName")) {
        issued.insert(call.buffer);
    }
    std::multiset<const void*> released;
    for (const SeenCall& call : host.mapi.CallsTo("MAPIFreeBuffer")) {
        released.insert(call.buffer);
    }
    QCOMPARE(issued.size(), std::size_t(4));
    QVERIFY(released == (freed ? issued : std::multiset<const void*>()));
    QCOMPARE(host.mapi.Timeline().last(2),
             (QStringList{"Message: 3 Messages sent successfully", "EndWaitCursor"}));
}

QTEST_GUILESS_MAIN(TurnDispatcherTest)
#include "TurnDispatcherTest.moc"
