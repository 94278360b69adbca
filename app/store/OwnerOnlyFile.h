#pragma once

#include <QString>

#include <filesystem>

// Makes sure `file` exists and is open to its owner only (0600), creating
// the folders above it as needed, each open to its owner only (0700),
// whatever the umask. Folders that exist already are left as they are.
// False when the file or a folder cannot be created.
bool PrepareOwnerOnlyFile(const std::filesystem::path& file);

// Makes sure `folder` exists, creating the missing folders above it, each
// open to its owner only (0700). False when one cannot be created.
bool PrepareOwnerOnlyFolder(const QString& folder);
