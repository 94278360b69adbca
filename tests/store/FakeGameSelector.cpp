#include "FakeGameSelector.h"

#include <QString>

#include <algorithm>
#include <stdexcept>

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

int FakeGameSelector::AddEntry(const std::string& name) {
    const auto place = std::upper_bound(
        entries.begin(), entries.end(), name, [](const std::string& a, const std::string& b) {
            return QString::compare(Text(a), Text(b), Qt::CaseInsensitive) < 0;
        });
    const int index = static_cast<int>(place - entries.begin());
    entries.insert(place, name);
    if (selected >= index) {
        ++selected;
    }
    return index;
}

void FakeGameSelector::Fill(const std::vector<std::string>& names) {
    entries.clear();
    selected = -1;
    for (const std::string& name : names) {
        AddEntry(name);
    }
}

int FakeGameSelector::FindPrefix(const std::string& prefix) const {
    if (prefix.empty()) {
        return -1;
    }
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const std::string& entry) {
        return Text(entry).startsWith(Text(prefix), Qt::CaseInsensitive);
    });
    return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
}

void FakeGameSelector::DeleteEntry(int index) {
    if (index < 0 || index >= static_cast<int>(entries.size())) {
        throw std::out_of_range("no selector entry to delete");
    }
    entries.erase(entries.begin() + index);
    if (selected == index) {
        selected = -1;
    } else if (selected > index) {
        --selected;
    }
}

void FakeGameSelector::Select(int index) {
    selected = index;
    editText = index >= 0 ? entries.at(static_cast<std::size_t>(index)) : std::string();
}

std::string FakeGameSelector::SelectedText() const {
    return selected >= 0 ? entries.at(static_cast<std::size_t>(selected)) : std::string();
}

void FakeGameSelector::Pick(const std::string& name) {
    const auto found = std::find(entries.begin(), entries.end(), name);
    if (found == entries.end()) {
        throw std::invalid_argument("no such selector entry: " + name);
    }
    Select(static_cast<int>(found - entries.begin()));
}
