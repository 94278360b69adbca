#pragma once

#include "CommandLine.h"
#include "GameRecord.h"
#include "MailLibraryChoice.h"
#include "OrdersBoard.h"
#include "OrdersFolder.h"
#include "ProfileStore.h"
#include "SendHistory.h"
#include "SendServices.h"

#include <optional>
#include <ostream>
#include <string>

// What a command reaches outside the program.
struct CommandContext {
    ProfileStore* store;      // opened for reading only; null when it cannot be read
    std::string storeProblem; // why, when null
    SendServices& services;
    MailLibraryChoice mailLibraries; // which mail library a send loads
    OrdersFolder& ordersFolder;      // where collected orders are saved
    std::string program;             // the name the host typed, for the help text
    std::string version;
    std::ostream& out;
    std::ostream& err;
};

// Runs one command of the command line and returns its exit status. Only
// "send" and "collect" write anything: into the send record, and "collect"
// the orders into the game's directory.
class CommandRunner {
public:
    explicit CommandRunner(CommandContext& context) : m_context(context) {}

    int Run(const Command& command);

private:
    int List();
    int Show(const GameRecord& game);
    int Check(const GameRecord& game);
    int Send(const Command& command, GameRecord& game);
    int History(const Command& command, const GameRecord& game);
    int Collect(GameRecord& game);
    int Orders(const GameRecord& game);
    int Remind(const Command& command, GameRecord& game);
    // Each player's board row; nullopt after saying why the record cannot be read.
    std::optional<std::vector<BoardRow>> Board(const GameRecord& game);

    // The stored game whose name matches, case aside; nullopt after saying so.
    std::optional<GameRecord> FindGame(const std::string& name);
    // Nullopt after saying why the record cannot be read.
    std::optional<SendHistory> ReadHistory(const GameRecord& game);

    CommandContext& m_context;
};
