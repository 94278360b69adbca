#include "MailTextCheck.h"

#include <string_view>

namespace {
constexpr std::string_view kCannotTake = " holds characters that the mail system cannot take";
} // namespace

std::vector<std::string> MailTextProblems(const GameRecord& game, const MailSettings& settings,
                                          const MailCodePage& codePage) {
    std::vector<std::string> problems;
    const auto check = [&](std::string_view text, const std::string& field) {
        const std::string unmappable = codePage.Unmappable(text);
        if (!unmappable.empty()) {
            problems.push_back(field + std::string(kCannotTake) + ": " + unmappable);
        }
    };
    // The turn files' paths and names are made of the name and the directory.
    check(game.name, "The game name");
    check(game.directory, "The directory");
    check(game.notes, "The message text");
    if (game.addFile != 0) {
        check(game.filePath, "The further file's path");
    }
    for (int number = 1; number <= kPlayerCount; ++number) {
        if (game.Player(number).send != 0) {
            check(game.Player(number).email, "Player " + std::to_string(number) + "'s address");
        }
    }
    check(settings.returnEmail, "The Return Email");
    check(settings.mailProfile, "The Email Profile");
    // No character named: a message box is no place for any part of a password.
    if (!codePage.Unmappable(settings.password).empty()) {
        problems.push_back("The password" + std::string(kCannotTake) + ".");
    }
    return problems;
}
