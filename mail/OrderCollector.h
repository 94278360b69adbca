#pragma once

#include "DispatchWindow.h"
#include "GameRecord.h"
#include "MapiLibrary.h"
#include "OrderMatch.h"
#include "OrdersFolder.h"
#include "OrdersSettings.h"
#include "SendRecord.h"
#include "SendServices.h"

#include <string>
#include <vector>

// Said once when a mail program's own library handed over a matching message
// without its file.
inline constexpr const char* kFilesWithheld =
    "Your mail program does not hand over attachments to other programs. Set an imap:// or "
    "maildir: mailbox in Collect Orders.";

// How a collection ended. The library's own failures were shown on its sink.
struct CollectionReport {
    enum class Outcome { Done, Cancelled, Failed, Locked };
    Outcome outcome = Outcome::Done;
    std::string problem;           // for Failed, when not already shown
    std::vector<RecordLine> lines; // recorded by this collection
    bool filesWithheld = false;    // a mail program handed over a match without its file
};

// One collection of a game's orders from the mailbox: finds the messages
// after the newest one examined before, matches them to players, saves the
// newest of each player's into the game's folder and records every message
// it took, so that nothing is saved twice. Never changes the mailbox.
class OrderCollector {
public:
    OrderCollector(MapiLibrary& library, SendServices& services, OrdersFolder& folder,
                   SendProgress& progress, MapiUIParam owner);

    // `mailPassword`: the Email Options one, for an empty "Orders Password".
    CollectionReport Collect(const GameRecord& game, const OrdersSettings& settings,
                             const std::string& mailPassword);

private:
    struct Candidate {
        MailEnvelope envelope;
        int player = 0;
    };

    bool Open(const OrdersSettings& settings, const std::string& mailPassword,
              CollectionReport& report);
    // Every message after `seed`; false when the host cancelled or reading failed.
    bool ReadEnvelopes(const std::string& seed, std::vector<MailEnvelope>& envelopes,
                       CollectionReport& report);
    RecordLine Take(const GameRecord& game, const OrdersSettings& settings,
                    const Candidate& candidate, CollectionReport& report);
    void SaveFiles(const GameRecord& game, const OrdersSettings& settings, int player,
                   const MapiMessage& message, RecordLine& line);
    RecordLine Line(const GameRecord& game, const Candidate& candidate, std::string reason) const;

    MapiLibrary& m_library;
    SendServices& m_services;
    OrdersFolder& m_folder;
    SendProgress& m_progress;
    MapiUIParam m_owner;
};
