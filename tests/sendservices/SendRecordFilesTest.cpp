#include "FileProbe.h"
#include "LockFileRunLocks.h"
#include "SendRecordLog.h"
#include "SendRecordPlace.h"
#include "SendServiceParts.h"
#include "SystemSendClock.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <filesystem>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <time.h>
#endif

using State = FileFacts::State;
using Lines = std::vector<std::string>;
Q_DECLARE_METATYPE(State)

namespace {

const QLatin1String kHoldLock("--hold-lock");
#ifdef Q_OS_WIN
const char* const kPlaceVariable = "LOCALAPPDATA";
#else
const char* const kPlaceVariable = "XDG_STATE_HOME";
#endif
// Set on every file the probe finds, to see the time come back unchanged.
const qint64 kModified = 1614834367; // 2021-03-04 05:06:07 UTC

// The other run: holds the lock until it is killed.
int HoldLock(const QString& folder, const QString& key) {
    LockFileRunLocks locks(folder);
    std::string problem;
    const auto lock = locks.Acquire(key.toStdString(), problem);
    std::printf("%s\n", lock ? "locked" : ("not locked: " + problem).c_str());
    std::fflush(stdout);
    QThread::sleep(lock ? 60 : 0);
    return lock ? 0 : 1;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    QCOMPARE(file.write(bytes), bytes.size());
}

#ifndef Q_OS_WIN
int Mode(const QString& path) {
    return static_cast<int>(
        std::filesystem::status(QFile::encodeName(path).toStdString()).permissions() &
        std::filesystem::perms::mask);
}
#endif

} // namespace

class SendRecordFilesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;

    QString At(const QString& name) const { return m_folder->filePath(name); }

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
    }

    void defaultPlace_data() {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("under");
        // Values are set under the test's folder, but "@x" as x itself.
#ifdef Q_OS_WIN
        QTest::newRow("local application data") << QByteArray("LOCALAPPDATA") << "local"
                                                << "local";
#else
        QTest::newRow("state home") << QByteArray("XDG_STATE_HOME") << "state/"
                                    << "state";
        QTest::newRow("empty state home") << QByteArray("XDG_STATE_HOME") << ""
                                          << "home/.local/state";
        QTest::newRow("relative state home") << QByteArray("XDG_STATE_HOME") << "@relative"
                                             << "home/.local/state";
#endif
    }

    void defaultPlace() {
        QFETCH(QByteArray, variable);
        QFETCH(QString, value);
        QFETCH(QString, under);
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldValue = qgetenv(variable.constData());
        qputenv("HOME", At("home").toLocal8Bit());
        const QString set = value.startsWith('@') ? value.mid(1) : value.isEmpty() ? "" : At(value);
        qputenv(variable.constData(), set.toLocal8Bit());
        const QString path = DefaultSendRecordPath();
        qputenv("HOME", oldHome);
        qputenv(variable.constData(), oldValue);
        QCOMPARE(path, QDir::toNativeSeparators(At(under) + "/Halvane/" +
                                                QCoreApplication::applicationName() + "/sent.log"));
    }

    void recordIsOwnerOnlyAndReadsBackExactly() {
#ifndef Q_OS_WIN
        const mode_t oldMask = umask(0);
#endif
        const QByteArray oldPlace = qgetenv(kPlaceVariable);
        qputenv(kPlaceVariable, At("state").toLocal8Bit());
        SendRecordLog log(DefaultSendRecordPath());
        qputenv(kPlaceVariable, oldPlace);
        std::string problem;
        QCOMPARE(log.ReadLines(problem), Lines{});
        QVERIFY(!QFile::exists(At("state")));

        const Lines written{"sent\tÄrger & Co\t2024-12-05", "", "π\t€\tend "};
        for (const std::string& line : written) {
            QVERIFY2(log.Append({line}, problem), problem.c_str());
        }
        const QString path = QString::fromStdString(log.Location());
        QCOMPARE(log.ReadLines(problem), written);
#ifndef Q_OS_WIN
        umask(oldMask);
        QCOMPARE(Mode(path), 0600);
        const QString app = "state/Halvane/" + QCoreApplication::applicationName();
        for (const QString& folder : {QString("state"), QString("state/Halvane"), app}) {
            QCOMPARE(Mode(At(folder)), 0700);
        }
#endif
        // A crash cut the last line short: it is still read, and stays apart.
        Write(path, "cut\tsho");
        QCOMPARE(log.ReadLines(problem), (Lines{written[0], written[1], written[2], "cut\tsho"}));
        QVERIFY2(log.Append({"next"}, problem), problem.c_str());
        QCOMPARE(log.ReadLines(problem)->back(), "next");
        QCOMPARE(log.ReadLines(problem)->size(), 5U);
    }

    void appendRefused_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("readable");
        QTest::newRow("record is a folder") << "." << QByteArray("entry") << false;
        QTest::newRow("file where a folder belongs")
            << "file/sent.log" << QByteArray("entry") << true;
        QTest::newRow("line feed in the entry") << "sent.log" << QByteArray("one\ntwo") << true;
    }

    void appendRefused() {
        QFETCH(QString, record);
        QFETCH(QByteArray, line);
        QFETCH(bool, readable);
        Write(At("file"), "kept");
        SendRecordLog log(At(record));
        std::string problem;
        QVERIFY(!log.Append({line.toStdString()}, problem));
        QVERIFY(!problem.empty());
        problem.clear();
        const auto lines = log.ReadLines(problem);
        QCOMPARE(lines.has_value(), readable);
        QCOMPARE(problem.empty(), readable);
        if (lines) {
            QCOMPARE(*lines, Lines{});
        }
    }

    void probe_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("sha256");
        QByteArray large(3 * (1 << 20) + 7, Qt::Uninitialized);
        for (qsizetype i = 0; i < large.size(); ++i) {
            large[i] = static_cast<char>(i * 7 % 251);
        }
        const QString abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
        QTest::newRow("missing") << "absent" << QByteArray() << State::Missing << "";
        QTest::newRow("folder") << "." << QByteArray() << State::NotRegular << "";
        QTest::newRow("empty file")
            << "empty" << QByteArray("") << State::Present
            << "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
        QTest::newRow("abc") << "Zug 1 ä.trn" << QByteArray("abc") << State::Present << abc;
        QTest::newRow("several reads")
            << "large" << large << State::Present
            << QString::fromLatin1(
                   QCryptographicHash::hash(large, QCryptographicHash::Sha256).toHex());
#ifndef Q_OS_WIN
        QTest::newRow("link to a file") << "@link" << QByteArray("abc") << State::Present << abc;
        QTest::newRow("dangling link") << "@dangling" << QByteArray() << State::Missing << "";
        QTest::newRow("pipe") << "@pipe" << QByteArray() << State::NotRegular << "";
#endif
    }

    void probe() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(State, state);
        QFETCH(QString, sha256);
        const QString target = At("target");
        if (!content.isNull()) {
            Write(target, content);
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::fromSecsSinceEpoch(kModified, Qt::UTC),
                                     QFileDevice::FileModificationTime));
        }
#ifndef Q_OS_WIN
        if (name == "@pipe") {
            QCOMPARE(mkfifo(QFile::encodeName(At(name)).constData(), 0600), 0);
        } else if (name.startsWith('@')) {
            QVERIFY(QFile::link(target, At(name)));
        }
#endif
        if (!name.startsWith('@') && !content.isNull()) {
            QVERIFY(QFile::rename(target, At(name)));
        }
        FileProbe probe;
        const std::string path = At(name).toStdString();
        const FileFacts facts = probe.Inspect(path);
        QCOMPARE(facts.state, state);
        if (state == State::Present) {
            QCOMPARE(facts.size, static_cast<std::uint64_t>(content.size()));
            QCOMPARE(facts.modified, kModified);
        }
        QCOMPARE(probe.Sha256(path).value_or(""), sha256.toStdString());
    }

#ifndef Q_OS_WIN
    void clockShowsLocalTimeWithEnglishMonths() {
        const QByteArray oldZone = qgetenv("TZ");
        qputenv("TZ", "CET-1");
        tzset();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const std::string shown = SystemSendClock().Shown(1733426040); // 2024-12-05 19:14 UTC
        QLocale::setDefault(QLocale::c());
        qputenv("TZ", oldZone);
        tzset();
        QCOMPARE(shown, "5 Dec 20:14");
    }
#endif

    void runLockIsHeldUntilReleased() {
        LockFileRunLocks locks(At("locks/new"));
        std::string problem;
        auto first = locks.Acquire("game one", problem);
        QVERIFY2(first, problem.c_str());
        QVERIFY(!locks.Acquire("game one", problem));
        QCOMPARE(problem, "");
        QVERIFY2(locks.Acquire("game two", problem), problem.c_str());
        first.reset();
        QVERIFY2(locks.Acquire("game one", problem), problem.c_str());
#ifndef Q_OS_WIN
        QCOMPARE(Mode(At("locks/new")), 0700);
#endif
        Write(At("file"), "not a folder");
        QVERIFY(!LockFileRunLocks(At("file/locks")).Acquire("game one", problem));
        QVERIFY(!problem.empty());
    }

    void runLockOfAKilledRunIsTakenOver() {
        QProcess other;
        other.start(QCoreApplication::applicationFilePath(),
                    {kHoldLock, At("locks"), QStringLiteral("game one")});
        QVERIFY(other.waitForStarted());
        while (!other.canReadLine() && other.waitForReadyRead(20000)) {
        }
        QCOMPARE(other.readLine().trimmed(), "locked");

        LockFileRunLocks locks(At("locks"));
        std::string problem;
        QVERIFY(!locks.Acquire("game one", problem));
        QCOMPARE(problem, "");
        other.kill();
        QVERIFY(other.waitForFinished());
        QVERIFY2(locks.Acquire("game one", problem), problem.c_str());
    }

    void partsKeepLocksBesideTheRecord() {
        SendServiceParts parts(At("record/sent.log"));
        const SendServices services = parts.Services();
        std::string problem;
        QVERIFY2(services.record.Append({"entry"}, problem), problem.c_str());
        const auto lock = services.locks.Acquire(services.names.Fold("ÄRGER"), problem);
        QVERIFY2(lock, problem.c_str());
        QVERIFY(!services.locks.Acquire(services.names.Fold("ärger"), problem));
        QCOMPARE(QDir(At("record")).entryList({"run-*.lock"}, QDir::Files).size(), 1);
        QCOMPARE(services.record.Location(),
                 QDir::toNativeSeparators(At("record/sent.log")).toStdString());
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments[1] == kHoldLock) {
        return HoldLock(arguments[2], arguments[3]);
    }
    SendRecordFilesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SendRecordFilesTest.moc"
