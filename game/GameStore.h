#pragma once

#include "GameRecord.h"
#include "GameWindow.h"
#include "ProfileStore.h"

#include <string>
#include <vector>

class StoredGameList;

// Keeps the games, the list of games and the mail options between runs.
// Works on the window's one record and mail options; every operation that
// touches the store is one store transaction, or one reading when it only
// reads, so that reading never waits for another copy's writes.
class GameStore {
public:
    GameStore(ProfileStore& store, GameRecord& game, MailSettings& mail, GameWindow& window,
              GameSelector& selector);

    // name from "LastGame", then the mail options.
    void ReadSettings();
    // Once the window shows: tells the host what the store reports about its
    // opening (read-only, damaged), if anything; may wait for the store's
    // check. When that check finds the store damaged after the window read it,
    // the game and mail options shown stay, for Exit to store into the new
    // store, but the list is read again: the selector lists only the games
    // the store holds, and the game shown is among them only once stored.
    void TellOpeningNotice();
    // "LastGame" and the mail options.
    void WriteSettings();
    // Fills the selector with the stored list, in place of its entries; repairs
    // a zero or missing "GameCount" (a write of its own, after the reading).
    void LoadGameList();
    // Appends `name` to the stored list and the selector (selected) unless listed.
    void AddGameToList(const std::string& name);
    // Reads the section of the record's name into the record and refreshes the rows.
    void LoadGame();
    // Lists `name`, then writes the record (all but its name) into that section.
    void SaveGame(const std::string& name);
    // After the host confirms: blanks the game's section and takes it off the list.
    void DeleteGame();
    // Takes `name` off the list and the selector and shows the first listed game.
    // By value: callers pass the record's own name, which this changes.
    void RemoveGameFromList(std::string name);
    // The selector's selection changed: saves the game shown, loads the picked one.
    void SwitchGame();
    // Selects the shown game in the selector, adding its name there if missing.
    void SelectShownGame();
    // Stores the mail options and the game shown. False, after telling the host,
    // when a write has failed since the previous Exit (a switch's included);
    // the window should then stay open.
    bool Exit();

private:
    // Closes the gap the entry at `found` leaves in the stored list.
    void MoveEntriesDown(const StoredGameList& list, int found);
    void WriteGameSection(const std::string& section);
    void BlankGameSection(const std::string& section);
    std::string ListEntry(int index);

    ProfileStore& m_store;
    GameRecord& m_game;
    MailSettings& m_mail;
    GameWindow& m_window;
    GameSelector& m_selector;
};
