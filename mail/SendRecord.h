#pragma once

#include "SimpleMapi.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One attachment as it went out.
struct RecordedFile {
    std::string name;
    std::uint64_t size = 0;
    std::string sha256; // lower-case hex
};

// One line of the send record. A run first writes a "planned" line for each
// of its messages; a "handover" line is written before a message goes to the
// mail library, and one outcome line (sent, refused or not sent) after it; a
// player who was never handed over gets only "not sent". A collection of
// orders writes a "received" line for each message it took (its files as
// saved, or in `reason` why none was) and a "scanned" line with the newest
// message it looked at; both carry the mailbox's message id.
struct RecordLine {
    enum class Event { Planned, Handover, Sent, Refused, NotSent, Received, Scanned };
    static constexpr int kTestMessage = 0; // the player of a test message to the host

    std::int64_t time = 0; // seconds since 1970-01-01 UTC
    int run = 0;           // counts a game's runs: one more than its last
    Event event = Event::Handover;
    std::string game;
    int player = kTestMessage;
    std::string address;
    MapiULong code = SUCCESS_SUCCESS; // the library's code when refused
    std::string reason;               // its text, or why nothing was sent
    std::vector<RecordedFile> files;
    std::string messageId = {}; // received and scanned lines only
    // A reminder that orders are due, or a receipt for orders saved, goes
    // out as a run of its own; it is never a turn.
    enum class Purpose { Turn, Reminder, Receipt };
    Purpose purpose = Purpose::Turn;

    bool IsCollection() const { return event == Event::Received || event == Event::Scanned; }
};

// Tab-separated fields with tab, line feed, carriage return and backslash
// escaped, so any name reads back exactly; times are ISO 8601 in UTC.
std::string FormatRecordLine(const RecordLine& line);
// Nullopt for a line this program did not write whole (say, cut by a crash)
// or one whose event it does not know, so that older programs pass over the
// events of newer ones.
std::optional<RecordLine> ParseRecordLine(std::string_view text);

// "2026-12-05T20:14:03Z"; nullopt for anything else.
std::string IsoUtc(std::int64_t utc);
std::optional<std::int64_t> ParseIsoUtc(std::string_view text);
