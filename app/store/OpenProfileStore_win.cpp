#include "OpenProfileStore.h"

#include "RegistryProfileStore.h"

std::unique_ptr<ProfileStore> OpenProfileStore(const std::string& company,
                                               const std::string& applicationName) {
    return std::make_unique<RegistryProfileStore>(company, applicationName);
}

std::unique_ptr<ProfileStore> OpenProfileStoreForReading(const std::string& company,
                                                         const std::string& applicationName,
                                                         std::string& problem) {
    return RegistryProfileStore::OpenForReading(company, applicationName, problem);
}
