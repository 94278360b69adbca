#include "StoredGames.h"

#include "StoredGameList.h"

using namespace StoreNames;

std::string StoreNames::GameValue(int index) {
    return "Game" + std::to_string(index);
}

std::string StoreNames::EmailValue(int number) {
    return "Email" + std::to_string(number - 1);
}

std::string StoreNames::SendValue(int number) {
    return "Send" + std::to_string(number - 1);
}

std::vector<std::string> ReadGameNames(ProfileStore& store) {
    std::vector<std::string> names;
    const StoredGameList list(store);
    if (list.Count() != 0) {
        for (const NumberedText& entry : list.Entries()) {
            names.push_back(entry.text);
        }
        return names;
    }
    for (std::string name = store.ReadStoreText(kSettings, GameValue(1), ""); !name.empty();
         name = store.ReadStoreText(kSettings, GameValue(int(names.size()) + 1), "")) {
        names.push_back(std::move(name));
    }
    return names;
}

MailSettings ReadMailSettings(ProfileStore& store) {
    MailSettings mail;
    mail.mailProfile = store.ReadStoreText(kSettings, "Mail Profile", "");
    mail.password = store.ReadStoreText(kSettings, "Password", "");
    mail.receipt = store.ReadStoreInt(kSettings, "Receipt", 0);
    mail.returnEmail = store.ReadStoreText(kSettings, "Return Email", "");
    mail.returnName = store.ReadStoreText(kSettings, "Return Name", "");
    return mail;
}

void ReadGameSection(ProfileStore& store, GameRecord& game) {
    const std::string& section = game.name;
    game.directory = store.ReadStoreText(section, "Dir", "");
    game.notes = store.ReadStoreText(section, "Notes", "");
    game.filePath = store.ReadStoreText(section, "FilePath", "");
    game.addFile = store.ReadStoreInt(section, "AddFile", 0);
    for (int number = 1; number <= kPlayerCount; ++number) {
        PlayerSlot& slot = game.Player(number);
        slot.email = store.ReadStoreText(section, EmailValue(number), "");
        slot.send = store.ReadStoreInt(section, SendValue(number), 1);
    }
}
