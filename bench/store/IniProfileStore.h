#pragma once

#include "ProfileStore.h"

#include <QSettings>

// The baseline the SQLite store is measured against: the same values in a
// QSettings INI file, written out whole at the end of each transaction.
class IniProfileStore final : public ProfileStore {
public:
    explicit IniProfileStore(const QString& file);

    std::string ReadStoreText(std::string_view section, std::string_view name,
                              std::string_view defaultText) override;
    std::int32_t ReadStoreInt(std::string_view section, std::string_view name,
                              std::int32_t defaultValue) override;
    void WriteStoreText(std::string_view section, std::string_view name,
                        std::string_view text) override;
    void WriteStoreInt(std::string_view section, std::string_view name,
                       std::int32_t value) override;
    void BeginTransaction() override;
    void EndTransaction() override;
    bool TakeWriteFailure() override;

private:
    QSettings m_settings;
    int m_transactionDepth = 0;
    bool m_writeFailed = false;
};
