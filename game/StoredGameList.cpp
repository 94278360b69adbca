#include "StoredGameList.h"

#include <algorithm>

namespace {

const std::string kNoEntry;

} // namespace

StoredGameList::StoredGameList(ProfileStore& store)
    : m_count(store.ReadStoreInt("Settings", "GameCount", 0)),
      m_entries(store.ReadStoreTextSeries("Settings", "Game", m_count)) {}

const std::string& StoredGameList::Entry(int index) const {
    if (index < 1 || index > static_cast<int>(m_entries.size())) {
        return kNoEntry;
    }
    return m_entries[static_cast<std::size_t>(index - 1)];
}

int StoredGameList::Find(const std::string& name) const {
    const auto found = std::find(m_entries.begin(), m_entries.end(), name);
    if (found != m_entries.end()) {
        return static_cast<int>(found - m_entries.begin()) + 1;
    }
    // Past the entries read, every entry up to the count is empty.
    const int read = static_cast<int>(m_entries.size());
    return name.empty() && read < m_count ? read + 1 : 0;
}
