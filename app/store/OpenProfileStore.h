#pragma once

#include "ProfileStore.h"

#include <memory>
#include <string>

// The current user's store of this application under the company's name:
// the registry on Windows, an SQLite file in the user's configuration folder
// elsewhere. Nothing is created before its first read or write.
std::unique_ptr<ProfileStore> OpenProfileStore(const std::string& company,
                                               const std::string& applicationName);

// The same store opened only to be read: nothing is created, written, moved
// or repaired. A store that does not exist yet reads as empty. Null, with
// `problem` saying why in a sentence for the host, when it exists but cannot
// be read (damaged, unreadable, not a store).
std::unique_ptr<ProfileStore> OpenProfileStoreForReading(const std::string& company,
                                                         const std::string& applicationName,
                                                         std::string& problem);
