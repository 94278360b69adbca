#pragma once

#include "GameWindow.h"

#include <QObject>

class QComboBox;

// The game selector as the store sees it: a sorted list, searched by
// case-insensitive prefix from the top, whose edit field the user may type in.
// Entries come in only through AddEntry and Fill, which keep them sorted, so
// placing and searching take a binary search, not a pass over the list.
class GameSelectorBox : public QObject, public GameSelector {
    Q_OBJECT
public:
    explicit GameSelectorBox(QComboBox& box);

    int AddEntry(const std::string& name) override;
    void Fill(const std::vector<std::string>& names) override;
    int FindPrefix(const std::string& prefix) const override;
    void DeleteEntry(int index) override;
    void Select(int index) override;
    std::string SelectedText() const override;

    // The exchange's write rule: select the first entry that begins with
    // `name`, else put `name` into the edit field and leave the selection.
    void ShowName(const QString& name);
    QString EditText() const;

protected:
    // Enter in the edit field presses the dialog's default button instead of
    // picking an entry, as everywhere else in the window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where `text` goes in the sorted list: after every entry that sorts
    // before it and, with `afterEqual`, after those equal to it too.
    int SortedPlace(const QString& text, bool afterEqual) const;
    void SetEditTextIfDifferent(const QString& text);

    QComboBox& m_box;
};
