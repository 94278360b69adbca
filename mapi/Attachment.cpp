#include "Attachment.h"

#include "LocalFile.h"
#include "Text.h"

namespace {

std::string BaseName(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Only a base name travels: a reader must never be steered into another folder,
// nor shown a name that carries line breaks or invisible characters.
std::string ShownNameOf(const MapiFileDesc& file) {
    std::string name = file.lpszFileName ? BaseName(file.lpszFileName) : std::string();
    if (name.empty() || name == "." || name == "..") {
        name = BaseName(file.lpszPathName);
    }
    if (name.empty() || name == "." || name == "..") {
        name = "attachment";
    }
    return WithoutControls(ValidUtf8(name), '_');
}

Result<Attachment> OpenAttachment(const MapiFileDesc& file) {
    if (!file.lpszPathName || !*file.lpszPathName) {
        return Failure{MAPI_E_ATTACHMENT_NOT_FOUND, "an attachment has no path"};
    }
    const std::string path = file.lpszPathName;
    auto opened = OpenRegularFile(path);
    if (const auto* problem = std::get_if<FileProblem>(&opened)) {
        return Failure{problem->missing ? MAPI_E_ATTACHMENT_NOT_FOUND
                                        : MAPI_E_ATTACHMENT_OPEN_FAILURE,
                       "attachment '" + path + "': " + problem->reason};
    }
    return Attachment(std::get<int>(opened), ShownNameOf(file));
}

} // namespace

Attachment::Attachment(int fd, std::string shownName)
    : m_fd(fd), m_shownName(std::move(shownName)) {}

Attachment::Attachment(Attachment&& other) noexcept
    : m_fd(other.m_fd), m_shownName(std::move(other.m_shownName)) {
    other.m_fd = -1;
}

Attachment::~Attachment() {
    if (m_fd >= 0) {
        CloseFile(m_fd);
    }
}

Result<std::vector<Attachment>> OpenAttachments(const MapiFileDesc* files, MapiULong count) {
    if (count > 0 && !files) {
        return Failure{MAPI_E_ATTACHMENT_NOT_FOUND, "attachments are counted but not given"};
    }
    std::vector<Attachment> attachments;
    attachments.reserve(count);
    for (MapiULong i = 0; i < count; ++i) {
        auto attachment = OpenAttachment(files[i]);
        if (const auto* failure = FailureOf(attachment)) {
            return *failure;
        }
        attachments.push_back(std::get<Attachment>(std::move(attachment)));
    }
    return attachments;
}
