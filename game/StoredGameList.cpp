#include "StoredGameList.h"

#include <algorithm>

namespace {

const std::string kNoEntry;

} // namespace

StoredGameList::StoredGameList(ProfileStore& store)
    : m_count(store.ReadStoreInt("Settings", "GameCount", 0)),
      m_entries(store.ReadStoreTextSeries("Settings", "Game", m_count)) {}

const std::string& StoredGameList::Entry(int index) const {
    const auto found = std::lower_bound(
        m_entries.begin(), m_entries.end(), index,
        [](const NumberedText& entry, int number) { return entry.number < number; });
    return found != m_entries.end() && found->number == index ? found->text : kNoEntry;
}

int StoredGameList::Find(const std::string& name) const {
    if (name.empty()) {
        return FirstEmpty();
    }
    const auto found =
        std::find_if(m_entries.begin(), m_entries.end(),
                     [&name](const NumberedText& entry) { return entry.text == name; });
    return found != m_entries.end() ? found->number : 0;
}

int StoredGameList::FirstEmpty() const {
    int index = 1;
    for (const NumberedText& entry : m_entries) {
        if (entry.number != index) {
            break;
        }
        ++index;
    }
    return index <= m_count ? index : 0;
}
