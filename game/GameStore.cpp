#include "GameStore.h"

#include "StoreTransaction.h"
#include "StoredGameList.h"
#include "StoredGames.h"

#include <algorithm>
#include <limits>
#include <utility>

using namespace StoreNames;

namespace {

const char* const kCannotSave =
    "Your games and mail options could not all be saved: the settings store cannot be "
    "written.\n\nThis window stays open so that nothing you typed is lost. Free some disk "
    "space or make the settings folder writable, then press Exit again.";

} // namespace

GameStore::GameStore(ProfileStore& store, GameRecord& game, MailSettings& mail, GameWindow& window,
                     GameSelector& selector)
    : m_store(store), m_game(game), m_mail(mail), m_window(window), m_selector(selector) {}

void GameStore::ReadSettings() {
    StoreReading reading(m_store);
    m_game.name = m_store.ReadStoreText(kSettings, "LastGame", "");
    m_mail = ReadMailSettings(m_store);
}

void GameStore::TellOpeningNotice() {
    const OpeningNotice notice = m_store.TakeOpeningNotice();
    if (notice.damageFoundAfterReading) {
        LoadGameList();
    }
    if (!notice.text.empty()) {
        m_window.ShowMessage(notice.text);
    }
}

void GameStore::WriteSettings() {
    StoreTransaction transaction(m_store);
    m_store.WriteStoreText(kSettings, "LastGame", m_game.name);
    m_store.WriteStoreText(kSettings, "Mail Profile", m_mail.mailProfile);
    m_store.WriteStoreText(kSettings, "Password", m_mail.password);
    m_store.WriteStoreInt(kSettings, "Receipt", m_mail.receipt);
    m_store.WriteStoreText(kSettings, "Return Email", m_mail.returnEmail);
    m_store.WriteStoreText(kSettings, "Return Name", m_mail.returnName);
}

void GameStore::LoadGameList() {
    std::vector<std::string> names;
    bool repair = false;
    {
        StoreReading reading(m_store);
        names = ReadGameNames(m_store);
        // A zero or missing count is stored only when it differs: a start-up
        // should not wait to write. A missing or unreadable count reads as the
        // default given, so the two readings tell it from a stored zero.
        repair = m_store.ReadStoreInt(kSettings, kGameCount, 0) == 0 &&
                 m_store.ReadStoreInt(kSettings, kGameCount, -1) != static_cast<int>(names.size());
    }
    m_selector.Fill(names);
    if (repair) {
        m_store.WriteStoreInt(kSettings, kGameCount, static_cast<int>(names.size()));
    }
}

void GameStore::AddGameToList(const std::string& name) {
    StoreTransaction transaction(m_store);
    const StoredGameList list(m_store);
    if (list.Find(name) != 0) {
        return;
    }
    const int entry = m_selector.AddEntry(name);
    // A count at its largest (only damage makes one) cannot grow: the name
    // takes the list's first empty place instead.
    const int count = list.Count();
    const int place = count < std::numeric_limits<int>::max() ? count + 1 : list.Find("");
    m_store.WriteStoreText(kSettings, GameValue(place), name);
    m_store.WriteStoreInt(kSettings, kGameCount, std::max(count, place));
    m_selector.Select(entry);
}

void GameStore::LoadGame() {
    {
        StoreReading reading(m_store);
        ReadGameSection(m_store, m_game);
    }
    m_window.RefreshFilesRow();
    for (int number = 1; number <= kPlayerCount; ++number) {
        m_window.RefreshRow(number);
    }
    m_window.RefreshAllTurnFiles();
}

void GameStore::SaveGame(const std::string& name) {
    StoreTransaction transaction(m_store);
    AddGameToList(name);
    WriteGameSection(name);
}

void GameStore::DeleteGame() {
    const std::string question =
        "Are you sure you want to DELETE the game information for \"" + m_game.name + "\"?";
    if (!m_window.AskYesNo(question)) {
        return;
    }
    StoreTransaction transaction(m_store);
    BlankGameSection(m_game.name);
    RemoveGameFromList(m_game.name);
}

void GameStore::RemoveGameFromList(std::string name) {
    StoreTransaction transaction(m_store);
    const StoredGameList list(m_store);
    const int found = list.Find(name);
    if (found == 0) {
        return;
    }
    const int count = list.Count();
    MoveEntriesDown(list, found);
    const int shown = m_selector.FindPrefix(name);
    if (shown >= 0) {
        m_selector.DeleteEntry(shown);
    }
    m_game.name = ListEntry(1);
    m_selector.Select(m_selector.FindPrefix(m_game.name));
    m_store.WriteStoreInt(kSettings, kGameCount, count - 1);
    LoadGame();
    m_window.WriteControls();
}

void GameStore::SwitchGame() {
    const std::string oldName = m_game.name;
    m_window.ReadControls();
    if (!oldName.empty()) {
        SaveGame(oldName);
    }
    m_window.ReadControls();
    m_game.name = m_selector.SelectedText();
    LoadGame();
    m_window.WriteControls();
}

void GameStore::SelectShownGame() {
    int entry = m_selector.FindPrefix(m_game.name);
    if (entry < 0) {
        m_selector.AddEntry(m_game.name);
        entry = m_selector.FindPrefix(m_game.name);
    }
    m_selector.Select(entry);
}

bool GameStore::Exit() {
    m_window.ReadControls();
    {
        StoreTransaction transaction(m_store);
        WriteSettings();
        if (!m_game.name.empty()) {
            SaveGame(m_game.name);
        }
    }
    if (m_store.TakeWriteFailure()) {
        m_window.ShowMessage(kCannotSave);
        return false;
    }
    return true;
}

void GameStore::MoveEntriesDown(const StoredGameList& list, int found) {
    // Only the first equal entry goes; the later ones move down with the rest.
    // Moving an empty entry onto an empty one changes nothing, so only the
    // places at and below a listed name are written: a damaged, huge count
    // costs no more than the names present.
    const int count = list.Count();
    int written = found - 1;
    for (const NumberedText& entry : list.Entries()) {
        for (const int place : {entry.number - 1, entry.number}) {
            if (place > written && place < count) {
                m_store.WriteStoreText(kSettings, GameValue(place), list.Entry(place + 1));
                written = place;
            }
        }
    }
    m_store.WriteStoreText(kSettings, GameValue(count), "");
}

void GameStore::WriteGameSection(const std::string& section) {
    const bool addFile = m_game.addFile != 0 && m_window.IsFilesBoxEnabled();
    m_store.WriteStoreText(section, "Dir", m_game.directory);
    m_store.WriteStoreText(section, "Notes", m_game.notes);
    m_store.WriteStoreText(section, "FilePath", m_game.filePath);
    m_store.WriteStoreInt(section, "AddFile", addFile ? 1 : 0);
    for (int number = 1; number <= kPlayerCount; ++number) {
        const PlayerSlot& slot = m_game.Player(number);
        const bool send = slot.send != 0 && m_window.IsSendBoxEnabled(number);
        m_store.WriteStoreText(section, EmailValue(number), slot.email);
        m_store.WriteStoreInt(section, SendValue(number), send ? 1 : 0);
    }
}

void GameStore::BlankGameSection(const std::string& section) {
    m_store.WriteStoreText(section, "Dir", "");
    m_store.WriteStoreText(section, "Notes", "");
    m_store.WriteStoreText(section, "FilePath", "");
    m_store.WriteStoreInt(section, "AddFile", 0);
    for (int number = 1; number <= kPlayerCount; ++number) {
        m_store.WriteStoreText(section, EmailValue(number), "");
        m_store.WriteStoreInt(section, SendValue(number), 0);
    }
}

std::string GameStore::ListEntry(int index) {
    return m_store.ReadStoreText(kSettings, GameValue(index), "");
}
