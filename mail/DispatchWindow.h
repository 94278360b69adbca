#pragma once

#include "SimpleMapi.h"

#include <string>

// Where the mail binding shows its failures: an OK box with the exclamation
// icon, owned by the main window and captioned with the application name.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};

// The small modal window that shows the messages going out.
class SendProgress {
public:
    virtual ~SendProgress() = default;
    virtual void StartProgress(int total) = 0;
    // Shows message `number` of the total about to go and lets events
    // through; false once the host has pressed Cancel.
    virtual bool ShowProgress(int number, const std::string& text) = 0;
    virtual void EndProgress() = 0;
};

// What a "Send Files" run needs of the main window.
class DispatchWindow : public MessageSink, public SendProgress {
public:
    // The report of a run that sent everything: how many went out.
    virtual void ShowReport(const std::string& text) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Takes the mouse and keyboard away from every control for the mail calls.
    virtual void Block() = 0;
    // Releases the capture, enables and activates the window, gives it focus.
    virtual void GiveBack() = 0;
    virtual bool ReadControls() = 0;
    virtual void RefreshRow(int number) = 0;
    // The owner handed to every mail call as its UI parameter.
    virtual MapiUIParam OwnerHandle() const = 0;
    // "Send anyway" or "Cancel", Cancel the default; true on "Send anyway".
    virtual bool AskSendAnyway(const std::string& warnings) = 0;
    // "Send to those not sent" or "OK"; true on the first.
    virtual bool AskSendRest(const std::string& outcome) = 0;
};
