#pragma once

#include "MailCodePage.h"
#include "SimpleMapi.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Attachment {
    std::string path;
    std::string name; // what the recipient sees
};

// The working set of one "Send Files" run: the shared texts, the originator
// and every player's recipient and attachments. The message records point
// into it, so it stays in place from composing until the run ends. It keeps
// its texts in `codePage`, which must hold them all.
class TurnMailSet {
public:
    explicit TurnMailSet(const MailCodePage& codePage) : m_codePage(codePage) {}
    TurnMailSet(const TurnMailSet&) = delete;
    TurnMailSet& operator=(const TurnMailSet&) = delete;

    // `resolved` becomes the sender of every message.
    void SetOriginator(const MapiRecipDesc& resolved);
    void SetTexts(std::string_view subject, std::string_view noteText);
    // One more message, to `resolved` as its one primary recipient.
    void Add(const MapiRecipDesc& resolved, const std::vector<Attachment>& attachments);

    std::size_t Size() const { return m_mails.size(); }
    // Message `index` in the order added; valid while this set lives.
    MapiMessage Message(std::size_t index);

private:
    struct Mail {
        MapiRecipDesc recipient{};
        std::vector<Attachment> attachments;
        std::vector<MapiFileDesc> files;
    };

    const MailCodePage& m_codePage;
    std::string m_subject;
    std::string m_noteText;
    std::optional<MapiRecipDesc> m_originator;
    std::deque<Mail> m_mails; // a deque keeps earlier mails in place as more are added
};
