// A 100 MB attachment goes out whole while the sender's memory stays small:
// the file is streamed, never held.

#include "MemoryGrowth.h"
#include "ProviderKit.h"
#include "SmtpTestServer.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr qint64 kAttachmentSize = 100 * 1024 * 1024;
constexpr qint64 kMemoryBudgetKiB = 30 * 1024;

} // namespace

class MapiLargeTest : public QObject {
    Q_OBJECT

private slots:
    void hundredMegabytesStreamWithinTheMemoryBudget();
};

void MapiLargeTest::hundredMegabytesStreamWithinTheMemoryBudget() {
    Provider provider;
    QVERIFY2(provider.Load(), qPrintable(provider.Error()));
    QTemporaryDir work;
    QString error;
    SmtpTestServer server(work.path());
    QVERIFY2(server.StartSecure("alice@example.org", "pw", {}, &error), qPrintable(error));
    const auto big = work.filePath("big.m1");
    QVERIFY(WriteTestFile(big, kAttachmentSize));

    MapiSession session = 0;
    const auto url = QString("smtp://alice%40example.org@localhost:%1").arg(server.Port());
    QCOMPARE(provider.Logon(url.toStdString(), "pw", &session), SUCCESS_SUCCESS);
    TestMessage message;
    message.Subject("big").Note("A large turn").To("", "SMTP:ann@example.org");
    message.Attach(big.toStdString(), "big.m1");
    MemoryGrowth memory;
    QVERIFY(memory.Start());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(provider.sendMail(session, 0, message.Get(), 0, 0), SUCCESS_SUCCESS);
    const auto growth = memory.PeakKiB();
    qInfo("100 MB attachment: sent in %lld ms, peak memory grew by %lld KiB", clock.elapsed(),
          growth);
    QCOMPARE(provider.logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    QVERIFY2(growth < kMemoryBudgetKiB, qPrintable(QString::number(growth)));

    QCOMPARE(server.MessageFiles().size(), 1);
    const auto mail = ReadMail(server.MessageFiles().front(), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const auto attachment = mail["attachments"].toArray()[0].toObject();
    QCOMPARE(attachment["size"].toInteger(), kAttachmentSize);
    QCOMPARE(attachment["sha256"].toString(), Sha256Of(big));
}

QTEST_GUILESS_MAIN(MapiLargeTest)
#include "MapiLargeTest.moc"
