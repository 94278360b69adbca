#pragma once

#include "Failure.h"
#include "LocalFile.h"

#include <string>

// The one folder of a reading session where attachments are put for the
// caller, made when first needed; whatever the caller left in it goes with
// the session.
class TempFolder {
public:
    TempFolder() = default;
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // A new file, named by us, open for writing. Fails with MAPI_E_DISK_FULL.
    Result<NamedFile> NewFile();

private:
    std::string m_path;
};
