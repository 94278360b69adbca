#pragma once

#include "ProfileStore.h"

#include <memory>
#include <string>

// The current user's store of this application under the company's name:
// the registry on Windows, an SQLite file in the user's configuration folder
// elsewhere. Nothing is created before its first read or write.
std::unique_ptr<ProfileStore> OpenProfileStore(const std::string& company,
                                               const std::string& applicationName);
