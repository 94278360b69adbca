#include "TempFolder.h"

TempFolder::~TempFolder() {
    if (!m_path.empty()) {
        RemoveFolderAndFiles(m_path);
    }
}

Result<NamedFile> TempFolder::NewFile() {
    if (m_path.empty()) {
        auto created = CreateTemporaryFolder();
        if (const auto* problem = std::get_if<FileProblem>(&created)) {
            return Failure{MAPI_E_DISK_FULL, problem->reason};
        }
        m_path = std::get<std::string>(created);
    }
    auto file = CreateFileIn(m_path);
    if (const auto* problem = std::get_if<FileProblem>(&file)) {
        return Failure{MAPI_E_DISK_FULL, problem->reason};
    }
    return std::get<NamedFile>(file);
}
