#include "TurnFile.h"

std::string TurnFilePath(const GameRecord& game, int number) {
    const PlayerSlot& slot = game.Player(number);
    if (slot.email.empty() || slot.send == 0) {
        return {};
    }
    return TurnFileLocation(game, number);
}

std::string TurnFileLocation(const GameRecord& game, int number) {
    return game.directory + kPathSeparator + TurnFileName(game, number);
}

std::string TurnFileName(const GameRecord& game, int number) {
    return game.name + ".m" + std::to_string(number);
}

std::string AttachmentName(std::string_view filePath) {
    // UTF-8 never uses the separator's byte inside a multibyte character.
    const std::size_t separator = filePath.rfind(kPathSeparator);
    if (separator == std::string_view::npos) {
        return std::string(filePath);
    }
    return std::string(filePath.substr(separator + 1));
}
