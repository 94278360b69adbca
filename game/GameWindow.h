#pragma once

#include <string>
#include <vector>

// What the store's operations need of the main window.
class GameWindow {
public:
    virtual ~GameWindow() = default;
    // Controls into the records; false when the message text is too long
    // (the window has already said so).
    virtual bool ReadControls() = 0;
    // Records into the controls, without raising any change handler.
    virtual void WriteControls() = 0;
    virtual void RefreshRow(int number) = 0;
    virtual void RefreshFilesRow() = 0;
    virtual void RefreshAllTurnFiles() = 0;
    virtual bool IsSendBoxEnabled(int number) const = 0;
    virtual bool IsFilesBoxEnabled() const = 0;
    // Yes/No question with Yes the default and the exclamation icon; true on Yes.
    virtual bool AskYesNo(const std::string& question) = 0;
    // An OK box with the exclamation icon.
    virtual void ShowMessage(const std::string& text) = 0;
};

// The game selector: a sorted list with an edit field. Changes made through
// this interface never raise the user's selection-change handler.
class GameSelector {
public:
    virtual ~GameSelector() = default;
    // Adds an entry in sorted place (after any equal ones); returns its index.
    virtual int AddEntry(const std::string& name) = 0;
    // Replaces the entries with `names`, sorted as AddEntry one by one would
    // place them, in one go; selects nothing and leaves the edit field alone.
    virtual void Fill(const std::vector<std::string>& names) = 0;
    // First entry from the top that begins with `prefix`, ignoring case;
    // -1 when none does or `prefix` is empty.
    virtual int FindPrefix(const std::string& prefix) const = 0;
    virtual void DeleteEntry(int index) = 0;
    // Selects entry `index` (its text fills the edit field); -1 clears the selection.
    virtual void Select(int index) = 0;
    // Text of the selected entry; empty when nothing is selected.
    virtual std::string SelectedText() const = 0;
};
