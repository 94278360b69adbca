#pragma once

#include "ProfileStore.h"

#include <memory>
#include <string>

// The profile store in the registry, under the key
// HKEY_CURRENT_USER\Software\<company>\<application name>: one key per
// section (the empty section is the application key itself), texts as REG_SZ
// and integers as REG_DWORD.
// Keys are created as needed, by reads too (unless the store was opened for
// reading only), and closed after every value.
// The registry offers no transactions: the outermost EndTransaction flushes
// the application key to disk, but a crash during an operation may keep
// part of it.
class RegistryProfileStore final : public ProfileStore {
public:
    RegistryProfileStore(const std::string& company, const std::string& applicationName);
    // The store opened now, only to be read: no key is created, every write
    // fails. A missing application key reads as empty. Null, with `problem`
    // saying why for the host, when the key exists but cannot be read.
    static std::unique_ptr<RegistryProfileStore> OpenForReading(const std::string& company,
                                                                const std::string& applicationName,
                                                                std::string& problem);

    std::string ReadStoreText(std::string_view section, std::string_view name,
                              std::string_view defaultText) override;
    std::int32_t ReadStoreInt(std::string_view section, std::string_view name,
                              std::int32_t defaultValue) override;
    void WriteStoreText(std::string_view section, std::string_view name,
                        std::string_view text) override;
    void WriteStoreInt(std::string_view section, std::string_view name,
                       std::int32_t value) override;
    // Reads only the numbers whose values exist, so a huge `last` (a damaged
    // "GameCount") costs no more than the values present.
    std::vector<NumberedText> ReadStoreTextSeries(std::string_view section, std::string_view prefix,
                                                  std::int32_t last) override;
    void BeginTransaction() override;
    void EndTransaction() override;
    bool TakeWriteFailure() override;

private:
    enum class Access { Normal, ReadOnly };

    RegistryProfileStore(const std::string& company, const std::string& applicationName,
                         Access access);
    std::wstring SectionPath(std::string_view section) const;

    std::wstring m_applicationKey;
    Access m_access = Access::Normal;
    int m_transactionDepth = 0;
    bool m_writeFailed = false;
};
