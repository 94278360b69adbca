#pragma once

#include <optional>
#include <string>
#include <vector>

// What the program was asked to do; no arguments at all means the window.
struct Command {
    enum class Kind {
        Window,
        List,
        Show,
        Check,
        Send,
        History,
        Collect,
        Orders,
        Remind,
        Help,
        Version
    };
    Kind kind = Kind::Window;
    std::string game;
    std::vector<int> players; // --player, in the order given
    bool unsent = false;
    bool yes = false;
};

// The arguments after the program's name. Nullopt, with `error` set to a
// one-line reason, for anything the command line does not take.
std::optional<Command> ParseCommandLine(const std::vector<std::string>& arguments,
                                        std::string& error);

std::string HelpText(const std::string& program);
