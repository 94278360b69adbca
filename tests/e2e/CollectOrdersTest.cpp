// A collection of orders end to end: the real program's "collect", "orders"
// and "remind" commands and its window, the real provider, and a real Dovecot
// on 127.0.0.1 whose Maildir the test fills and the Maildir source reads
// directly. On Windows: zorvel-cli.exe, zorvel-mail.dll and the registry.

#include "CZorvelDlg.h"
#include "ImapTestServer.h"
#include "OpenProfileStore.h"
#include "ProgramPlatform.h"
#include "SendRecord.h"
#include "SendServiceParts.h"
#include "SmtpTestServer.h"
#include "StoredGames.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSysInfo>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString kUser = QStringLiteral("host");
const QString kPassword = QStringLiteral("orders-Pw-1");
const qint64 kNow = QDateTime::currentSecsSinceEpoch();

QString Address(int player) {
    return QStringLiteral("p%1@example.org").arg(player);
}

QByteArray Sha256(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Every file with its size, time and digest: any change to the folder shows.
QStringList Snapshot(const QString& folder) {
    QStringList files;
    const QDir directory(folder);
    for (const QFileInfo& info : directory.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile file(info.filePath());
        const QByteArray digest = file.open(QIODevice::ReadOnly) ? Sha256(file.readAll()) : "";
        files << info.fileName() + " " + QString::number(info.lastModified().toMSecsSinceEpoch()) +
                     " " + digest;
    }
    return files;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An entry of the menu a right-click on `widget` opens.
QAction* MenuEntry(QWidget* widget, const QString& entry) {
    const QPoint at(5, 5);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &request);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
        if (action->text() == entry) {
            return action;
        }
    }
    qFatal("no menu entry %s", qPrintable(entry));
}

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

} // namespace

class CollectOrdersTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void collectsEachPlayersNewestOrdersOnce_data();
    void collectsEachPlayersNewestOrdersOnce();
    void theBoardCollectsThroughTheWindow();
    void hostileMailIsSavedSafelyOrNamedAsRefused();

private:
    void PrepareRow(const QString& row, const QString& mailbox);
    void VerifyFolder(const QString& games);
    QStringList MailboxFiles() const {
        return Snapshot(m_server->Maildir() + "/cur") + Snapshot(m_server->Maildir() + "/new");
    }
    void VerifyReceipts(const QStringList& messages, bool confirming);
    void PutMessage(int order, const QString& from, const QString& subject,
                    const QList<QPair<QByteArray, QString>>& files, const QStringList& damage = {});
    void StoreTheGame(const QString& config, const QString& games, const QString& mailbox,
                      const QString& ordersName = QStringLiteral("{game}.r{n}"));
    Outcome Run(const QString& row, const QStringList& arguments) const;

    QTemporaryDir m_work;
    QTemporaryDir m_serverFolder{ServerFolderTemplate()};
    std::unique_ptr<ImapTestServer> m_server;
    std::unique_ptr<SmtpTestServer> m_smtp; // where reminders go
    QMap<QString, QByteArray> m_sent;       // what each saved file must hold, by name
};

void CollectOrdersTest::initTestCase() {
    QCoreApplication::setApplicationName("zorvel"); // the program's own store
    QCoreApplication::setOrganizationName("Halvane");
    QVERIFY(m_serverFolder.isValid());
    m_server = std::make_unique<ImapTestServer>(m_serverFolder.path());
    QString error;
    QVERIFY2(m_server->Start(kUser, kPassword, true, &error), qPrintable(error));
    m_smtp = std::make_unique<SmtpTestServer>(m_work.filePath("smtp"));
    QVERIFY2(m_smtp->Start({}, &error), qPrintable(error));
    int order = 0;
    const auto orders = [](int player, const char* tag) {
        return QByteArray("orders of player ") + QByteArray::number(player) + " " + tag;
    };
    for (int player = 1; player <= 12; ++player) {
        PutMessage(++order, Address(player), "Re: ALPHA turn 7",
                   {{orders(player, "first"), "alpha.txt"}});
    }
    PutMessage(++order, Address(2), "alpha, corrected", {{orders(2, "second"), "alpha.txt"}});
    PutMessage(++order, Address(13), "Re: Alpha", {});
    PutMessage(++order, "P14@Example.org", "Alpha orders",
               {{orders(14, "a"), "../../escape.txt"}, {orders(14, "b"), "tab\there.txt"}});
    PutMessage(++order, "stranger@example.org", "Alpha", {{"not orders", "alpha.txt"}});
    PutMessage(++order, Address(15), "Beta", {{orders(15, "beta"), "beta.txt"}});
    PutMessage(++order, Address(16), "Alpha", {{orders(16, "broken"), "alpha.txt"}},
               {"--damage", "broken64"});
    m_sent = {{"Alpha.r1", orders(1, "first")},
              {"Alpha.r2", orders(2, "second")},
              {"escape.txt", orders(14, "a")},
              {"tabhere.txt", orders(14, "b")}};
    for (int player = 3; player <= 11; ++player) {
        m_sent.insert(QStringLiteral("Alpha.r%1").arg(player), orders(player, "first"));
    }
}

// Arrivals a minute apart, two hours ago and on.
void CollectOrdersTest::PutMessage(int order, const QString& from, const QString& subject,
                                   const QList<QPair<QByteArray, QString>>& files,
                                   const QStringList& damage) {
    QStringList options{
        "--unique",     QStringLiteral("1700000%1.M1P1.orders").arg(order, 3, 10, QChar('0')),
        "--mtime",      QString::number(kNow - 7200 + order * 60),
        "--from",       from,
        "--subject",    subject,
        "--message-id", QStringLiteral("<o%1@example.org>").arg(order)};
    for (qsizetype at = 0; at < files.size(); ++at) {
        const QString path = m_work.filePath(QStringLiteral("attachment-%1-%2").arg(order).arg(at));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(files[at].first) > 0);
        options << "--attach" << path + ":" + files[at].second;
    }
    options << damage;
    QString error;
    QVERIFY2(PutMail(m_server->Maildir(), options, &error), qPrintable(error));
}

// Through the store's own code, as the window leaves it.
void CollectOrdersTest::StoreTheGame(const QString& config, const QString& games,
                                     const QString& mailbox, const QString& ordersName) {
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    const std::unique_ptr<ProfileStore> store = OpenProfileStore("Halvane", "zorvel");
    QVERIFY(store);
    store->WriteStoreInt(StoreNames::kSettings, StoreNames::kGameCount, 1);
    store->WriteStoreText(StoreNames::kSettings, StoreNames::GameValue(1), "Alpha");
    store->WriteStoreText(StoreNames::kSettings, "LastGame", "Alpha");
    store->WriteStoreText(StoreNames::kSettings, "Orders Mailbox", mailbox.toStdString());
    store->WriteStoreText(StoreNames::kSettings, "Orders Password", kPassword.toStdString());
    // The loopback SMTP server takes no logon. On Windows the store is the
    // registry, which other tests of the session have written too.
    store->WriteStoreText(StoreNames::kSettings, "Password", "");
    store->WriteStoreText(StoreNames::kSettings, "Mail Profile",
                          QStringLiteral("smtp://127.0.0.1:%1").arg(m_smtp->Port()).toStdString());
    store->WriteStoreText("Alpha", "Dir", games.toStdString());
    store->WriteStoreText("Alpha", "Orders Name", ordersName.toStdString());
    // One source confirms each receipt, the other does not.
    store->WriteStoreInt("Alpha", "Confirm Receipts", mailbox.startsWith("maildir:") ? 1 : 0);
    for (int player = 1; player <= 16; ++player) {
        store->WriteStoreText("Alpha", StoreNames::EmailValue(player),
                              Address(player).toStdString());
    }
}

Outcome CollectOrdersTest::Run(const QString& row, const QStringList& arguments) const {
    QProcessEnvironment environment = JobEnvironment();
    environment.insert("HOME", m_work.path());
    environment.insert("LOCALAPPDATA", m_work.filePath(row + "/state"));
    environment.insert("XDG_CONFIG_HOME", m_work.filePath(row + "/config"));
    environment.insert("XDG_STATE_HOME", m_work.filePath(row + "/state"));
    environment.insert("SSL_CERT_FILE", m_server->CaFile());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationDirPath() + "/" ZORVEL_COMMAND_PROGRAM, arguments);
    Outcome outcome;
    // A Windows console ends its lines in CR LF.
    if (program.waitForFinished(120000) && program.exitStatus() == QProcess::NormalExit) {
        outcome = {program.exitCode(),
                   QString::fromUtf8(program.readAllStandardOutput()).replace("\r\n", "\n"),
                   QString::fromUtf8(program.readAllStandardError()).replace("\r\n", "\n")};
    }
    return outcome;
}

void CollectOrdersTest::collectsEachPlayersNewestOrdersOnce_data() {
    QTest::addColumn<QString>("mailbox");
    QTest::newRow("imap")
        << QStringLiteral("imap://%1@127.0.0.1:%2").arg(kUser).arg(m_server->ImapPort());
    QTest::newRow("maildir") << "maildir:" + m_server->Maildir();
}

// A row's own store, games folder and send record, as the host has them
// before collecting: his own copy of one file edited since, another the
// same; player 12's turn went out after his message, player 1's before his.
void CollectOrdersTest::PrepareRow(const QString& row, const QString& mailbox) {
    const QString games = m_work.filePath(row + "/games");
    QVERIFY(QDir().mkpath(games));
    StoreTheGame(m_work.filePath(row + "/config"), games, mailbox);
    QFile edited(games + "/Alpha.r5");
    QVERIFY(edited.open(QIODevice::WriteOnly) && edited.write("the host's own") > 0);
    edited.close();
    QFile same(games + "/Alpha.r6");
    QVERIFY(same.open(QIODevice::WriteOnly) && same.write(m_sent.value("Alpha.r6")) > 0);
    same.close();
    const QString state = m_work.filePath(row + "/state/Halvane/zorvel");
    QVERIFY(QDir().mkpath(state));
    QFile record(state + "/sent.log");
    QVERIFY(record.open(QIODevice::WriteOnly));
    for (const auto& [player, time] : {std::pair{12, kNow - 60}, std::pair{1, kNow - 9000}}) {
        RecordLine line;
        line.time = time;
        line.run = 1;
        line.event = RecordLine::Event::Sent;
        line.game = "alpha";
        line.player = player;
        line.address = Address(player).toStdString();
        record.write(QByteArray::fromStdString(FormatRecordLine(line)) + "\n");
    }
}

// The newest orders of each player who sent a file, under the pattern's
// names or, for two files, their own names made safe; nothing else.
void CollectOrdersTest::VerifyFolder(const QString& games) {
    QMap<QString, QByteArray> expected = m_sent;
    expected.insert("Alpha.r5.~1~", "the host's own");
    QCOMPARE(QDir(games).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected.keys());
    for (auto file = expected.cbegin(); file != expected.cend(); ++file) {
        QCOMPARE(ReadAll(games + "/" + file.key()), file.value());
    }
}

// A receipt to each player whose orders were saved, naming each file with
// its SHA-256; none where receipts are off.
void CollectOrdersTest::VerifyReceipts(const QStringList& messages, bool confirming) {
    QStringList recipients;
    for (const QString& message : messages) {
        QString error;
        const QJsonObject mail = ReadMail(message, &error);
        QCOMPARE(mail["subject"].toString(), QStringLiteral("Alpha: orders received"));
        recipients << mail["to"].toString();
        if (mail["to"].toString() == Address(2)) {
            QVERIFY2(mail["body"].toString().contains("Alpha.r2 (") &&
                         mail["body"].toString().contains(Sha256(m_sent.value("Alpha.r2"))),
                     qPrintable(mail["body"].toString()));
        }
    }
    QStringList expected;
    for (const int player : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14}) {
        expected << Address(player);
    }
    QCOMPARE(recipients, confirming ? expected : QStringList());
}

void CollectOrdersTest::collectsEachPlayersNewestOrdersOnce() {
    QFETCH(QString, mailbox);
    const QString row = QTest::currentDataTag();
    PrepareRow(row, mailbox);
    const QString games = m_work.filePath(row + "/games");
    const QString state = m_work.filePath(row + "/state/Halvane/zorvel");
    // Dovecot keeps a Maildir message's flags in its file's name.
    const QStringList messages = MailboxFiles();
    QCOMPARE(messages.size(), 18);

    const qsizetype mailed = m_smtp->MessageFiles().size();
    const Outcome collected = Run(row, {"collect", "alpha"});

    QVERIFY2(collected.status == 0, qPrintable(collected.out + collected.err));
    QVERIFY2(collected.out.contains("Player 13, p13@example.org: message without a file\n"),
             qPrintable(collected.out));
    QVERIFY2(collected.out.contains("Player 16, p16@example.org: file refused: the message cannot "
                                    "be read (17)\n"),
             qPrintable(collected.out));
    VerifyFolder(games);

    const Outcome board = Run(row, {"orders", "alpha"});
    QCOMPARE(board.status, 0);
    const QStringList lines = board.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 16);
    QStringList waiting;
    for (const QString& line : lines) {
        if (line.section('\t', 3) == "waiting") {
            waiting << line.section('\t', 0, 0);
        }
    }
    QCOMPARE(waiting, QStringList({"12", "15"}));
    QVERIFY2(lines[1].endsWith("; 1 earlier: replaced by a later message"), qPrintable(lines[1]));
    QVERIFY2(lines[13].contains("escape.txt") &&
                 lines[13].endsWith("several files, kept under their own names"),
             qPrintable(lines[13]));

    // Nothing in the mailbox changed, and a second collection changes nothing.
    QCOMPARE(MailboxFiles(), messages);
    const QStringList folder = Snapshot(games);
    const QByteArray recorded = ReadAll(state + "/sent.log");
    VerifyReceipts(m_smtp->MessageFiles().mid(mailed), row == "maildir");
    const Outcome again = Run(row, {"collect", "alpha"});
    QCOMPARE(again.status, 0);
    QCOMPARE(again.out, collected.out);
    QCOMPARE(Snapshot(games), folder);
    QCOMPARE(ReadAll(state + "/sent.log"), recorded);
    QCOMPARE(m_smtp->MessageFiles().size(), mailed + (row == "maildir" ? 12 : 0));

    // Those still waiting are named first, then reminded; a reminder is no turn.
    const Outcome asked = Run(row, {"remind", "alpha"});
    QCOMPARE(asked.status, 2);
    QVERIFY2(asked.err.endsWith("Player 12, p12@example.org\nPlayer 15, p15@example.org\n"),
             qPrintable(asked.err));
    const qsizetype before = m_smtp->MessageFiles().size();
    const Outcome reminded = Run(row, {"remind", "alpha", "--yes"});
    QVERIFY2(reminded.status == 0, qPrintable(reminded.out + reminded.err));
    QStringList recipients;
    for (const QString& message : m_smtp->MessageFiles().mid(before)) {
        QString error;
        const QJsonObject mail = ReadMail(message, &error);
        QCOMPARE(mail["subject"].toString(), QStringLiteral("Alpha: orders due"));
        recipients << mail["to"].toString();
    }
    QCOMPARE(recipients, QStringList({Address(12), Address(15)}));
    QCOMPARE(Run(row, {"orders", "alpha"}).out, board.out);
}

// The host's way: "Collect orders..." from the Send Files menu, the mailbox
// set through "Mailbox...", then "Collect now" on the board.
void CollectOrdersTest::theBoardCollectsThroughTheWindow() {
    PrepareRow("window", {});
    SendServiceParts parts(m_work.filePath("window/state/Halvane/zorvel/sent.log"));
    CZorvelDlg window(OpenProfileStore("Halvane", "zorvel"), parts.Services());
    window.SetOrdersFolder(parts.ordersFolder);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.Game().name, std::string("Alpha"));
    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* board = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(board);
        QCOMPARE(board->windowTitle(), QStringLiteral("Orders for Alpha"));
        QTimer::singleShot(0, [this] {
            QWidget* mailbox = QApplication::activeModalWidget();
            QVERIFY(mailbox);
            QTest::keyClicks(mailbox->findChild<QLineEdit*>("ordersMailbox"),
                             "maildir:" + m_server->Maildir());
            qobject_cast<QDialog*>(mailbox)->accept();
        });
        QTest::mouseClick(board->findChild<QPushButton*>("Mailbox..."), Qt::LeftButton);
        QTest::mouseClick(board->findChild<QPushButton*>("Collect now"), Qt::LeftButton);
        const auto* table = board->findChild<QTableWidget*>("board");
        // Left for a person to look at (the README's picture comes from here).
        const QString folder = QStringLiteral(ZORVEL_TEST_BINARY_DIR "/../screenshots");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(board->grab().save(folder + QStringLiteral("/orders-board.png")));
        for (int row = 0; row < table->rowCount(); ++row) {
            shown << table->item(row, 0)->text() + " " + table->item(row, 3)->text();
        }
        board->accept();
    });
    MenuEntry(window.Controls().sendFiles, "Collect orders...")->trigger();

    QCOMPARE(shown.size(), 16);
    QCOMPARE(shown.filter(" waiting"), QStringList({"12 waiting", "15 waiting"}));
    QCOMPARE(shown[12], QStringLiteral("13 message without a file"));
    VerifyFolder(m_work.filePath("window/games"));
}

// Each player mails one kind of hostile or unusual message; each must end
// as a safe file in the game's folder or as a refusal on the board.
void CollectOrdersTest::hostileMailIsSavedSafelyOrNamedAsRefused() {
    const bool windows = QSysInfo::productType() == QLatin1String("windows");
    const QString refused = QStringLiteral("file refused: the message cannot be read (17)");
    struct Row {
        QString name;        // of the attachment, with put_mail.py's style
        QStringList options; // more of put_mail.py's options
        QString shown;       // the saved name, or the board's text
    };
    const QList<Row> rows{
        {"../../escape.txt", {}, "escape.txt"},
        {"/etc/passwd-copy", {}, "passwd-copy"},
        {"\\\\server\\share\\win.txt", {}, "win.txt"}, // no colon: put_mail.py splits there
        {"CON.txt", {}, windows ? "_CON.txt" : "CON.txt"},
        {QStringLiteral("a\u0007b\u001f.txt"), {}, "ab.txt"},
        {QStringLiteral("Zürich ü.txt:rfc2231"), {}, QStringLiteral("Zürich ü.txt")},
        {QStringLiteral("Ça va.txt:rfc2047"), {}, QStringLiteral("Ça va.txt")},
        {"deep.txt", {"--nested"}, "deep.txt"},
        {"inner.txt", {"--attached-message"}, "inner.txt"},
        {"cut.txt", {"--damage", "truncated"}, refused},
        {"broken.txt", {"--damage", "broken64"}, refused},
        {"..", {}, "Alpha.orders12-1"},
        {"big.bin", {}, "file refused: big.bin: larger than 64 MB"}, // 100 MB
        {"dup.txt", {"--message-id", "<same@example.org>"}, "dup.txt"},
    };
    const QString root = m_work.filePath("hostile");
    const QString maildir = root + "/Maildir";
    for (const char* sub : {"cur", "new", "tmp"}) {
        QVERIFY(QDir().mkpath(maildir + "/" + sub));
    }
    const QString games = root + "/deep/games";
    QVERIFY(QDir().mkpath(games));
    StoreTheGame(m_work.filePath("hostile/config"), games, "maildir:" + maildir, {});
    QByteArray lastDuplicate;
    for (qsizetype at = 0; at <= rows.size(); ++at) {
        // The last player sends twice with one Message-ID: the newest counts.
        const Row& row = rows[std::min(at, rows.size() - 1)];
        const int player = static_cast<int>(std::min(at, rows.size() - 1)) + 1;
        lastDuplicate = "orders " + QByteArray::number(at);
        const QString path = m_work.filePath(QStringLiteral("hostile-%1").arg(at));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lastDuplicate) > 0);
        if (row.name == "big.bin") {
            QVERIFY(file.resize(100 << 20));
        }
        file.close();
        QStringList options{
            "--unique",  QStringLiteral("1700001%1.M1P1.hostile").arg(at, 3, 10, QChar('0')),
            "--mtime",   QString::number(kNow - 3600 + at * 60),
            "--from",    Address(player),
            "--subject", "alpha",
            "--attach",  path + ":" + row.name};
        QString error;
        QVERIFY2(PutMail(maildir, options + row.options, &error), qPrintable(error));
    }

    const Outcome collected = Run("hostile", {"collect", "alpha"});

    QVERIFY2(collected.status == 0, qPrintable(collected.out + collected.err));
    QStringList saved;
    for (qsizetype at = 0; at < rows.size(); ++at) {
        const QString line = QStringLiteral("Player %1, %2: ").arg(at + 1).arg(Address(at + 1));
        const bool refusal = rows[at].shown.startsWith("file refused");
        QVERIFY2(collected.out.contains(line + (refusal ? rows[at].shown : QString())),
                 qPrintable(collected.out));
        if (!refusal) {
            saved << rows[at].shown;
        }
    }
    saved.sort();
    QCOMPARE(QDir(games).entryList(QDir::Files | QDir::Hidden, QDir::Name), saved);
    QCOMPARE(ReadAll(games + "/dup.txt"), lastDuplicate);
    // Nothing beside or above the game's folder.
    QCOMPARE(QDir(root + "/deep").entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(root).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(CollectOrdersTest)
#include "CollectOrdersTest.moc"
