#include "IniProfileStore.h"

#include <utility>

namespace {

QString Key(std::string_view section, std::string_view name) {
    return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + '/' +
           QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

IniProfileStore::IniProfileStore(const QString& file) : m_settings(file, QSettings::IniFormat) {}

std::string IniProfileStore::ReadStoreText(std::string_view section, std::string_view name,
                                           std::string_view defaultText) {
    return m_settings.value(Key(section, name), Text(defaultText)).toString().toStdString();
}

std::int32_t IniProfileStore::ReadStoreInt(std::string_view section, std::string_view name,
                                           std::int32_t defaultValue) {
    bool isNumber = false;
    const int value = m_settings.value(Key(section, name)).toInt(&isNumber);
    return isNumber ? value : defaultValue;
}

void IniProfileStore::WriteStoreText(std::string_view section, std::string_view name,
                                     std::string_view text) {
    m_settings.setValue(Key(section, name), Text(text));
}

void IniProfileStore::WriteStoreInt(std::string_view section, std::string_view name,
                                    std::int32_t value) {
    m_settings.setValue(Key(section, name), value);
}

void IniProfileStore::BeginTransaction() {
    ++m_transactionDepth;
}

void IniProfileStore::EndTransaction() {
    if (m_transactionDepth == 0 || --m_transactionDepth > 0) {
        return;
    }
    m_settings.sync();
    if (m_settings.status() != QSettings::NoError) {
        m_writeFailed = true;
    }
}

bool IniProfileStore::TakeWriteFailure() {
    return std::exchange(m_writeFailed, false);
}
