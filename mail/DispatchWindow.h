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

// What a "Send Files" run needs of the main window.
class DispatchWindow : public MessageSink {
public:
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
};
