#pragma once

#include "GameWindow.h"

#include <string>
#include <vector>

// The selector as the main window's combo box behaves: sorted without regard
// to case, searched by case-insensitive prefix, with an edit field of its own.
class FakeGameSelector : public GameSelector {
public:
    int AddEntry(const std::string& name) override;
    void Fill(const std::vector<std::string>& names) override;
    int FindPrefix(const std::string& prefix) const override;
    void DeleteEntry(int index) override;
    void Select(int index) override;
    std::string SelectedText() const override;

    // The user picks the entry that reads exactly `name`.
    void Pick(const std::string& name);

    std::vector<std::string> entries;
    int selected = -1;
    std::string editText;
};
