#include "RegistryProfileStore.h"
#include "WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <utility>

namespace {

// One open registry key, closed when it goes.
class RegistryKey {
public:
    // Opens the key, creating it and every key above it that is missing; or,
    // when `readOnly`, opens it for reading only, if it exists.
    explicit RegistryKey(const std::wstring& path, bool readOnly = false)
        : m_status(readOnly ? RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &m_key)
                            : RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                                              REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                              nullptr, &m_key, nullptr)) {
        if (m_status != ERROR_SUCCESS) {
            m_key = nullptr;
        }
    }
    ~RegistryKey() {
        if (m_key != nullptr) {
            RegCloseKey(m_key);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Handle() const { return m_key; }
    LSTATUS Status() const { return m_status; }

private:
    HKEY m_key = nullptr;
    LSTATUS m_status = ERROR_SUCCESS;
};

// The system's sentence for `status`, without its final full stop.
std::string SystemMessage(LSTATUS status) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'.' || std::iswspace(message.back()) != 0)) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(status) : NarrowToUtf8(message);
}

// n when `name` reads "<prefix>n" as std::to_string writes n, 1 <= n <= last;
// else 0. The prefix is compared without regard to case, as the registry
// compares names.
std::int32_t SeriesNumber(std::wstring_view name, std::wstring_view prefix, std::int32_t last) {
    const auto length = static_cast<int>(prefix.size());
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 10 ||
        CompareStringOrdinal(name.data(), length, prefix.data(), length, TRUE) != CSTR_EQUAL ||
        name[prefix.size()] == L'0') {
        return 0;
    }
    std::int64_t number = 0;
    for (const wchar_t digit : name.substr(prefix.size())) {
        if (digit < L'0' || digit > L'9') {
            return 0;
        }
        number = number * 10 + (digit - L'0');
    }
    return number <= last ? static_cast<std::int32_t>(number) : 0;
}

// The series numbers of the values under `key`, in no particular order.
std::vector<std::int32_t> SeriesNumbers(HKEY key, std::wstring_view prefix, std::int32_t last) {
    std::vector<std::int32_t> numbers;
    DWORD longest = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return numbers;
    }
    std::wstring name(longest + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        auto length = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return numbers;
        }
        if (const std::int32_t number = SeriesNumber({name.data(), length}, prefix, last)) {
            numbers.push_back(number);
        }
    }
}

} // namespace

RegistryProfileStore::RegistryProfileStore(const std::string& company,
                                           const std::string& applicationName)
    : RegistryProfileStore(company, applicationName, Access::Normal) {}

RegistryProfileStore::RegistryProfileStore(const std::string& company,
                                           const std::string& applicationName, Access access)
    : m_applicationKey(L"Software\\" + WidenUtf8Replacing(company) + L"\\" +
                       WidenUtf8Replacing(applicationName)),
      m_access(access) {}

std::unique_ptr<RegistryProfileStore>
RegistryProfileStore::OpenForReading(const std::string& company, const std::string& applicationName,
                                     std::string& problem) {
    std::unique_ptr<RegistryProfileStore> store(
        new RegistryProfileStore(company, applicationName, Access::ReadOnly));
    const RegistryKey key(store->m_applicationKey, true);
    if (key.Status() == ERROR_SUCCESS || key.Status() == ERROR_FILE_NOT_FOUND) {
        problem.clear();
        return store;
    }
    problem = "The settings key HKEY_CURRENT_USER\\" + NarrowToUtf8(store->m_applicationKey) +
              " cannot be read: " + SystemMessage(key.Status()) + ".";
    return nullptr;
}

std::string RegistryProfileStore::ReadStoreText(std::string_view section, std::string_view name,
                                                std::string_view defaultText) {
    const RegistryKey key(SectionPath(section), m_access == Access::ReadOnly);
    const std::wstring value = WidenUtf8Replacing(name);
    DWORD size = 0;
    if (key.Handle() == nullptr || RegGetValueW(key.Handle(), nullptr, value.c_str(), RRF_RT_REG_SZ,
                                                nullptr, nullptr, &size) != ERROR_SUCCESS) {
        return std::string(defaultText);
    }
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(key.Handle(), nullptr, value.c_str(), RRF_RT_REG_SZ, nullptr, text.data(),
                     &size) != ERROR_SUCCESS) {
        return std::string(defaultText);
    }
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return NarrowToUtf8(text);
}

std::int32_t RegistryProfileStore::ReadStoreInt(std::string_view section, std::string_view name,
                                                std::int32_t defaultValue) {
    const RegistryKey key(SectionPath(section), m_access == Access::ReadOnly);
    DWORD value = 0;
    DWORD size = static_cast<DWORD>(sizeof(value));
    if (key.Handle() == nullptr ||
        RegGetValueW(key.Handle(), nullptr, WidenUtf8Replacing(name).c_str(), RRF_RT_REG_DWORD,
                     nullptr, &value, &size) != ERROR_SUCCESS) {
        return defaultValue;
    }
    return static_cast<std::int32_t>(value);
}

void RegistryProfileStore::WriteStoreText(std::string_view section, std::string_view name,
                                          std::string_view text) {
    const RegistryKey key(SectionPath(section), m_access == Access::ReadOnly);
    const std::wstring wide = WidenUtf8Replacing(text);
    const auto bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    if (key.Handle() == nullptr ||
        RegSetValueExW(key.Handle(), WidenUtf8Replacing(name).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(wide.c_str()), bytes) != ERROR_SUCCESS) {
        m_writeFailed = true;
    }
}

void RegistryProfileStore::WriteStoreInt(std::string_view section, std::string_view name,
                                         std::int32_t value) {
    const RegistryKey key(SectionPath(section), m_access == Access::ReadOnly);
    const auto number = static_cast<DWORD>(value);
    if (key.Handle() == nullptr ||
        RegSetValueExW(key.Handle(), WidenUtf8Replacing(name).c_str(), 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&number),
                       static_cast<DWORD>(sizeof(number))) != ERROR_SUCCESS) {
        m_writeFailed = true;
    }
}

std::vector<NumberedText> RegistryProfileStore::ReadStoreTextSeries(std::string_view section,
                                                                    std::string_view prefix,
                                                                    std::int32_t last) {
    std::vector<std::int32_t> numbers;
    if (last > 0) {
        const RegistryKey key(SectionPath(section), m_access == Access::ReadOnly);
        if (key.Handle() != nullptr) {
            numbers = SeriesNumbers(key.Handle(), WidenUtf8Replacing(prefix), last);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    // Each value read by name, so the series equals reading them one by one.
    std::vector<NumberedText> texts;
    for (const std::int32_t number : numbers) {
        std::string text = ReadStoreText(section, std::string(prefix) + std::to_string(number), "");
        if (!text.empty()) {
            texts.push_back({number, std::move(text)});
        }
    }
    return texts;
}

void RegistryProfileStore::BeginTransaction() {
    ++m_transactionDepth;
}

void RegistryProfileStore::EndTransaction() {
    // A read-only store has nothing of its own to flush.
    if (m_transactionDepth == 0 || --m_transactionDepth > 0 || m_access == Access::ReadOnly) {
        return;
    }
    const RegistryKey key(m_applicationKey);
    if (key.Handle() == nullptr || RegFlushKey(key.Handle()) != ERROR_SUCCESS) {
        m_writeFailed = true;
    }
}

bool RegistryProfileStore::TakeWriteFailure() {
    return std::exchange(m_writeFailed, false);
}

std::wstring RegistryProfileStore::SectionPath(std::string_view section) const {
    return section.empty() ? m_applicationKey
                           : m_applicationKey + L"\\" + WidenUtf8Replacing(section);
}
