#pragma once

#include <QString>

// Where the system has owner-only modes, the send record and its locks are
// kept from other users: files 0600, folders 0700, whatever the umask.

// Creates `file` and the folders above it where missing. False when it
// could not; the caller learns why when it opens the file.
bool PrepareRecordFile(const QString& file);
// Creates `folder` and the folders above it where missing. False when it
// could not.
bool MakeOwnerOnlyFolder(const QString& folder);
