#include "MapiLibrary.h"
#include "RecordingWindow.h"
#include "ScriptedMapi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

namespace {
using Codes = QList<MapiULong>;

// The binding under test, loaded with the scripted library.
struct Binding {
    ScriptedMapi mapi{SCRIPTED_MAPI};
    GameRecord game;
    RecordingWindow window{game, mapi};
    MapiLibrary library{window, SCRIPTED_MAPI};

    void Queue(const char* call, const Codes& codes) const {
        for (MapiULong code : codes) {
            mapi.Queue(call, {code});
        }
    }
    bool BindAndLogon() { return library.Bind("") && library.Logon(window.kOwner, "", ""); }
    MapiSession Session() const { return mapi.CallsTo("MAPILogon").back().session; }
    QStringList Messages() const { return mapi.Timeline().filter("Message: "); }
};

QString ProviderName() {
    return QString::fromUtf8(kProviderLibraryName.data(), qsizetype(kProviderLibraryName.size()));
}

QStringList Message(const QString& text) {
    return text.isEmpty() ? QStringList() : QStringList{"Message: " + text};
}
} // namespace

class MapiLibraryTest : public QObject {
    Q_OBJECT

private slots:
    void logonRetriesOnceAfterLoginFailure_data();
    void logonRetriesOnceAfterLoginFailure();
    void resolveNameReportsEachCode_data();
    void resolveNameReportsEachCode();
    void resolvedWithoutDescriptorIsAFailure();
    void sendMailReportsEachCode_data();
    void sendMailReportsEachCode();
    void logoffShowsNothing();
    void textsArePassedWhole_data();
    void textsArePassedWhole();
    void profilesNamingAnSmtpServer_data();
    void profilesNamingAnSmtpServer();
    void locationPrefersTheProgramsOwnFolders_data();
    void locationPrefersTheProgramsOwnFolders();
    void programFolderIsWhereTheProgramRuns();
    void loadsFromAFolderNamedOutsideAscii();
};

void MapiLibraryTest::logonRetriesOnceAfterLoginFailure_data() {
    QTest::addColumn<Codes>("answers");
    QTest::addColumn<Codes>("flags");
    QTest::addColumn<QString>("message");
    const MapiULong retry = MAPI_LOGON_UI | MAPI_NEW_SESSION;
    QTest::newRow("accepted") << Codes{0} << Codes{0} << "";
    QTest::newRow("3 then 0") << Codes{3, 0} << Codes{0, retry} << "";
    QTest::newRow("3 then 3") << Codes{3, 3} << Codes{0, retry} << "Login Failure - MAPI Logon";
    QTest::newRow("3 then 1") << Codes{3, 1} << Codes{0, retry} << "User Abort - MAPI Logon";
    QTest::newRow("1 final") << Codes{1} << Codes{0} << "User Abort - MAPI Logon";
    QTest::newRow("2 final") << Codes{2} << Codes{0} << "Unspecified error message - MAPI Logon";
    QTest::newRow("5 final") << Codes{5} << Codes{0} << "Insufficient Memory - MAPI Logon";
    QTest::newRow("8 final") << Codes{8} << Codes{0} << "Too many sessions - MAPI Logon";
}

void MapiLibraryTest::logonRetriesOnceAfterLoginFailure() {
    QFETCH(Codes, answers);
    QFETCH(Codes, flags);
    QFETCH(QString, message);
    Binding binding;
    binding.Queue("MAPILogon", answers);

    QVERIFY(binding.library.Bind(""));
    QCOMPARE(binding.library.Logon(RecordingWindow::kOwner, "Work", "s3cret"), message.isEmpty());

    const std::vector<SeenCall> logons = binding.mapi.CallsTo("MAPILogon");
    QCOMPARE(int(logons.size()), flags.size());
    for (int attempt = 0; attempt < flags.size(); ++attempt) {
        const SeenCall& logon = logons.at(static_cast<std::size_t>(attempt));
        QCOMPARE(logon.flags, flags.at(attempt));
        QCOMPARE(logon.uiParam, RecordingWindow::kOwner);
        QCOMPARE(Shown(logon.profile), "Work");
        QCOMPARE(Shown(logon.password), "s3cret");
        QCOMPARE(logon.reserved, 0u);
    }
    QCOMPARE(binding.Messages(), Message(message));
    QCOMPARE(binding.library.LastResult(), answers.last());
}

void MapiLibraryTest::resolveNameReportsEachCode_data() {
    QTest::addColumn<MapiULong>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("0") << 0u << "";
    QTest::newRow("1") << 1u << "User Abort - MAPI Resolve Name";
    QTest::newRow("2") << 2u << "Unspecified error message - MAPI Resolve Name";
    QTest::newRow("3") << 3u << "Login Failure - MAPI Resolve Name";
    QTest::newRow("5") << 5u << "Insufficient Memory - MAPI Resolve Name";
    QTest::newRow("14") << 14u << "Unknown Recipient - Ann %s <ann@example.org>";
    QTest::newRow("21") << 21u << "Ambiguous Recipient - Ann %s <ann@example.org>";
    QTest::newRow("26") << 26u << "MAPI Resolve Name Not Supported";
}

void MapiLibraryTest::resolveNameReportsEachCode() {
    QFETCH(MapiULong, code);
    QFETCH(QString, message);
    Binding binding;
    binding.Queue("MAPIResolveName", {code});
    QVERIFY(binding.BindAndLogon());

    const std::optional<MapiRecipDesc> resolved =
        binding.library.ResolveName(RecordingWindow::kOwner, "Ann %s <ann@example.org>");

    const SeenCall call = binding.mapi.CallsTo("MAPIResolveName").at(0);
    QCOMPARE(Shown(call.name), "Ann %s <ann@example.org>");
    QCOMPARE(call.session, binding.Session());
    QCOMPARE(call.uiParam, RecordingWindow::kOwner);
    QCOMPARE(call.flags, 0u);
    QCOMPARE(binding.Messages(), Message(message));
    QCOMPARE(binding.library.LastResult(), code);
    QCOMPARE(resolved.has_value(), code == 0);
    if (resolved) {
        QCOMPARE(static_cast<const void*>(resolved->lpszName),
                 static_cast<const MapiRecipDesc*>(call.buffer)->lpszName);
    }
}

void MapiLibraryTest::resolvedWithoutDescriptorIsAFailure() {
    Binding binding;
    binding.Queue("MAPIResolveName withholds the descriptor", {1});
    QVERIFY(binding.BindAndLogon());

    QVERIFY(!binding.library.ResolveName(RecordingWindow::kOwner, "ann@example.org"));

    QCOMPARE(binding.library.LastResult(), MAPI_E_FAILURE);
    QCOMPARE(binding.Messages(), Message("Unspecified error message - MAPI Resolve Name"));
}

void MapiLibraryTest::sendMailReportsEachCode_data() {
    QTest::addColumn<MapiULong>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("0") << 0u << "";
    QTest::newRow("1") << 1u << "User Abort - MAPI Send Mail";
    QTest::newRow("3") << 3u << "Login Failure - MAPI Send Mail";
    QTest::newRow("5") << 5u << "Insufficient Memory - MAPI Send Mail";
    QTest::newRow("9") << 9u << "Too Many Files - MAPI Send Mail";
    QTest::newRow("10") << 10u << "Too Many Recipients - MAPI Send Mail";
    QTest::newRow("11") << 11u << "Attachment Not Found - MAPI Send Mail";
    QTest::newRow("12") << 12u << "Attachment Open Failure - MAPI Send Mail";
    QTest::newRow("13") << 13u << "Unspecified error message - MAPI Send Mail";
    QTest::newRow("14") << 14u << "Unknown Recipient - MAPI Send Mail";
    QTest::newRow("15") << 15u << "Bad Recip Type - MAPI Send Mail";
    QTest::newRow("18") << 18u << "Text Too Large - MAPI Send Mail";
    QTest::newRow("21") << 21u << "Ambiguous Recipient - MAPI Send Mail";
    QTest::newRow("25") << 25u << "Invalid Recipient - MAPI Send Mail";
}

void MapiLibraryTest::sendMailReportsEachCode() {
    QFETCH(MapiULong, code);
    QFETCH(QString, message);
    Binding binding;
    binding.Queue("MAPISendMail", {code});
    QVERIFY(binding.BindAndLogon());
    std::string subject = "duel";
    MapiMessage mail{};
    mail.lpszSubject = subject.data();

    QCOMPARE(binding.library.SendMail(RecordingWindow::kOwner, mail), code == 0);

    const SeenCall call = binding.mapi.CallsTo("MAPISendMail").at(0);
    QCOMPARE(Shown(call.message->subject), "duel");
    QCOMPARE(call.session, binding.Session());
    QCOMPARE(call.uiParam, RecordingWindow::kOwner);
    QCOMPARE(call.flags, 0u);
    QCOMPARE(binding.Messages(), Message(message));
    QCOMPARE(binding.library.LastResult(), code);
}

void MapiLibraryTest::logoffShowsNothing() {
    Binding binding;
    binding.Queue("MAPILogoff", {2});
    QVERIFY(binding.BindAndLogon());
    const MapiSession session = binding.Session();

    QCOMPARE(binding.library.Logoff(RecordingWindow::kOwner), 2u);

    const SeenCall call = binding.mapi.CallsTo("MAPILogoff").at(0);
    QCOMPARE(call.session, session);
    QCOMPARE(call.uiParam, RecordingWindow::kOwner);
    QCOMPARE(call.flags, 0u);
    QCOMPARE(binding.library.LastResult(), 2u);
    QCOMPARE(binding.Messages(), QStringList());
}

void MapiLibraryTest::textsArePassedWhole_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("260 characters") << QString(260, 'p');
    QTest::newRow("100000 characters") << QString(100000, 'q');
}

void MapiLibraryTest::textsArePassedWhole() {
    QFETCH(QString, text);
    const std::string whole = text.toStdString();
    Binding binding;
    binding.Queue("MAPIResolveName", {0, 14});
    QVERIFY(binding.library.Bind(""));

    QVERIFY(binding.library.Logon(RecordingWindow::kOwner, whole, whole));
    QVERIFY(binding.library.ResolveName(RecordingWindow::kOwner, whole));
    QVERIFY(!binding.library.ResolveName(RecordingWindow::kOwner, whole));

    const SeenCall logon = binding.mapi.CallsTo("MAPILogon").at(0);
    QCOMPARE(Shown(logon.profile), text);
    QCOMPARE(Shown(logon.password), text);
    QCOMPARE(Shown(binding.mapi.CallsTo("MAPIResolveName").at(0).name), text);
    QCOMPARE(binding.Messages(), Message("Unknown Recipient - " + text));
}

void MapiLibraryTest::profilesNamingAnSmtpServer_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("namesServer");
    QTest::newRow("smtp://") << "smtp://games@mail.example.org:587" << true;
    QTest::newRow("scheme in capitals") << "SMTPS://MAIL.EXAMPLE.ORG" << true;
    QTest::newRow("scheme in mixed case") << "SmTp://mail.example.org" << true;
    QTest::newRow("blanks before") << " \tsmtps://mail.example.org" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("a mail client's profile") << "Outlook" << false;
    QTest::newRow("a sendmail program") << "/usr/bin/msmtp -a smtp://x" << false;
    QTest::newRow("another scheme") << "smtpx://mail.example.org" << false;
    QTest::newRow("one slash short") << "smtp:/mail.example.org" << false;
    QTest::newRow("shorter than a scheme") << "SMTP" << false;
}

void MapiLibraryTest::profilesNamingAnSmtpServer() {
    QFETCH(QString, profile);
    QFETCH(bool, namesServer);
    QCOMPARE(NamesSmtpServer(profile.toStdString()), namesServer);
}

void MapiLibraryTest::locationPrefersTheProgramsOwnFolders_data() {
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("expected");
    const QString name = ProviderName();
    QTest::newRow("beside the program") << QStringList{"bin", "lib/zorvel"} << "bin/" + name;
    // A library in the shared ../lib is someone else's; the load then fails.
    QTest::newRow("only in ../lib") << QStringList{"lib"} << "bin/" + name;
    QTest::newRow("nowhere, never the system's search") << QStringList{} << "bin/" + name;
#ifdef _WIN32
    // Installed, the provider sits beside the program.
    QTest::newRow("never ../lib/zorvel") << QStringList{"lib/zorvel"} << "bin/" + name;
#else
    QTest::newRow("installed") << QStringList{"lib/zorvel"} << "lib/zorvel/" + name;
#endif
}

void MapiLibraryTest::locationPrefersTheProgramsOwnFolders() {
    QFETCH(QStringList, present);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("bin"));
    for (const QString& folder : present) {
        QVERIFY(QDir(root.path()).mkpath(folder));
        QFile library(root.filePath(folder + "/" + ProviderName()));
        QVERIFY(library.open(QIODevice::WriteOnly));
    }

    const std::string location =
        ProviderLocation(QDir::toNativeSeparators(root.filePath("bin")).toStdString());

    QCOMPARE(QDir::fromNativeSeparators(QString::fromStdString(location)), root.filePath(expected));
}

void MapiLibraryTest::programFolderIsWhereTheProgramRuns() {
    QCOMPARE(QString::fromStdString(SharedModule::ProgramFolder()),
             QString::fromStdString(std::filesystem::canonical(ZORVEL_TEST_BINARY_DIR).string()));
}

void MapiLibraryTest::loadsFromAFolderNamedOutsideAscii() {
    QTemporaryDir root;
    const QString folder = root.filePath("Spiele é");
    QVERIFY(QDir().mkpath(folder));
    const QString copy = folder + "/" + QFileInfo(SCRIPTED_MAPI).fileName();
    QVERIFY(QFile::copy(SCRIPTED_MAPI, copy));
    Binding binding;
    MapiLibrary library(binding.window, QDir::toNativeSeparators(copy).toStdString());

    QVERIFY(library.Bind(""));
    QCOMPARE(binding.Messages(), QStringList());
}

QTEST_GUILESS_MAIN(MapiLibraryTest)
#include "MapiLibraryTest.moc"
