#pragma once

#include "Failure.h"
#include "ImapReply.h"

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Our side of an IMAP conversation over a connection that libcurl opened,
// secured and logged on to (CONNECT_ONLY): tagged commands, replies read by
// count of their literals, so no byte of a message can be taken for a reply.
class ImapConnection {
public:
    // `name` (scheme://host:port) prefixes every reason.
    ImapConnection(CURL* curl, std::string name);

    // The tagged status after the tag ("OK [READ-ONLY] done"), once every
    // untagged reply has gone to `onUntagged`. Fails with MAPI_E_FAILURE when
    // the server answers NO or BAD, stops answering or drops the connection.
    using ReplyHandler = std::function<void(const std::vector<ImapNode>&)>;
    Result<std::string> Command(const std::string& command, const ReplyHandler& onUntagged);

    // Sends a FETCH of one message's whole text and writes that text into `fd`
    // as it arrives. False when the server sent no text (no such message).
    // Fails as Command, and with MAPI_E_DISK_FULL when `fd` cannot take it.
    Result<bool> FetchInto(const std::string& command, int fd);

    // Says goodbye without waiting for the answer.
    void Close();

private:
    Status Send(std::string_view data);
    Status Fill();
    std::string NextTag();
    Failure Lost(const std::string& what) const;
    Result<std::string> StatusOf(std::string_view line, const std::string& tag) const;
    std::string TakeLine();
    // Copies the next `length` bytes into `fd`; with -1 reads past them.
    Status CopyLiteral(std::int64_t length, int fd);

    CURL* m_curl;
    std::string m_name;
    std::string m_buffer;
    int m_tag = 0;
};
