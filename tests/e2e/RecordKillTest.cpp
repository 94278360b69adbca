#include "SendHistory.h"
#include "SendServiceParts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The send record through a kill in the middle of a run: what went out stays
// recorded, and the message the mail program had reads as "outcome unknown".
class RecordKillTest : public QObject {
    Q_OBJECT
private slots:
    void aKilledRunKeepsWhatWentOut();
};

namespace {
// A sendmail stand-in that keeps each message and hangs on the third.
const char kMailProgram[] = R"sh(#!/bin/sh
dir=$(dirname "$0")
count=$(ls "$dir/mails" | wc -l)
cat > "$dir/mails/$((count + 1))"
if [ "$count" -eq 2 ]; then
    sleep 60 &
    echo $! > "$dir/hung.pid"
    wait
fi
)sh";

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

void RecordKillTest::aKilledRunKeepsWhatWentOut() {
    QTemporaryDir work;
    const QString program = work.filePath("sendmail");
    QVERIFY(QDir(work.path()).mkpath("games") && QDir(work.path()).mkpath("mails"));
    QVERIFY(Write(program, kMailProgram));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    for (int number = 1; number <= 4; ++number) {
        QVERIFY(Write(work.filePath(QString("games/raid.m%1").arg(number)), "turn"));
    }

    QProcess driver;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", work.filePath("state"));
    driver.setProcessEnvironment(environment);
    driver.start(ZORVEL_TEST_BINARY_DIR "/send_run_driver",
                 {work.filePath("store.sqlite"), work.filePath("games"), program});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(work.filePath("hung.pid")), 30000);
    driver.kill();
    QVERIFY(driver.waitForFinished());
    QFile hung(work.filePath("hung.pid"));
    QVERIFY(hung.open(QIODevice::ReadOnly));
    QProcess::execute("kill", {QString::fromLatin1(hung.readAll().trimmed())});

    SendRecordLog record(work.filePath("state/Halvane/send_run_driver/sent.log"));
    std::string problem;
    const std::optional<std::vector<std::string>> lines = record.ReadLines(problem);
    QVERIFY2(lines, problem.c_str());
    QStringList entries;
    for (const HistoryEntry& entry : SendHistory(*lines, "RAID", StoreNameFolding()).Entries()) {
        entries << QString::number(entry.player) + " " + QString::fromStdString(OutcomeText(entry));
    }
    QCOMPARE(entries, (QStringList{"3 outcome unknown", "2 sent", "1 sent"}));
    QCOMPARE(QDir(work.filePath("mails")).count() - 2, 3u); // 1, 2 and the one it hung on
}

QTEST_GUILESS_MAIN(RecordKillTest)
#include "RecordKillTest.moc"
