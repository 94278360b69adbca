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
    void aMissingMailLibraryIsReportedAndTheWindowStaysUsable();
    void mapi32IsFoundByNameAndGetsTextsInTheCodePage();

private:
    void Open(const std::string& library);
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
    MessageBoxes::SetAnswerer([this](const MessageBoxes::Request& request) {
        m_boxes << request;
        return QMessageBox::Ok;
    });
}

void SendFilesWindowTest::cleanup() {
    m_window.reset();
    MessageBoxes::SetAnswerer({});
}

void SendFilesWindowTest::Open(const std::string& library) {
    m_window = std::make_unique<CZorvelDlg>(m_store.Open(), m_sendServices.Services(), library);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void SendFilesWindowTest::sendsTheCheckedRowsAndDeselectsOnesWithoutAddress() {
    ScriptedMapi mapi(SCRIPTED_MAPI);
    Open(SCRIPTED_MAPI);
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

void SendFilesWindowTest::aMissingMailLibraryIsReportedAndTheWindowStaysUsable() {
    Open(m_folder.filePath("missing-library.so").toStdString());
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

void SendFilesWindowTest::mapi32IsFoundByNameAndGetsTextsInTheCodePage() {
#ifndef SCRIPTED_MAPI32
    QSKIP("MAPI32.DLL is the mail library on Windows only");
#else
    // The window's own choice of library: MAPI32.DLL by name, found beside the program.
    const ScriptedMapi mapi(SCRIPTED_MAPI32);
    Open(MapiLibraryLocation());
    const QString folder = QDir::toNativeSeparators(m_folder.filePath(QStringLiteral("Zürich")));
    m_window->Controls().gameSelector->setEditText(QStringLiteral("Café"));
    QVERIFY(WriteFile(m_folder.filePath(QStringLiteral("Zürich/Café.m1"))));
    Type(1002, folder);
    Type(1001, QStringLiteral("jérôme@example.org"));
    QTest::mouseClick(Box(1003), Qt::LeftButton);

    QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);

    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].text, QStringLiteral("1 Message sent successfully"));
    const SeenMessage message = *mapi.CallsTo("MAPISendMail").at(0).message;
    QCOMPARE(QByteArray::fromStdString(*message.subject), QByteArray("Caf\xE9"));
    QCOMPARE(QByteArray::fromStdString(*message.files.at(0).pathName),
             (folder + QStringLiteral("\\Café.m1")).toLatin1());
    QCOMPARE(QByteArray::fromStdString(*mapi.CallsTo("MAPIResolveName").at(0).name),
             QByteArray("j\xE9r\xF4me@example.org"));

    // A name the code page cannot hold stops the run before the logon.
    m_window->Controls().gameSelector->setEditText(QStringLiteral("日本"));
    QTest::mouseClick(m_window->Controls().sendFiles, Qt::LeftButton);
    QCOMPARE(m_boxes.size(), 2);
    QCOMPARE(
        m_boxes[1].text,
        QStringLiteral("The game name holds characters that the mail system cannot take: 日本"));
    QCOMPARE(mapi.CallsTo("MAPILogon").size(), std::size_t(1));
#endif
}

QTEST_MAIN(SendFilesWindowTest)
#include "SendFilesWindowTest.moc"
