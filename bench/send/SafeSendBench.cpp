// What the checks before sending and the send record add to a run: every
// selected player's turn file inspected and hashed, the further file once,
// and a planned, a handover and an outcome line written (and synced) per
// message.
// The turn file is copied once per player first, as each player has his own.
//
// usage: zorvel_safe_send_bench PLAYERS TURN_FILE [FURTHER_FILE]

#include "RunRecorder.h"
#include "SendChecks.h"
#include "SendServiceParts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

GameRecord BenchGame(const QTemporaryDir& folder, int players, const QString& turnFile,
                     const QString& furtherFile) {
    GameRecord game;
    game.name = "bench";
    game.directory = folder.path().toStdString();
    for (int number = 1; number <= players; ++number) {
        QFile::copy(turnFile, folder.filePath(QString("bench.m%1").arg(number)));
        game.Player(number).email = "p" + std::to_string(number) + "@example.org";
        game.Player(number).send = 1;
    }
    game.addFile = furtherFile.isEmpty() ? 0 : 1;
    game.filePath = furtherFile.toStdString();
    return game;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int players = arguments.value(1).toInt();
    if (arguments.size() < 3 || players < 1 || players > kPlayerCount) {
        std::fprintf(stderr, "usage: zorvel_safe_send_bench PLAYERS TURN_FILE [FURTHER_FILE]\n");
        return 64;
    }
    QTemporaryDir folder;
    const GameRecord game = BenchGame(folder, players, arguments[2], arguments.value(3));
    SendServiceParts parts(folder.filePath("state/sent.log"));
    SendServices services = parts.Services();

    QElapsedTimer timer;
    timer.start();
    std::string problem;
    const SendHistory history(*parts.record.ReadLines(problem), game.name, parts.names);
    const SendPlan plan =
        PlanSend(game, SelectedPlayers(game, {}), parts.files, &history, parts.clock);
    const qint64 checks = timer.restart();
    RunRecorder recorder(services, game.name, history.NextRun());
    recorder.Planned(plan.mails);
    for (const PlannedMail& mail : plan.mails) {
        recorder.Handover(mail);
        recorder.Sent(mail);
    }
    const qint64 record = timer.elapsed();
    if (!plan.problems.empty() || !recorder.Problem().empty()) {
        std::fprintf(stderr, "the run would not go: %s\n", recorder.Problem().c_str());
        return 1;
    }
    std::printf("checks %.3f s, record %.3f s, %zu messages\n", double(checks) / 1000.0,
                double(record) / 1000.0, plan.mails.size());
    return 0;
}
