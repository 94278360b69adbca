#pragma once

#include "DispatchWindow.h"
#include "GameRecord.h"
#include "MapiLibrary.h"
#include "TurnMailSet.h"

// The "Send Files" run: mails every selected player of the game on screen his
// turn file (and the further file when ticked) and reports how many went out.
// Every text goes over in the library's code page; a run with a text the code
// page cannot hold stops before the library is loaded.
class TurnDispatcher {
public:
    TurnDispatcher(GameRecord& game, MailSettings& settings, DispatchWindow& window,
                   MapiLibrary& library);

    // Reports every failure and the count itself, in the window's message boxes.
    void SendFiles();

    // Messages accepted by the current or last run.
    int sentCount() const { return sentCount_; }

private:
    // False, with one line for each text the mail library cannot take shown.
    bool TextsFit();
    // Logon to logoff; returns the run's result code.
    MapiULong RunSession(MapiUIParam owner);
    // False with the failure already shown; nothing is sent then.
    bool ComposeAll(MapiUIParam owner, TurnMailSet& mails);
    bool ComposePlayer(MapiUIParam owner, int number, TurnMailSet& mails);
    // Stops at the first refusal; earlier messages stay sent.
    bool SendAll(MapiUIParam owner, TurnMailSet& mails);

    GameRecord& game_;
    MailSettings& settings_;
    DispatchWindow& window_;
    MapiLibrary& library_;
    int sentCount_ = 0;
};
