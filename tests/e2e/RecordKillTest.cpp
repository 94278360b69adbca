#include "SendHistory.h"
#include "SendServiceParts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The send record through a kill in the middle of a run: what went out stays
// recorded, the message the mail program had reads as "outcome unknown", those
// after it as "not reached", and the program's --unsent mails all three later.
class RecordKillTest : public QObject {
    Q_OBJECT
private slots:
    void aKilledRunKeepsWhatWentOutAndLosesNoOne();

private:
    // Every message the mail program received, oldest first: its recipients.
    QStringList Received() const;
    QProcessEnvironment Environment() const;

    QTemporaryDir m_work;
};

namespace {
// A sendmail stand-in that keeps each message, its arguments first, and hangs
// on the third.
const char kMailProgram[] = R"sh(#!/bin/sh
dir=$(dirname "$0")
count=$(ls "$dir/mails" | wc -l)
{ echo "$*"; cat; } > "$dir/mails/$((count + 1))"
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

QStringList RecordKillTest::Received() const {
    QStringList recipients;
    const QDir mails(m_work.filePath("mails"));
    for (int number = 1; QFile::exists(mails.filePath(QString::number(number))); ++number) {
        QFile mail(mails.filePath(QString::number(number)));
        if (mail.open(QIODevice::ReadOnly)) {
            recipients << QString::fromUtf8(mail.readLine().trimmed()).section(' ', -1);
        }
    }
    return recipients;
}

// What cron gives a job, with the folders of the host's store and record.
QProcessEnvironment RecordKillTest::Environment() const {
    QProcessEnvironment environment;
    environment.insert("PATH", "/usr/bin:/bin");
    environment.insert("HOME", m_work.path());
    environment.insert("XDG_CONFIG_HOME", m_work.filePath("config"));
    environment.insert("XDG_STATE_HOME", m_work.filePath("state"));
    return environment;
}

void RecordKillTest::aKilledRunKeepsWhatWentOutAndLosesNoOne() {
    const QString program = m_work.filePath("sendmail");
    QVERIFY(QDir(m_work.path()).mkpath("games") && QDir(m_work.path()).mkpath("mails"));
    QVERIFY(Write(program, kMailProgram));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    for (int number = 1; number <= 5; ++number) {
        QVERIFY(Write(m_work.filePath(QString("games/raid.m%1").arg(number)), "turn"));
    }

    QProcess driver;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
        environment.insert(name, Environment().value(name));
    }
    driver.setProcessEnvironment(environment);
    driver.start(ZORVEL_TEST_BINARY_DIR "/send_run_driver", {m_work.filePath("games"), program});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_work.filePath("hung.pid")), 30000);
    driver.kill();
    QVERIFY(driver.waitForFinished());
    QFile hung(m_work.filePath("hung.pid"));
    QVERIFY(hung.open(QIODevice::ReadOnly));
    QProcess::execute("kill", {QString::fromLatin1(hung.readAll().trimmed())});

    SendRecordLog record(m_work.filePath("state/Halvane/zorvel/sent.log"));
    std::string problem;
    const std::optional<std::vector<std::string>> lines = record.ReadLines(problem);
    QVERIFY2(lines, problem.c_str());
    QStringList entries;
    for (const HistoryEntry& entry : SendHistory(*lines, "RAID", StoreNameFolding()).Entries()) {
        entries << QString::number(entry.player) + " " + QString::fromStdString(OutcomeText(entry));
    }
    QCOMPARE(entries, (QStringList{"5 not reached", "4 not reached", "3 outcome unknown", "2 sent",
                                   "1 sent"}));
    QCOMPARE(Received(), (QStringList{"p1@example.org", "p2@example.org", "p3@example.org"}));

    QProcess unsent;
    unsent.setProcessEnvironment(Environment());
    unsent.start(ZORVEL_TEST_BINARY_DIR "/zorvel", {"send", "raid", "--unsent"});
    QVERIFY(unsent.waitForFinished(60000));
    QVERIFY2(unsent.exitStatus() == QProcess::NormalExit && unsent.exitCode() == 0,
             unsent.readAllStandardError().constData());
    QCOMPARE(Received().mid(3),
             (QStringList{"p3@example.org", "p4@example.org", "p5@example.org"}));
}

QTEST_GUILESS_MAIN(RecordKillTest)
#include "RecordKillTest.moc"
