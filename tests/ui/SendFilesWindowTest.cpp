#include "CZorvelDlg.h"
#include "ControlById.h"
#include "MessageBoxes.h"
#include "ScriptedMapi.h"
#include "TestSendServices.h"
#include "TestStore.h"
#include "TurnFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// "Send Files" pressed in the real window, with a scripted mail library
// loaded by path.
class SendFilesWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void sendsTheCheckedRowsAndDeselectsOnesWithoutAddress();
    void aMissingMailLibraryIsReportedAndTheWindowStaysUsable_data();
    void aMissingMailLibraryIsReportedAndTheWindowStaysUsable();
    void eachSendLoadsTheLibraryTheProfilePicks();

private:
    void Open(MailLibraryChoice libraries);
    // The boxes that asked nothing: reports and refusals.
    QStringList Told() const;
    QLineEdit* Edit(int id) const { return EditById(*m_window, id); }
    QCheckBox* Box(int id) const { return BoxById(*m_window, id); }
    // As typed: keyboard simulation takes ASCII only on some platforms.
    void Type(int id, const QString& text) const;

    QTemporaryDir m_folder;
    TestStore m_store;
    TestSendServices m_sendServices;
    std::unique_ptr<CZorvelDlg> m_window;
    QList<MessageBoxes::Request> m_boxes;
};

namespace {
// A turn file with something in it, and its folder.
bool WriteFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("turn") == 4;
}
} // namespace

void SendFilesWindowTest::init() {
    m_store.Clear();
    m_boxes.clear();
    // A turn file sent before is sent again: the host says "Send anyway".
    MessageBoxes::SetAnswerer([this](const MessageBoxes::Request& request) {
        m_boxes << request;
        return request.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
}

void SendFilesWindowTest::cleanup() {
    m_window.reset();
    MessageBoxes::SetAnswerer({});
}

void SendFilesWindowTest::Open(MailLibraryChoice libraries) {
    m_window = std::make_unique<CZorvelDlg>(m_store.Open(), m_sendServices.Services(),
                                            std::move(libraries));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void SendFilesWindowTest::sendsTheCheckedRowsAndDeselectsOnesWithoutAddress() {
    ScriptedMapi mapi(SCRIPTED_MAPI);
    Open(MailLibraryChoice::Fixed(SCRIPTED_MAPI));
    const QString games = QDir::toNativeSeparators(m_folder.filePath(QStringLiteral("games")));
    for (const char* turn : {"duel.m1", "duel.m4"}) {
        QVERIFY(WriteFile(m_folder.filePath(QStringLiteral("games/") + turn)));
    }
    m_window->Controls().gameSelector->setEditText(QStringLiteral("duel"));
    Type(1002, games);
    QTest::keyClicks(Edit(1001), QStringLiteral("ann@example.org"));
    QTest::mouseClick(Box(1003), Qt::LeftButton);
    QTest::mouseClick(Box(1005), Qt::LeftButton); // row 2: checked, but no address
    QTest::keyClicks(Edit(1011), QStringLiteral("dee@example.org"));
    QTest::mouseClick(Box(1012), Qt::LeftButton);
    QTest::keyClicks(Edit(1014), QStringLiteral("eve@example.org")); // row 5: not checked

    QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);

    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].text, QStringLiteral("2 Messages sent successfully"));
    QCOMPARE(m_boxes[0].owner, m_window.get());
    QCOMPARE(m_window->SentCount(), 2);
    QVERIFY(!Box(1005)->isChecked());
    QVERIFY(!Box(1005)->isEnabled());

    const std::vector<SeenCall> sent = mapi.CallsTo("MAPISendMail");
    QCOMPARE(sent.size(), std::size_t(2));
    const QString sep(QChar::fromLatin1(kPathSeparator));
    const QStringList expectedFiles{games + sep + "duel.m1", games + sep + "duel.m4"};
    for (std::size_t index = 0; index < sent.size(); ++index) {
        QCOMPARE(sent[index].uiParam, m_window->OwnerHandle());
        const SeenMessage& message = *sent[index].message;
        QCOMPARE(Shown(message.subject), QStringLiteral("duel"));
        QCOMPARE(message.files.size(), std::size_t(1));
        QCOMPARE(Shown(message.files[0].pathName), expectedFiles[static_cast<int>(index)]);
    }

    // The window is given back: it takes input again.
    QTest::keyClicks(Edit(1017), QStringLiteral("f"));
    QCOMPARE(Edit(1017)->text(), QStringLiteral("f"));
}

QStringList SendFilesWindowTest::Told() const {
    QStringList told;
    for (const MessageBoxes::Request& box : m_boxes) {
        if (!box.buttons.testFlag(QMessageBox::Yes)) {
            told << box.text;
        }
    }
    return told;
}

void SendFilesWindowTest::aMissingMailLibraryIsReportedAndTheWindowStaysUsable_data() {
    QTest::addColumn<QString>("profile"); // empty: the library is named outright
    QTest::newRow("named library") << QString();
    QTest::newRow("no provider in the program's folder") << "smtp://mail.example.org";
}

void SendFilesWindowTest::aMissingMailLibraryIsReportedAndTheWindowStaysUsable() {
    QFETCH(QString, profile);
    const QString program = QDir::toNativeSeparators(m_folder.filePath(QStringLiteral("bin")));
    Open(profile.isEmpty() ? MailLibraryChoice::Fixed(m_folder.filePath("missing.so").toStdString())
                           : MailLibraryChoice(program.toStdString()));
    m_window->Mail().mailProfile = profile.toStdString();
    QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].text, QStringLiteral("Unable to load mail system support."));
    QTest::keyClicks(Edit(1001), QStringLiteral("a"));
    QCOMPARE(Edit(1001)->text(), QStringLiteral("a"));
    QVERIFY(!QGuiApplication::overrideCursor());
}

void SendFilesWindowTest::Type(int id, const QString& text) const {
    QLineEdit* edit = Edit(id);
    edit->setText(text);
    emit edit->textEdited(text);
}

void SendFilesWindowTest::eachSendLoadsTheLibraryTheProfilePicks() {
#ifndef SCRIPTED_MAPI32
    QSKIP("Only Windows has a mail client's library to pick instead of the provider");
#else
    // Our provider in the program's folder, the mail client's MAPI32.DLL beside the test.
    const QString program = m_folder.filePath(QStringLiteral("program"));
    const QString provider = program + "/" + QString::fromUtf8(kProviderLibraryName.data());
    QVERIFY(QDir().mkpath(program));
    QVERIFY(QFile::copy(SCRIPTED_MAPI, provider));
    const ScriptedMapi ours(provider.toStdString());
    const ScriptedMapi mailClient(SCRIPTED_MAPI32);
    Open(MailLibraryChoice(QDir::toNativeSeparators(program).toStdString()));
    const QString folder = QDir::toNativeSeparators(m_folder.filePath(QStringLiteral("Zürich")));
    QVERIFY(WriteFile(m_folder.filePath(QStringLiteral("Zürich/Café.m1"))));
    QVERIFY(WriteFile(m_folder.filePath(QStringLiteral("Zürich/日本.m1"))));
    Type(1002, folder);
    Type(1001, QStringLiteral("jérôme@example.org"));
    QTest::mouseClick(Box(1003), Qt::LeftButton);
    const auto send = [this](const char* profile, const QString& game) {
        m_window->Mail().mailProfile = profile;
        m_window->Controls().gameSelector->setEditText(game);
        QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);
    };

    // Edited in Email Options between the runs of one window.
    send("smtp://mail.example.org", QStringLiteral("Café"));
    send("Outlook", QStringLiteral("Café"));
    send(" SMTPS://mail.example.org", QStringLiteral("日本"));
    send("Outlook", QStringLiteral("日本"));

    const QString sent = QStringLiteral("1 Message sent successfully");
    QCOMPARE(Told(), (QStringList{sent, sent, sent,
                                  QStringLiteral("The game name holds characters that the mail "
                                                 "system cannot take: 日本")}));
    // Each library kept its own record across the switches.
    QCOMPARE(ours.CallsTo("MAPILogon").size(), std::size_t(2));
    QCOMPARE(mailClient.CallsTo("MAPILogon").size(), std::size_t(1));
    const std::vector<SeenCall> utf8 = ours.CallsTo("MAPISendMail");
    const SeenMessage ansi = *mailClient.CallsTo("MAPISendMail").at(0).message;
    const QString turn = folder + QStringLiteral("\\Café.m1");
    QCOMPARE(QByteArray::fromStdString(*utf8.at(0).message->subject), QString("Café").toUtf8());
    QCOMPARE(QByteArray::fromStdString(*utf8.at(0).message->files.at(0).pathName), turn.toUtf8());
    QCOMPARE(QByteArray::fromStdString(*utf8.at(1).message->subject), QString("日本").toUtf8());
    QCOMPARE(QByteArray::fromStdString(*ours.CallsTo("MAPIResolveName").at(0).name),
             QString("jérôme@example.org").toUtf8());
    QCOMPARE(QByteArray::fromStdString(*ansi.subject), QByteArray("Caf\xE9"));
    QCOMPARE(QByteArray::fromStdString(*ansi.files.at(0).pathName), turn.toLatin1());
    QCOMPARE(QByteArray::fromStdString(*mailClient.CallsTo("MAPIResolveName").at(0).name),
             QByteArray("j\xE9r\xF4me@example.org"));
#endif
}

QTEST_MAIN(SendFilesWindowTest)
#include "SendFilesWindowTest.moc"
