#include "TurnDispatcher.h"

#include "MailTextCheck.h"
#include "TurnFile.h"

#include <string_view>
#include <utility>
#include <vector>

namespace {
constexpr std::string_view kMakerAddress = "https://zorvel.example.org";

std::string NoteText(const std::string& notes) {
    return "Turns mailed by Zorvel from halvane software, inc. (" + std::string(kMakerAddress) +
           ")\n\n" + notes;
}

std::string SentReport(int count) {
    if (count == 1) {
        return "1 Message sent successfully";
    }
    return std::to_string(count) + " Messages sent successfully";
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}
} // namespace

TurnDispatcher::TurnDispatcher(GameRecord& game, MailSettings& settings, DispatchWindow& window,
                               MapiLibrary& library)
    : game_(game), settings_(settings), window_(window), library_(library) {}

void TurnDispatcher::SendFiles() {
    window_.BeginWaitCursor();
    // The check must see what is on screen; the run reads again after logon.
    window_.ReadControls();
    if (TextsFit() && library_.Bind()) {
        window_.Block();
        const MapiULong result = RunSession(window_.OwnerHandle());
        window_.GiveBack();
        if (result == SUCCESS_SUCCESS) {
            window_.ShowMessage(SentReport(sentCount_));
        }
    }
    window_.EndWaitCursor();
}

bool TurnDispatcher::TextsFit() {
    const std::vector<std::string> problems =
        MailTextProblems(game_, settings_, library_.codePage());
    if (!problems.empty()) {
        window_.ShowMessage(Lines(problems));
    }
    return problems.empty();
}

MapiULong TurnDispatcher::RunSession(MapiUIParam owner) {
    if (!library_.Logon(owner, settings_.mailProfile, settings_.password)) {
        return library_.lastResult();
    }
    // A text over the window's limit has been reported by its own check; the
    // run goes on with what was read.
    window_.ReadControls();
    MapiULong failure = SUCCESS_SUCCESS;
    TurnMailSet mails(library_.codePage());
    if (!ComposeAll(owner, mails) || !SendAll(owner, mails)) {
        failure = library_.lastResult();
    }
    const MapiULong logoff = library_.Logoff(owner);
    library_.ReleaseResolvedNames();
    return failure != SUCCESS_SUCCESS ? failure : logoff;
}

bool TurnDispatcher::ComposeAll(MapiUIParam owner, TurnMailSet& mails) {
    if (!settings_.returnEmail.empty()) {
        const std::optional<MapiRecipDesc> originator =
            library_.ResolveName(owner, settings_.returnEmail);
        if (!originator) {
            return false;
        }
        mails.SetOriginator(*originator);
    }
    mails.SetTexts(game_.name, NoteText(game_.notes));
    for (int number = 1; number <= kPlayerCount; ++number) {
        if (!ComposePlayer(owner, number, mails)) {
            return false;
        }
    }
    return true;
}

bool TurnDispatcher::ComposePlayer(MapiUIParam owner, int number, TurnMailSet& mails) {
    window_.RefreshRow(number);
    const PlayerSlot& slot = game_.player(number);
    if (slot.send == 0) {
        return true;
    }
    const std::optional<MapiRecipDesc> recipient = library_.ResolveName(owner, slot.email);
    if (!recipient) {
        return false;
    }
    std::vector<Attachment> attachments{{slot.turnFile, TurnFileName(game_, number)}};
    if (game_.addFile != 0) {
        attachments.push_back({game_.filePath, AttachmentName(game_.filePath)});
    }
    mails.Add(*recipient, std::move(attachments));
    return true;
}

bool TurnDispatcher::SendAll(MapiUIParam owner, TurnMailSet& mails) {
    sentCount_ = 0;
    for (std::size_t index = 0; index < mails.size(); ++index) {
        MapiMessage message = mails.Message(index);
        if (!library_.SendMail(owner, message)) {
            return false;
        }
        ++sentCount_;
    }
    return true;
}
