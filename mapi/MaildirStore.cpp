#include "HeaderFields.h"
#include "LocalFile.h"
#include "MailStore.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Enough for any real header; a longer one is read this far.
constexpr std::size_t kLongestHeader = 1024 * 1024;
constexpr std::size_t kReadPiece = 64 * 1024;

// A file name is "<unique>:2,<flags>" (or with '!' or ';' where ':' cannot be
// used); a file still in new/ may have no info part at all.
struct MaildirName {
    std::string unique;
    std::string flags;
};

MaildirName Split(const std::string& name) {
    for (std::size_t at = 0; (at = name.find_first_of(":!;", at)) != std::string::npos; ++at) {
        if (name.compare(at + 1, 2, "2,") == 0) {
            return {name.substr(0, at), name.substr(at + 3)};
        }
    }
    return {name, {}};
}

struct StoredFile {
    std::string unique;
    std::string path;
    std::int64_t modified = 0;
    bool seen = false;
};

struct OpenedFile {
    StoredFile file;
    int fd = -1;
};

bool IsEarlier(const StoredFile& a, const StoredFile& b) {
    return a.modified != b.modified ? a.modified < b.modified : a.unique < b.unique;
}

// Up to the blank line that ends the header.
std::string HeaderOf(int fd) {
    std::string header;
    char piece[kReadPiece];
    while (header.size() < kLongestHeader) {
        const auto got = ReadFromFile(fd, piece, sizeof piece);
        if (got <= 0) {
            break;
        }
        header.append(piece, static_cast<std::size_t>(got));
        for (const std::string_view end : {"\n\n", "\r\n\r\n"}) {
            if (const auto at = header.find(end); at != std::string::npos) {
                header.resize(at + 1);
                return header;
            }
        }
    }
    return header;
}

// Read only: a file is never renamed, moved or written, so the mail tool that
// keeps the folder sees it as it left it.
class MaildirStore final : public MailStore {
public:
    explicit MaildirStore(MaildirRoute route) : m_route(std::move(route)) {}

    Status Open() override;
    Result<std::string> NextId(std::string_view seed, bool unreadOnly) override;
    Result<StoredEnvelope> Envelope(std::string_view id) override;
    Result<int> OpenMessage(std::string_view id) override;

private:
    Result<std::vector<StoredFile>> Scan() const;
    const StoredFile* Listed(std::string_view id) const;
    Result<OpenedFile> OpenById(std::string_view id) const;

    MaildirRoute m_route;
    std::optional<std::vector<StoredFile>> m_listing; // in arrival order, once per session
};

Status MaildirStore::Open() {
    if (!IsFolder(m_route.path + "/cur") || !IsFolder(m_route.path + "/new")) {
        return Failure{MAPI_E_LOGIN_FAILURE,
                       "'" + m_route.path + "' is not a Maildir: it has no cur and new folders"};
    }
    return std::nullopt;
}

Result<std::vector<StoredFile>> MaildirStore::Scan() const {
    std::vector<StoredFile> files;
    for (const std::string sub : {"cur", "new"}) {
        const auto folder = m_route.path + "/" + sub;
        auto listed = ListFolder(folder);
        if (const auto* problem = std::get_if<FileProblem>(&listed)) {
            return Failure{MAPI_E_FAILURE, "cannot read '" + folder + "': " + problem->reason};
        }
        for (const auto& entry : std::get<std::vector<FolderEntry>>(listed)) {
            if (!entry.regular || entry.name.front() == '.') {
                continue;
            }
            const auto name = Split(entry.name);
            files.push_back({name.unique, folder + "/" + entry.name, entry.modified,
                             sub == "cur" && name.flags.find('S') != std::string::npos});
        }
    }
    std::sort(files.begin(), files.end(), &IsEarlier);
    return files;
}

// A seed that is no longer here starts from the first message: its place in
// the arrival order went with its file, and the caller skips what it has seen.
Result<std::string> MaildirStore::NextId(std::string_view seed, bool unreadOnly) {
    if (!m_listing) {
        auto scanned = Scan();
        if (const auto* failure = FailureOf(scanned)) {
            return *failure;
        }
        m_listing = std::get<std::vector<StoredFile>>(std::move(scanned));
    }
    auto at = m_listing->begin();
    if (!seed.empty()) {
        const auto found =
            std::find_if(m_listing->begin(), m_listing->end(),
                         [&](const StoredFile& file) { return file.unique == seed; });
        at = found == m_listing->end() ? m_listing->begin() : found + 1;
    }
    for (; at != m_listing->end(); ++at) {
        if (!unreadOnly || !at->seen) {
            return at->unique;
        }
    }
    return Failure{MAPI_E_NO_MESSAGES, "no more messages"};
}

const StoredFile* MaildirStore::Listed(std::string_view id) const {
    if (!m_listing || id.empty()) {
        return nullptr;
    }
    const auto found = std::find_if(m_listing->begin(), m_listing->end(),
                                    [&](const StoredFile& file) { return file.unique == id; });
    return found == m_listing->end() ? nullptr : &*found;
}

// Where the listing saw it, else looked for afresh: the mail tool may have
// moved the file from new/ to cur/, or changed its flags, since.
Result<OpenedFile> MaildirStore::OpenById(std::string_view id) const {
    if (const auto* listed = Listed(id)) {
        auto opened = OpenRegularFile(listed->path);
        if (const int* fd = std::get_if<int>(&opened)) {
            return OpenedFile{*listed, *fd};
        }
    }
    auto scanned = Scan();
    if (const auto* failure = FailureOf(scanned)) {
        return *failure;
    }
    for (auto& file : std::get<std::vector<StoredFile>>(scanned)) {
        if (id.empty() || file.unique != id) {
            continue;
        }
        auto opened = OpenRegularFile(file.path);
        if (const auto* problem = std::get_if<FileProblem>(&opened)) {
            return Failure{problem->missing ? MAPI_E_INVALID_MESSAGE : MAPI_E_FAILURE,
                           "cannot read '" + file.path + "': " + problem->reason};
        }
        return OpenedFile{std::move(file), std::get<int>(opened)};
    }
    return Failure{MAPI_E_INVALID_MESSAGE,
                   "'" + std::string(id) + "' names no message in '" + m_route.path + "'"};
}

Result<StoredEnvelope> MaildirStore::Envelope(std::string_view id) {
    auto opened = OpenById(id);
    if (const auto* failure = FailureOf(opened)) {
        return *failure;
    }
    const auto& found = std::get<OpenedFile>(opened);
    const auto fields = PickHeaderFields(HeaderOf(found.fd));
    CloseFile(found.fd);
    return StoredEnvelope{fields.from, fields.subject, fields.messageId, found.file.modified,
                          found.file.seen};
}

Result<int> MaildirStore::OpenMessage(std::string_view id) {
    auto opened = OpenById(id);
    if (const auto* failure = FailureOf(opened)) {
        return *failure;
    }
    return std::get<OpenedFile>(opened).fd;
}

} // namespace

std::unique_ptr<MailStore> MakeMaildirStore(const MaildirRoute& route) {
    return std::make_unique<MaildirStore>(route);
}
