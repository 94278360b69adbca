#include "TurnDispatcher.h"
#include "MailCodePage.h"
#include "MapiLibrary.h"
#include "MemorySendServices.h"
#include "RecordingWindow.h"
#include "ScriptedMapi.h"
#include "TurnFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "SendHistory.h"

#include <optional>
#include <set>

namespace {
using Numbers = QList<int>;

const QString kNoteStart =
    "Turns mailed by Zorvel from halvane software, inc. (https://zorvel.example.org)\n\n";

// `file` in the test game's folder, joined as the platform joins turn-file paths.
QString Games(const QString& file) {
    return QStringLiteral("/games") + QChar::fromLatin1(kPathSeparator) + file;
}

std::string Address(int number) {
    return "p" + std::to_string(number) + "@example.org";
}

// A recorded text's bytes, for texts in a code page other than UTF-8.
QByteArray Bytes(const std::optional<std::string>& text) {
    return text ? QByteArray::fromStdString(*text) : QByteArray("<null>");
}

// Stricter than the code page of any machine the tests run on: Latin-1, one
// byte a character.
class Latin1CodePage final : public MailCodePage {
public:
    std::string Unmappable(std::string_view utf8) const override {
        QString refused;
        for (const char32_t character : Decode(utf8).toUcs4()) {
            const QString one = QString::fromUcs4(&character, 1);
            if (character > 0xFF && !refused.contains(one)) {
                refused += one;
            }
        }
        return refused.toStdString();
    }
    std::string Encode(std::string_view utf8) const override {
        return Decode(utf8).toLatin1().toStdString();
    }

private:
    static QString Decode(std::string_view utf8) {
        return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    }
};
const Latin1CodePage kLatin1;

// The main window, its records and the binding for one or more presses of "Send Files".
struct Host {
    explicit Host(const std::string& location = SCRIPTED_MAPI,
                  const std::string& recorder = SCRIPTED_MAPI,
                  const MailCodePage& codePage = Utf8MailCodePage())
        : Host(MailLibraryChoice::Fixed(location, codePage), recorder) {}
    // The window's notes go to `recorder`, the mail calls to the library `choice` picks.
    Host(MailLibraryChoice choice, const std::string& recorder)
        : mapi(recorder), library(window, std::move(choice)) {
        window.controls.name = "alpha";
        window.controls.directory = "/games";
        window.controls.notes = "Good luck\nand have fun";
    }

    void Select(const Numbers& numbers) {
        for (int number : numbers) {
            window.controls.Player(number).email = Address(number);
            window.controls.Player(number).send = 1;
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
    MemorySendServices outside;
    SendServices services = outside.Services();
    TurnDispatcher dispatcher{game, settings, window, library, services};
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

// The controls are read for the check before anything is loaded, and again after logon.
const QStringList kChecked{"BeginWaitCursor", "ReadControls"};
const QStringList kOpening = kChecked + QStringList{"Block", "MAPILogon", "ReadControls"};
const QStringList kClosing{"GiveBack", "EndWaitCursor"};

// Puts `text` where `field` says: "name", "player 3" (selecting him), ...
void Put(Host& host, const QString& field, const std::string& text) {
    GameRecord& controls = host.window.controls;
    if (field == "name") {
        controls.name = text;
    } else if (field == "directory") {
        controls.directory = text;
    } else if (field == "notes") {
        controls.notes = text;
    } else if (field.endsWith("filePath")) {
        controls.filePath = text;
        controls.addFile = field == "filePath" ? 1 : 0;
    } else if (field.contains("player ")) {
        PlayerSlot& player = controls.Player(field.section(' ', -1).toInt());
        player.email = text;
        player.send = field.startsWith("unselected") ? 0 : 1;
    } else if (field == "returnEmail") {
        host.settings.returnEmail = text;
    } else if (field == "mailProfile") {
        host.settings.mailProfile = text;
    } else if (field == "password") {
        host.settings.password = text;
    } else {
        QFAIL(qPrintable("no field " + field));
    }
}
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
    void textsTheCodePageRefusesStopTheRun_data();
    void textsTheCodePageRefusesStopTheRun();
    void textsCrossInTheCodePage();
    void theProfilePicksTheLibraryAndItsCodePage_data();
    void theProfilePicksTheLibraryAndItsCodePage();

    void fileProblemsStopBeforeTheLibraryLoads_data();
    void fileProblemsStopBeforeTheLibraryLoads();
    void staleTurnFilesNeedTheHostsWord_data();
    void staleTurnFilesNeedTheHostsWord();
    void aStoppedRunSaysWhoGotHisTurnAndSendsTheRest_data();
    void aStoppedRunSaysWhoGotHisTurnAndSendsTheRest();
    void aGameAnotherRunHoldsIsRefused();
    void onePlayerOnlyLeavesTheSendBoxesAlone();
    void aRecordThatCannotBeWrittenStopsTheHandover_data();
    void aRecordThatCannotBeWrittenStopsTheHandover();
    void aTestMessageGoesToTheHostAlone();
};

void TurnDispatcherTest::exampleRunComposesAllThenSendsInOrder() {
    Host host;
    host.Select({2, 5});
    host.window.controls.addFile = 1;
    host.window.controls.filePath = Games("rules.txt").toStdString();

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
        QCOMPARE(Shown(message.files.at(0).pathName), Games("alpha.m" + player));
        QCOMPARE(Shown(message.files.at(0).fileName), "alpha.m" + player);
        QCOMPARE(Shown(message.files.at(1).pathName), Games("rules.txt"));
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
        host.window.controls.Player(number).send = 1;
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
    QCOMPARE(host.dispatcher.SentCount(), count);
    for (int number : withoutAddress) {
        QCOMPARE(host.game.Player(number).send, 0);
        QVERIFY(!host.window.sendBoxChecked.at(std::size_t(number - 1)));
        QVERIFY(!host.window.sendBoxEnabled.at(std::size_t(number - 1)));
    }
}

void TurnDispatcherTest::furtherFileIsSecondAttachment_data() {
    QTest::addColumn<int>("addFile");
    QTest::addColumn<QString>("filePath");
    QTest::addColumn<QStringList>("files");
    const QString turnFile = Games("alpha.m4") + " as alpha.m4";
    QTest::newRow("not ticked") << 0 << Games("rules.txt") << QStringList{turnFile};
    QTest::newRow("in a folder") << 1 << Games("rules.txt")
                                 << QStringList{turnFile, Games("rules.txt") + " as rules.txt"};
    QTest::newRow("no separator") << 1 << "rules.txt"
                                  << QStringList{turnFile, "rules.txt as rules.txt"};
    QTest::newRow("ends in separator")
        << 1 << Games("docs") + kPathSeparator
        << QStringList{turnFile, Games("docs") + kPathSeparator + " as "};
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
    const QStringList logon = kOpening.first(4);
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
               Repeat("MAPIFreeBuffer", 16) +
               QStringList{"GiveBack",
                           "Ask: Sent: Players 1, 2, 3, 4. Not sent: Players 5, 6, 7, 8, 9, 10, "
                           "11, 12, 13, 14, 15, 16.",
                           "EndWaitCursor"}
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
        QCOMPARE(host.dispatcher.SentCount(), sent);
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
             (kChecked + QStringList{"Message: " + message, "EndWaitCursor"}));
}

void TurnDispatcherTest::failedLoadIsRetriedAtNextPress() {
    QTemporaryDir folder;
    const QString location = folder.filePath("mail-library.bin");
    Host host(location.toStdString());
    host.Select({1});

    host.dispatcher.SendFiles();
    // A copy is a library instance of its own: it records the mail calls,
    // the host's recorder what the window saw.
    QVERIFY(QFile::copy(SCRIPTED_MAPI, location));
    const ScriptedMapi copy(location.toStdString());
    host.dispatcher.SendFiles();

    QCOMPARE(host.mapi.Timeline(),
             (kChecked +
              QStringList{"Message: Unable to load mail system support.", "EndWaitCursor"} +
              kChecked +
              QStringList{"Block", "ReadControls", "GiveBack",
                          "Message: 1 Message sent successfully", "EndWaitCursor"}));
    QCOMPARE(copy.Timeline(), (QStringList{"MAPILogon", "MAPIResolveName", "MAPISendMail",
                                           "MAPILogoff", "MAPIFreeBuffer"}));
}

void TurnDispatcherTest::refusedControlsDoNotStopTheRun() {
    Host host;
    host.Select({1});
    host.window.controlsAccepted = false;

    host.dispatcher.SendFiles();

    const QString refused = "Message: Please enter no more than 220 characters.";
    QCOMPARE(
        host.mapi.Timeline(),
        (kChecked + QStringList{refused} + kOpening.sliced(2) +
         QStringList{refused, "MAPIResolveName", "MAPISendMail", "MAPILogoff", "MAPIFreeBuffer",
                     "GiveBack", "Message: 1 Message sent successfully", "EndWaitCursor"}));
}

void TurnDispatcherTest::longTextsArePassedWhole() {
    const std::string longText(100000, 'x');
    Host host;
    host.Select({1});
    host.settings.mailProfile = longText;
    host.window.controls.name = longText;
    host.window.controls.notes = longText;
    host.window.controls.Player(1).email = longText;

    host.dispatcher.SendFiles();

    const QString whole = QString::fromStdString(longText);
    QCOMPARE(Shown(host.mapi.CallsTo("MAPILogon").at(0).profile), whole);
    QCOMPARE(host.Resolved(), QStringList{whole});
    const SeenMessage message = host.Sent().at(0);
    QCOMPARE(Shown(message.subject), whole);
    QCOMPARE(Shown(message.noteText), kNoteStart + whole);
    QCOMPARE(Shown(message.files.at(0).pathName), Games(whole + ".m1"));
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

void TurnDispatcherTest::textsTheCodePageRefusesStopTheRun_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty: the run goes on
    const QString cannot = " holds characters that the mail system cannot take";
    QTest::newRow("game name, each character once") << QStringList{"name"} << "日本日本"
                                                    << "The game name" + cannot + ": 日本";
    QTest::newRow("directory") << QStringList{"directory"} << "C:\\Spiele\\東京"
                               << "The directory" + cannot + ": 東京";
    QTest::newRow("message text, beyond 16 bits") << QStringList{"notes"} << "Viel Glück 🎲"
                                                  << "The message text" + cannot + ": 🎲";
    QTest::newRow("further file") << QStringList{"filePath"} << "/games/規則.txt"
                                  << "The further file's path" + cannot + ": 規則";
    QTest::newRow("player 3") << QStringList{"player 3"} << "日@example.org"
                              << "Player 3's address" + cannot + ": 日";
    QTest::newRow("return email") << QStringList{"returnEmail"} << "ホスト@example.org"
                                  << "The Return Email" + cannot + ": ホスト";
    QTest::newRow("email profile") << QStringList{"mailProfile"} << "smtp://日.example.org"
                                   << "The Email Profile" + cannot + ": 日";
    QTest::newRow("password, characters not shown") << QStringList{"password"} << "pässwort日"
                                                    << "The password" + cannot + ".";
    QTest::newRow("one line each") << QStringList{"name", "player 12", "player 3"} << "日"
                                   << "The game name" + cannot + ": 日\nPlayer 3's address" +
                                          cannot + ": 日\nPlayer 12's address" + cannot + ": 日";
    QTest::newRow("further file not ticked")
        << QStringList{"unticked filePath"} << "/games/規則.txt" << QString();
    QTest::newRow("player not selected")
        << QStringList{"unselected player 4"} << "日@example.org" << QString();
}

void TurnDispatcherTest::textsTheCodePageRefusesStopTheRun() {
    QFETCH(QStringList, fields);
    QFETCH(QString, text);
    QFETCH(QString, message);
    // A library that cannot load shows that a refused run never tried to.
    Host host(message.isEmpty() ? SCRIPTED_MAPI : "/nonexistent/libmail.so", SCRIPTED_MAPI,
              kLatin1);
    host.Select({1});
    for (const QString& field : fields) {
        Put(host, field, text.toStdString());
    }

    host.dispatcher.SendFiles();

    if (message.isEmpty()) {
        QCOMPARE(host.mapi.Timeline().last(2),
                 (QStringList{"Message: 1 Message sent successfully", "EndWaitCursor"}));
    } else {
        QCOMPARE(host.mapi.Timeline(),
                 (kChecked + QStringList{"Message: " + message, "EndWaitCursor"}));
    }
}

void TurnDispatcherTest::textsCrossInTheCodePage() {
    Host host(SCRIPTED_MAPI, SCRIPTED_MAPI, kLatin1);
    Put(host, "name", "Café");
    Put(host, "directory", "/Zürich");
    Put(host, "notes", "Grüß dich");
    Put(host, "filePath", std::string("/Zürich") + kPathSeparator + "Règles.txt");
    Put(host, "player 2", "jérôme@example.org");
    Put(host, "returnEmail", "hôte@example.org");
    Put(host, "mailProfile", "smtp://zoë@example.org");
    Put(host, "password", "pässwort");

    host.dispatcher.SendFiles();

    const SeenCall logon = host.mapi.CallsTo("MAPILogon").at(0);
    const std::vector<SeenCall> resolved = host.mapi.CallsTo("MAPIResolveName");
    const SeenMessage message = host.Sent().at(0);
    const QList<QByteArray> seen{Bytes(logon.profile),
                                 Bytes(logon.password),
                                 Bytes(resolved.at(0).name),
                                 Bytes(resolved.at(1).name),
                                 Bytes(message.subject),
                                 Bytes(message.noteText),
                                 Bytes(message.files.at(0).pathName),
                                 Bytes(message.files.at(0).fileName),
                                 Bytes(message.files.at(1).pathName),
                                 Bytes(message.files.at(1).fileName)};
    const QByteArray folder = QByteArray("/Z\xFCrich") + kPathSeparator;
    QCOMPARE(seen,
             (QList<QByteArray>{"smtp://zo\xEB@example.org", "p\xE4sswort", "h\xF4te@example.org",
                                "j\xE9r\xF4me@example.org", "Caf\xE9",
                                kNoteStart.toLatin1() + "Gr\xFC\xDF dich", folder + "Caf\xE9.m2",
                                "Caf\xE9.m2", folder + "R\xE8gles.txt", "R\xE8gles.txt"}));

    // What the host is told names the address as he typed it.
    host.window.sendAnyway = true; // the same turn file goes again
    host.mapi.Queue("MAPIResolveName", {SUCCESS_SUCCESS, MAPI_E_UNKNOWN_RECIPIENT});
    host.dispatcher.SendFiles();
    QCOMPARE(host.mapi.Timeline().filter("Message: ").last(),
             QString("Message: Unknown Recipient - jérôme@example.org"));
}

void TurnDispatcherTest::theProfilePicksTheLibraryAndItsCodePage_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("viaProvider"); // else the mail client's MAPI32.DLL
#ifdef SCRIPTED_MAPI32
    const bool mailClientThere = true;
#else
    const bool mailClientThere = false; // Linux: every profile goes through the provider
#endif
    QTest::newRow("smtp://") << "smtp://games@mail.example.org:587" << true;
    QTest::newRow("SMTPS://") << "SMTPS://MAIL.EXAMPLE.ORG" << true;
    QTest::newRow("blank before smtps://") << " smtps://mail.example.org" << true;
    QTest::newRow("empty") << "" << !mailClientThere;
    QTest::newRow("Outlook") << "Outlook" << !mailClientThere;
    QTest::newRow("sendmail program") << "/usr/bin/msmtp -a games" << !mailClientThere;
}

void TurnDispatcherTest::theProfilePicksTheLibraryAndItsCodePage() {
    QFETCH(QString, profile);
    QFETCH(bool, viaProvider);
    // A program folder holding a copy of the scripted library as our provider.
    QTemporaryDir program;
    const QString provider = program.filePath(
        QString::fromUtf8(kProviderLibraryName.data(), qsizetype(kProviderLibraryName.size())));
    QVERIFY(QFile::copy(SCRIPTED_MAPI, provider));
    const ScriptedMapi ours(provider.toStdString());
    std::optional<ScriptedMapi> mailClient;
#ifdef SCRIPTED_MAPI32
    mailClient.emplace(SCRIPTED_MAPI32); // found by the system's search, beside the test
#endif
    const ScriptedMapi& reached = viaProvider ? ours : *mailClient;
    Host host(MailLibraryChoice(QDir::toNativeSeparators(program.path()).toStdString()),
              SCRIPTED_MAPI);
    host.Select({1});
    Put(host, "mailProfile", profile.toStdString());
    Put(host, "directory", "Zürich");

    for (const char* name : {"Café", "日本"}) {
        Put(host, "name", name);
        host.dispatcher.SendFiles();
    }

    const auto encoded = [viaProvider](const QString& text) {
        return viaProvider ? text.toUtf8() : text.toLatin1(); // cp1252 where they meet
    };
    const QString turn = QString("Zürich") + QChar::fromLatin1(kPathSeparator) + "Café.m1";
    const std::vector<SeenCall> sent = reached.CallsTo("MAPISendMail");
    QCOMPARE(int(sent.size()), viaProvider ? 2 : 1);
    QCOMPARE(Bytes(reached.CallsTo("MAPILogon").at(0).profile), profile.toUtf8());
    QCOMPARE(Bytes(sent.at(0).message->subject), encoded("Café"));
    QCOMPARE(Bytes(sent.at(0).message->files.at(0).pathName), encoded(turn));
    QCOMPARE(Bytes(sent.at(0).message->files.at(0).fileName), encoded("Café.m1"));
    const QString second = viaProvider ? "1 Message sent successfully"
                                       : "The game name holds characters that the mail "
                                         "system cannot take: 日本";
    QCOMPARE(host.mapi.Timeline().filter("Message: "),
             (QStringList{"Message: 1 Message sent successfully", "Message: " + second}));
    if (viaProvider) {
        QCOMPARE(Bytes(sent.at(1).message->subject), QString("日本").toUtf8());
    }
    const ScriptedMapi* other = viaProvider ? (mailClient ? &*mailClient : nullptr) : &ours;
    QVERIFY(!other || other->Calls().empty());
}

namespace {
using Facts = QList<QPair<QString, FileFacts>>;

// What the record says of `game`, newest first: "2 sent", "3 not sent: cancelled".
QStringList Recorded(Host& host, const std::string& game = "alpha") {
    QStringList entries;
    const SendHistory history(host.outside.lines, game, host.outside);
    for (const HistoryEntry& entry : history.Entries()) {
        entries << QString::number(entry.player) + " " + QString::fromStdString(OutcomeText(entry));
    }
    return entries;
}
} // namespace

void TurnDispatcherTest::fileProblemsStopBeforeTheLibraryLoads_data() {
    QTest::addColumn<Facts>("files");
    QTest::addColumn<QString>("message");
    using State = FileFacts::State;
    const QString m5 = Games("alpha.m5");
    QTest::newRow("one missing among twelve")
        << Facts{{m5, {State::Missing, 0, 0}}} << "Player 5: " + m5 + " not found";
    QTest::newRow("a folder") << Facts{{m5, {State::NotRegular, 0, 0}}}
                              << "Player 5: " + m5 + " is not a file";
    QTest::newRow("unreadable") << Facts{{m5, {State::Unreadable, 0, 0}}}
                                << "Player 5: " + m5 + " cannot be read";
    QTest::newRow("empty") << Facts{{m5, {State::Present, 0, 0}}}
                           << "Player 5: " + m5 + " is empty";
    QTest::newRow("further file, once") << Facts{{Games("rules.txt"), {State::Missing, 0, 0}}}
                                        << "Further file: " + Games("rules.txt") + " not found";
    QTest::newRow("one line each")
        << Facts{{Games("alpha.m12"), {State::Missing, 0, 0}}, {m5, {State::Present, 0, 0}}}
        << "Player 5: " + m5 + " is empty\nPlayer 12: " + Games("alpha.m12") + " not found";
}

void TurnDispatcherTest::fileProblemsStopBeforeTheLibraryLoads() {
    QFETCH(Facts, files);
    QFETCH(QString, message);
    Host host("/nonexistent/libmail.so");
    host.Select({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    host.window.controls.addFile = 1;
    host.window.controls.filePath = Games("rules.txt").toStdString();
    for (const auto& [path, facts] : files) {
        host.outside.files[path.toStdString()] = facts;
    }

    host.dispatcher.SendFiles();

    const QStringList shown{"Message: " + message + "\n\nNothing was sent.", "EndWaitCursor"};
    QCOMPARE(host.mapi.Timeline(), kChecked + shown);
    QVERIFY(host.outside.lines.empty());
}

void TurnDispatcherTest::staleTurnFilesNeedTheHostsWord_data() {
    QTest::addColumn<QString>("recordedGame");
    QTest::addColumn<QString>("recordedHash");
    QTest::addColumn<qint64>("modifiedAfterSend"); // seconds
    QTest::addColumn<QString>("warning");          // empty: none
    QTest::addColumn<bool>("recordReadable");
    const QString same = "Player 3: alpha.m3 is the same file as sent on at 1000: last turn's?";
    const QString turn3 =
        QString::fromStdString(MemorySendServices::HashOf(Games("alpha.m3").toStdString()));
    const QString earlier = "e0e0";
    QTest::newRow("same file") << "alpha" << turn3 << qint64(600) << same << true;
    QTest::newRow("same file, game in other case")
        << "ALPHA" << turn3 << qint64(600) << same << true;
    QTest::newRow("older than the last one sent")
        << "alpha" << earlier << qint64(-1)
        << "Player 3: alpha.m3 is older than the turn sent on at 1000." << true;
    QTest::newRow("a new turn") << "alpha" << earlier << qint64(600) << QString() << true;
    QTest::newRow("another game") << "beta" << turn3 << qint64(600) << QString() << true;
    QTest::newRow("a record that cannot be read")
        << "alpha" << turn3 << qint64(600)
        << "The send record /state/sent.log cannot be read: Permission denied, so the turn "
           "files were not compared with those sent before."
        << false;
}

void TurnDispatcherTest::staleTurnFilesNeedTheHostsWord() {
    QFETCH(QString, recordedGame);
    QFETCH(QString, recordedHash);
    QFETCH(qint64, modifiedAfterSend);
    QFETCH(QString, warning);
    QFETCH(bool, recordReadable);
    for (const bool sendAnyway : {false, true}) {
        Host host;
        host.Select({3});
        RecordLine sent{1000,
                        1,
                        RecordLine::Event::Sent,
                        recordedGame.toStdString(),
                        3,
                        "p3@example.org",
                        0,
                        "",
                        {{"alpha.m3", 64, recordedHash.toStdString()}}};
        host.outside.lines.push_back(FormatRecordLine(sent));
        host.outside.files[Games("alpha.m3").toStdString()] = {FileFacts::State::Present, 64,
                                                               1000 + modifiedAfterSend};
        host.window.sendAnyway = sendAnyway;
        host.outside.recordReadable = recordReadable;

        host.dispatcher.SendFiles();

        const QStringList asked = host.mapi.Timeline().filter("Ask: ");
        QCOMPARE(asked, warning.isEmpty() ? QStringList() : QStringList{"Ask: " + warning});
        const bool goes = warning.isEmpty() || sendAnyway;
        QCOMPARE(int(host.Sent().size()), goes ? 1 : 0);
        QCOMPARE(host.mapi.CallsTo("MAPILogon").size(), std::size_t(goes ? 1 : 0));
    }
}

void TurnDispatcherTest::aStoppedRunSaysWhoGotHisTurnAndSendsTheRest_data() {
    QTest::addColumn<bool>("cancel"); // else the library refuses message 3
    QTest::addColumn<QStringList>("firstRun");
    QTest::newRow("cancelled at the third")
        << true
        << QStringList{"9 not sent: cancelled", "7 not sent: cancelled", "4 not sent: cancelled",
                       "2 sent", "1 sent"};
    QTest::newRow("third refused")
        << false
        << QStringList{"9 not sent: an earlier message was refused",
                       "7 not sent: an earlier message was refused",
                       "4 refused: Attachment Not Found - MAPI Send Mail (11)", "2 sent", "1 sent"};
}

void TurnDispatcherTest::aStoppedRunSaysWhoGotHisTurnAndSendsTheRest() {
    QFETCH(bool, cancel);
    QFETCH(QStringList, firstRun);
    Host host;
    host.Select({1, 2, 4, 7, 9});
    if (cancel) {
        host.window.cancelAt = 3;
    } else {
        host.mapi.Queue("MAPISendMail", {0, 0, MAPI_E_ATTACHMENT_NOT_FOUND});
    }
    host.window.sendRest = true;

    host.dispatcher.SendFiles();

    QCOMPARE(host.mapi.Timeline().filter("Ask: "),
             QStringList{"Ask: Sent: Players 1, 2. Not sent: Players 4, 7, 9."});
    QCOMPARE(host.mapi.CallsTo("MAPILogoff").size(), std::size_t(2));
    QStringList recipients;
    for (const SeenMessage& message : host.Sent()) {
        recipients
            << Shown(message.recipients.at(0).name).remove("Resolved p").remove("@example.org");
    }
    QCOMPARE(recipients, (cancel ? QStringList{"1", "2", "4", "7", "9"}
                                 : QStringList{"1", "2", "4", "4", "7", "9"}));
    QCOMPARE(Recorded(host), (QStringList{"9 sent", "7 sent", "4 sent"} + firstRun));
    QCOMPARE(QString::fromStdString(host.window.progress.at(1)),
             QString("Sending 1 of 5: Player 1, p1@example.org (alpha.m1, 64 bytes)"));
}

void TurnDispatcherTest::aGameAnotherRunHoldsIsRefused() {
    Host host("/nonexistent/libmail.so");
    host.Select({1});
    host.window.controls.name = "Alpha";
    host.outside.heldLocks.insert("alpha");

    host.dispatcher.SendFiles();

    const QStringList shown{"Message: Another run is mailing the turns of Alpha right now. "
                            "Send again when it has ended.",
                            "EndWaitCursor"};
    QCOMPARE(host.mapi.Timeline(), kChecked + shown);
}

void TurnDispatcherTest::onePlayerOnlyLeavesTheSendBoxesAlone() {
    Host host;
    host.Select({2, 4});
    host.window.controls.Player(4).send = 0;

    host.dispatcher.SendPlayers({4});

    QCOMPARE(host.Resolved(), QStringList{"p4@example.org"});
    QCOMPARE(Shown(host.Sent().at(0).files.at(0).pathName), Games("alpha.m4"));
    QCOMPARE(host.game.Player(4).send, 0);
    QCOMPARE(host.game.Player(2).send, 1);
    QCOMPARE(host.mapi.Timeline().filter("Message: "),
             QStringList{"Message: 1 Message sent successfully"});
}

void TurnDispatcherTest::aRecordThatCannotBeWrittenStopsTheHandover_data() {
    QTest::addColumn<int>("linesWritable");
    QTest::addColumn<QStringList>("record"); // what the record holds, in order
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("sent");
    const QString full = "Message: The send record /state/sent.log cannot be written: No space "
                         "left on device. ";
    QTest::newRow("room for all: the plan comes first")
        << 1000
        << QStringList{"planned 1", "planned 2", "handover 1", "sent 1", "handover 2", "sent 2"}
        << QStringList{"Message: 2 Messages sent successfully"} << 2;
    QTest::newRow("no room for the plan")
        << 0 << QStringList{}
        << QStringList{full + "Nothing was sent.", "Ask: Sent: none. Not sent: Players 1, 2."} << 0;
    QTest::newRow("no room for the second handover")
        << 4 << QStringList{"planned 1", "planned 2", "handover 1", "sent 1"}
        << QStringList{full + "Nothing more was sent.", "Ask: Sent: Player 1. Not sent: Player 2."}
        << 1;
}

void TurnDispatcherTest::aRecordThatCannotBeWrittenStopsTheHandover() {
    QFETCH(int, linesWritable);
    QFETCH(QStringList, record);
    QFETCH(QStringList, shown);
    QFETCH(int, sent);
    Host host;
    host.Select({1, 2});
    host.outside.linesWritable = std::size_t(linesWritable);

    host.dispatcher.SendFiles();

    QCOMPARE(int(host.Sent().size()), sent);
    QCOMPARE(host.mapi.Timeline().filter(QRegularExpression("Message|Ask")), shown);
    QStringList written;
    for (const std::string& line : host.outside.lines) { // event and player
        const QString fields = QString::fromStdString(line);
        written << fields.section('\t', 2, 2) + " " + fields.section('\t', 4, 4);
    }
    QCOMPARE(written, record);
}

void TurnDispatcherTest::aTestMessageGoesToTheHostAlone() {
    Host host;
    host.Select({1, 2});
    host.settings.returnEmail = "host@example.org";

    host.dispatcher.SendTestMessage();

    const SeenMessage message = host.Sent().at(0);
    QCOMPARE(host.Sent().size(), std::size_t(1));
    QCOMPARE(Shown(message.subject), QString("alpha (test)"));
    QCOMPARE(Shown(message.recipients.at(0).name), QString("Resolved host@example.org"));
    QVERIFY(message.files.empty());
    QCOMPARE(Recorded(host), QStringList{"0 sent"});
    QCOMPARE(host.mapi.Timeline().filter("Message: "),
             QStringList{"Message: A test message went to host@example.org."});
}

QTEST_GUILESS_MAIN(TurnDispatcherTest)
#include "TurnDispatcherTest.moc"
