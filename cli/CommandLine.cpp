#include "CommandLine.h"

#include "GameRecord.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, Command::Kind>, 8> kGameCommands{{
    {"show", Command::Kind::Show},
    {"check", Command::Kind::Check},
    {"send", Command::Kind::Send},
    {"history", Command::Kind::History},
    {"collect", Command::Kind::Collect},
    {"orders", Command::Kind::Orders},
    {"remind", Command::Kind::Remind},
    {"list", Command::Kind::List},
}};

std::optional<int> PlayerNumber(std::string_view text) {
    int number = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (failure != std::errc() || end != text.data() + text.size() || number < 1 ||
        number > kPlayerCount) {
        return std::nullopt;
    }
    return number;
}

// The options after the game's name; false, with `error` set, on one it
// does not take.
bool ParseOptions(const std::vector<std::string>& arguments, std::size_t first, Command& command,
                  std::string& error) {
    const bool sending = command.kind == Command::Kind::Send;
    for (std::size_t at = first; at < arguments.size(); ++at) {
        const std::string& option = arguments[at];
        const bool takesPlayer = sending || command.kind == Command::Kind::History;
        if (option == "--player" && takesPlayer) {
            const std::optional<int> number =
                at + 1 < arguments.size() ? PlayerNumber(arguments[++at]) : std::nullopt;
            if (!number) {
                error = "--player needs a player number from 1 to 16";
                return false;
            }
            command.players.push_back(*number);
        } else if (option == "--unsent" && sending) {
            command.unsent = true;
        } else if (option == "--yes" && (sending || command.kind == Command::Kind::Remind)) {
            command.yes = true;
        } else {
            error = "unexpected argument: " + option;
            return false;
        }
    }
    if (command.kind == Command::Kind::History && command.players.size() > 1) {
        error = "history takes one --player";
        return false;
    }
    if (command.unsent && !command.players.empty()) {
        error = "--unsent and --player cannot be combined";
        return false;
    }
    return true;
}

} // namespace

std::optional<Command> ParseCommandLine(const std::vector<std::string>& arguments,
                                        std::string& error) {
    Command command;
    if (arguments.empty()) {
        return command;
    }
    const std::string& first = arguments.front();
    if ((first == "--help" || first == "-h") && arguments.size() == 1) {
        command.kind = Command::Kind::Help;
        return command;
    }
    if (first == "--version" && arguments.size() == 1) {
        command.kind = Command::Kind::Version;
        return command;
    }
    const auto known = std::find_if(kGameCommands.begin(), kGameCommands.end(),
                                    [&first](const auto& entry) { return entry.first == first; });
    if (known == kGameCommands.end()) {
        error = "unknown command: " + first;
        return std::nullopt;
    }
    command.kind = known->second;
    if (command.kind == Command::Kind::List) {
        if (arguments.size() != 1) {
            error = "list takes no arguments";
            return std::nullopt;
        }
        return command;
    }
    if (arguments.size() < 2 || arguments[1].empty()) {
        error = first + " needs the name of a game";
        return std::nullopt;
    }
    command.game = arguments[1];
    if (!ParseOptions(arguments, 2, command, error)) {
        return std::nullopt;
    }
    return command;
}

std::string HelpText(const std::string& program) {
    return "Usage: " + program +
           " [COMMAND]\n"
           "With no command, the window opens. Commands run without a window:\n"
           "  list                      the stored games: name, directory, ticked players\n"
           "  show GAME                 the game's rows and their turn files\n"
           "  check GAME                the checks before sending, one line per player\n"
           "  send GAME [--player N]... [--unsent] [--yes]\n"
           "                            mail the turn files as Send Files does; --player\n"
           "                            sends those rows whatever their Send boxes say,\n"
           "                            --unsent those the last run did not reach, and\n"
           "                            --yes sends past warnings\n"
           "  history GAME [--player N] the send record, newest first\n"
           "  collect GAME              save the players' orders from the Orders Mailbox\n"
           "                            into the game's directory, a line per player\n"
           "  orders GAME               who is in: player, address, turn sent, orders\n"
           "  remind GAME [--yes]       mail \"GAME: orders due\" to those still waiting;\n"
           "                            without --yes it only names them\n"
           "  --help, --version\n"
           "Game names are matched without regard to case. list, show, history and\n"
           "orders print tab-separated lines, with tab, line feed, carriage return and\n"
           "backslash written \\t, \\n, \\r, \\\\.\n"
           "Exit status: 0 done; 1 some players got their turn and some did not (send\n"
           "--unsent sends the rest); 2 warnings held the run back; 64 usage; 65 a check,\n"
           "an address, no player or no such game; 69 no mail system, logon refused or\n"
           "the mailbox not read to its end; a player still waiting is no failure;\n"
           "73 another run of the game is under way; 74 the store or the send record\n"
           "cannot be read.\n";
}
