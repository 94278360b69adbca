#include "ImapConnection.h"

#include "LocalFile.h"
#include "Socket.h"

#include <algorithm>
#include <cstdlib>

namespace {

// As long as the SMTP side waits for a reply.
constexpr int kReplySeconds = 30;
constexpr std::size_t kReadPiece = 64 * 1024;

curl_socket_t SocketOf(CURL* curl) {
    curl_socket_t socket = CURL_SOCKET_BAD;
    curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &socket);
    return socket;
}

bool IsTagged(std::string_view line, const std::string& tag) {
    return line.size() > tag.size() && line.substr(0, tag.size()) == tag && line[tag.size()] == ' ';
}

// The length of the literal that ends an untagged line, or -1.
std::int64_t TrailingLiteral(std::string_view line) {
    const auto open = line.rfind('{');
    if (line.substr(0, 2) != "* " || open == std::string_view::npos || line.back() != '}') {
        return -1;
    }
    char* end = nullptr;
    const auto length = std::strtoll(line.data() + open + 1, &end, 10);
    return end == line.data() + line.size() - 1 ? length : -1;
}

} // namespace

ImapConnection::ImapConnection(CURL* curl, std::string name)
    : m_curl(curl), m_name(std::move(name)) {}

std::string ImapConnection::NextTag() {
    return "Z" + std::to_string(++m_tag);
}

Failure ImapConnection::Lost(const std::string& what) const {
    return {MAPI_E_FAILURE, m_name + ": " + what};
}

Status ImapConnection::Send(std::string_view data) {
    while (!data.empty()) {
        std::size_t sent = 0;
        const auto code = curl_easy_send(m_curl, data.data(), data.size(), &sent);
        if (code == CURLE_AGAIN) {
            if (!WaitForSocket(SocketOf(m_curl), true, kReplySeconds)) {
                return Lost("the server stopped taking our commands");
            }
            continue;
        }
        if (code != CURLE_OK) {
            return Lost(std::string("connection lost: ") + curl_easy_strerror(code));
        }
        data.remove_prefix(sent);
    }
    return std::nullopt;
}

Status ImapConnection::Fill() {
    char piece[kReadPiece];
    for (;;) {
        std::size_t got = 0;
        const auto code = curl_easy_recv(m_curl, piece, sizeof piece, &got);
        if (code == CURLE_OK && got > 0) {
            m_buffer.append(piece, got);
            return std::nullopt;
        }
        if (code == CURLE_OK) {
            return Lost("the server closed the connection");
        }
        if (code != CURLE_AGAIN) {
            return Lost(std::string("connection lost: ") + curl_easy_strerror(code));
        }
        if (!WaitForSocket(SocketOf(m_curl), false, kReplySeconds)) {
            return Lost("the server stopped answering");
        }
    }
}

Result<std::string> ImapConnection::StatusOf(std::string_view line, const std::string& tag) const {
    auto status = std::string(line.substr(tag.size() + 1));
    while (!status.empty() && (status.back() == '\r' || status.back() == '\n')) {
        status.pop_back();
    }
    if (status.compare(0, 3, "OK ") != 0 && status != "OK") {
        return Failure{MAPI_E_FAILURE, m_name + ": the server refused: " + status};
    }
    return status;
}

Result<std::string> ImapConnection::Command(const std::string& command,
                                            const ReplyHandler& onUntagged) {
    const auto tag = NextTag();
    if (auto failure = Send(tag + " " + command + "\r\n")) {
        return *failure;
    }
    std::size_t pos = 0;
    std::vector<ImapNode> reply;
    for (;;) {
        const auto start = pos;
        if (!ReadImapReply(m_buffer, pos, reply)) {
            m_buffer.erase(0, start);
            pos = 0;
            if (auto failure = Fill()) {
                return *failure;
            }
            continue;
        }
        const std::string_view line(m_buffer.data() + start, pos - start);
        if (IsTagged(line, tag)) {
            auto status = StatusOf(line.substr(0, line.find_first_of("\r\n")), tag);
            m_buffer.erase(0, pos);
            return status;
        }
        if (!reply.empty() && IsAtom(reply[0], "*")) {
            onUntagged(reply);
        }
    }
}

std::string ImapConnection::TakeLine() {
    const auto end = m_buffer.find("\r\n");
    auto line = m_buffer.substr(0, end);
    m_buffer.erase(0, end + 2);
    return line;
}

Status ImapConnection::CopyLiteral(std::int64_t length, int fd) {
    while (length > 0) {
        if (m_buffer.empty()) {
            if (auto failure = Fill()) {
                return failure;
            }
        }
        const auto take = static_cast<std::size_t>(
            std::min<std::int64_t>(length, static_cast<std::int64_t>(m_buffer.size())));
        if (fd >= 0 && !WriteToFile(fd, m_buffer.data(), take)) {
            return Failure{MAPI_E_DISK_FULL, "cannot write the message to a temporary file"};
        }
        m_buffer.erase(0, take);
        length -= static_cast<std::int64_t>(take);
    }
    return std::nullopt;
}

// Read line by line, the literal by its count: whatever the message holds, the
// tagged line is only ever looked for outside it.
Result<bool> ImapConnection::FetchInto(const std::string& command, int fd) {
    const auto tag = NextTag();
    if (auto failure = Send(tag + " " + command + "\r\n")) {
        return *failure;
    }
    bool found = false;
    for (;;) {
        if (m_buffer.find("\r\n") == std::string::npos) {
            if (auto failure = Fill()) {
                return *failure;
            }
            continue;
        }
        const auto line = TakeLine();
        if (IsTagged(line, tag)) {
            auto status = StatusOf(line, tag);
            if (const auto* failure = FailureOf(status)) {
                return *failure;
            }
            return found;
        }
        const auto length = TrailingLiteral(line);
        if (length < 0) {
            continue; // an untagged reply of no interest, or the rest after a literal
        }
        // Only the first text is the message; anything after it is read past.
        if (auto failure = CopyLiteral(length, found ? -1 : fd)) {
            return *failure;
        }
        found = true;
    }
}

void ImapConnection::Close() {
    Send(NextTag() + " LOGOUT\r\n");
}
