#include "OpenProfileStore.h"

#include "RegistryProfileStore.h"

std::unique_ptr<ProfileStore> OpenProfileStore(const std::string& company,
                                               const std::string& applicationName) {
    return std::make_unique<RegistryProfileStore>(company, applicationName);
}
