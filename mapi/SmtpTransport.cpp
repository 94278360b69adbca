#include "LocalFile.h"
#include "Secrets.h"
#include "Socket.h"
#include "Transport.h"

#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// Bounded waits: a server that stops answering fails the call well within a minute.
constexpr long kConnectTimeoutSeconds = 20;
constexpr long kReplyTimeoutSeconds = 30;
constexpr long kStalledUploadSeconds = 30;

using CurlList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

// What the server refused, and to which command, read from libcurl's protocol
// trace. Only command names are kept: AUTH exchanges carry the password, and
// what the server says is kept with every trace of it hidden.
class Conversation {
public:
    Conversation(std::string_view user, std::string_view password) : m_secrets(user, password) {}
    void Reset() {
        m_lastCommand.clear();
        m_lastReply.clear();
        m_refusedCommand.clear();
        m_refusal.clear();
        m_refusalCode = 0;
        m_replies = 0;
    }
    void Heard(std::string_view lines);
    void Said(std::string_view line);

    // The first refusal (4xx/5xx) of this exchange, else the last reply.
    const std::string& Telling() const { return m_refusal.empty() ? m_lastReply : m_refusal; }
    const std::string& RefusedCommand() const { return m_refusedCommand; }
    int RefusalCode() const { return m_refusalCode; }
    int Replies() const { return m_replies; }
    bool Authenticated() const { return m_authenticated; }

private:
    Secrets m_secrets;
    std::string m_lastCommand;
    std::string m_lastReply;
    std::string m_refusedCommand;
    std::string m_refusal;
    int m_refusalCode = 0;
    int m_replies = 0;
    bool m_authenticated = false;
};

void Conversation::Heard(std::string_view lines) {
    while (!lines.empty() && (lines.back() == '\n' || lines.back() == '\r')) {
        lines.remove_suffix(1);
    }
    const auto lastLine = lines.substr(lines.find_last_of('\n') + 1);
    const int code = std::atoi(std::string(lastLine.substr(0, 3)).c_str());
    m_lastReply = m_secrets.Hide(lastLine);
    ++m_replies;
    if (code == 235) {
        m_authenticated = true;
    }
    // The first refusal is the cause; libcurl's QUIT after it says nothing new.
    if (code >= 400 && m_refusal.empty()) {
        m_refusal = m_lastReply;
        m_refusalCode = code;
        m_refusedCommand = m_lastCommand;
    }
}

// "AUTH <mechanism> [payload]" and the lines that answer the server's challenges
// carry the logon.
void Conversation::Said(std::string_view line) {
    line = line.substr(0, line.find_first_of("\r\n"));
    const auto verb = line.substr(0, line.find(' '));
    for (std::string_view known :
         {"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL", "RCPT", "DATA", "NOOP", "RSET", "QUIT"}) {
        if (verb == known) {
            m_lastCommand = std::string(known);
            const auto payload = line.find(' ', verb.size() + 1);
            if (verb == "AUTH" && payload != std::string_view::npos) {
                m_secrets.Add(line.substr(payload + 1));
            }
            return;
        }
    }
    if (m_lastCommand == "AUTH") {
        m_secrets.Add(line);
    }
}

int TraceConversation(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* conversation = static_cast<Conversation*>(user);
    if (type == CURLINFO_HEADER_IN) {
        conversation->Heard({data, size});
    } else if (type == CURLINFO_HEADER_OUT) {
        conversation->Said({data, size});
    }
    return 0;
}

size_t DiscardReply(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t ReadSpool(char* buffer, size_t size, size_t count, void* user) {
    const auto done = ReadFromFile(*static_cast<int*>(user), buffer, size * count);
    return done < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(done);
}

bool IsLostConnection(CURLcode code) {
    return code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING;
}

class SmtpTransport final : public Transport {
public:
    SmtpTransport(SmtpRoute route, std::string password);
    ~SmtpTransport() override { curl_easy_cleanup(m_curl); }
    SmtpTransport(const SmtpTransport&) = delete;
    SmtpTransport& operator=(const SmtpTransport&) = delete;

    Status Open() override;
    Status Send(const Envelope& envelope, const SpoolFile& message) override;
    LineBreaks LineBreakStyle() const override { return LineBreaks::Crlf; }

private:
    void Configure();
    CURLcode Perform();
    void DropConnection();
    std::string Reason(CURLcode code) const;
    Failure LogonFailure(CURLcode code) const;
    Failure SendFailure(CURLcode code) const;
    CURLcode Transfer(const Envelope& envelope, const SpoolFile& message, std::int64_t size);

    SmtpRoute m_route;
    std::string m_password;
    CURL* m_curl;
    Conversation m_conversation;
    char m_error[CURL_ERROR_SIZE] = {};
    int m_spoolFd = -1;
};

SmtpTransport::SmtpTransport(SmtpRoute route, std::string password)
    : m_route(std::move(route)), m_password(std::move(password)), m_curl(curl_easy_init()),
      m_conversation(m_route.user, m_password) {
    if (m_curl) {
        Configure();
    }
}

void SmtpTransport::Configure() {
    curl_easy_setopt(m_curl, CURLOPT_URL, m_route.url.c_str());
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_error);
    curl_easy_setopt(m_curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(m_curl, CURLOPT_DEBUGFUNCTION, &TraceConversation);
    curl_easy_setopt(m_curl, CURLOPT_DEBUGDATA, &m_conversation);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &DiscardReply);
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(m_curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, kReplyTimeoutSeconds);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, kStalledUploadSeconds);
    curl_easy_setopt(m_curl, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(m_curl, CURLOPT_SOCKOPTFUNCTION, &PrepareSendingSocket);
    if (const char* bundle = std::getenv("SSL_CERT_FILE"); bundle && *bundle) {
        curl_easy_setopt(m_curl, CURLOPT_CAINFO, bundle);
    }
    // A password never crosses an unencrypted connection; without one, STARTTLS
    // is still used whenever the server offers it.
    curl_easy_setopt(m_curl, CURLOPT_USE_SSL,
                     m_password.empty() ? static_cast<long>(CURLUSESSL_TRY)
                                        : static_cast<long>(CURLUSESSL_ALL));
    if (!m_password.empty()) {
        curl_easy_setopt(m_curl, CURLOPT_USERNAME, m_route.user.c_str());
        curl_easy_setopt(m_curl, CURLOPT_PASSWORD, m_password.c_str());
    }
}

CURLcode SmtpTransport::Perform() {
    m_error[0] = '\0';
    m_conversation.Reset();
    const auto code = curl_easy_perform(m_curl);
    if (code == CURLE_OPERATION_TIMEDOUT) {
        DropConnection();
    }
    return code;
}

// libcurl keeps a connection whose reply timed out, and would later say QUIT on
// it and wait out the reply timeout once more; abandoned, it is never used
// again and that wait ends at once.
void SmtpTransport::DropConnection() {
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(m_curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
        socket != CURL_SOCKET_BAD) {
        AbandonConnection(socket);
    }
}

std::string SmtpTransport::Reason(CURLcode code) const {
    std::string text = m_error[0] ? m_error : curl_easy_strerror(code);
    if (!m_conversation.Telling().empty()) {
        text += " (server: " + m_conversation.Telling() + ")";
    }
    return m_route.url + ": " + text;
}

Failure SmtpTransport::LogonFailure(CURLcode code) const {
    if (code == CURLE_USE_SSL_FAILED) {
        return {MAPI_E_LOGIN_FAILURE, m_route.url +
                                          ": the server offers no STARTTLS, and the password "
                                          "is never sent unencrypted"};
    }
    return {MAPI_E_LOGIN_FAILURE, Reason(code)};
}

Status SmtpTransport::Open() {
    if (!m_curl) {
        return Failure{MAPI_E_INSUFFICIENT_MEMORY, "cannot start libcurl"};
    }
    if (!m_password.empty() && m_route.user.empty()) {
        return Failure{MAPI_E_LOGIN_FAILURE, m_route.url +
                                                 ": a password is set but the "
                                                 "profile names no user (smtp://user@host)"};
    }
    // NOOP after greeting, TLS and AUTH: the connection stays open for the session.
    curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, "NOOP");
    const auto code = Perform();
    curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, nullptr);
    if (code != CURLE_OK) {
        return LogonFailure(code);
    }
    if (!m_password.empty() && !m_conversation.Authenticated()) {
        return Failure{MAPI_E_LOGIN_FAILURE,
                       m_route.url + ": the server did not authenticate us (no AUTH offered)"};
    }
    return std::nullopt;
}

Failure SmtpTransport::SendFailure(CURLcode code) const {
    const auto reply = m_conversation.RefusalCode();
    const auto& command = m_conversation.RefusedCommand();
    if (code == CURLE_LOGIN_DENIED || reply == 530 || reply == 535) {
        return {MAPI_E_LOGIN_FAILURE, "authentication lost: " + Reason(code)};
    }
    if (command == "RCPT" && reply >= 400) {
        return {MAPI_E_UNKNOWN_RECIPIENT, "recipient refused: " + Reason(code)};
    }
    if (reply == 552) {
        return {MAPI_E_FAILURE, "message too large: " + Reason(code)};
    }
    if (code == CURLE_OPERATION_TIMEDOUT) {
        return {MAPI_E_FAILURE, "the server stopped answering: " + Reason(code)};
    }
    if (IsLostConnection(code)) {
        return {MAPI_E_FAILURE, "connection lost: " + Reason(code)};
    }
    return {MAPI_E_FAILURE, "message refused: " + Reason(code)};
}

CURLcode SmtpTransport::Transfer(const Envelope& envelope, const SpoolFile& message,
                                 std::int64_t size) {
    CurlList recipients(nullptr, &curl_slist_free_all);
    for (const auto& recipient : envelope.recipients) {
        auto* grown = curl_slist_append(recipients.get(), ("<" + recipient + ">").c_str());
        if (!grown) {
            return CURLE_OUT_OF_MEMORY;
        }
        recipients.release();
        recipients.reset(grown);
    }
    if (message.Rewind()) {
        return CURLE_READ_ERROR;
    }
    m_spoolFd = message.Fd();
    const auto sender = "<" + envelope.sender + ">";
    curl_easy_setopt(m_curl, CURLOPT_MAIL_FROM, sender.c_str());
    curl_easy_setopt(m_curl, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, &ReadSpool);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, &m_spoolFd);
    curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    const auto code = Perform();
    curl_easy_setopt(m_curl, CURLOPT_MAIL_RCPT, nullptr);
    return code;
}

Status SmtpTransport::Send(const Envelope& envelope, const SpoolFile& message) {
    if (!m_curl) {
        return Failure{MAPI_E_INSUFFICIENT_MEMORY, "cannot start libcurl"};
    }
    auto size = message.Size();
    if (const auto* failure = FailureOf(size)) {
        return *failure;
    }
    auto code = Transfer(envelope, message, std::get<std::int64_t>(size));
    // The server closed the idle connection before it heard anything of this
    // message: nothing can have been delivered, so one new connection is safe.
    if (IsLostConnection(code) && m_conversation.Replies() == 0) {
        curl_easy_setopt(m_curl, CURLOPT_FRESH_CONNECT, 1L);
        code = Transfer(envelope, message, std::get<std::int64_t>(size));
        curl_easy_setopt(m_curl, CURLOPT_FRESH_CONNECT, 0L);
    }
    if (code != CURLE_OK) {
        return SendFailure(code);
    }
    return std::nullopt;
}

} // namespace

std::unique_ptr<Transport> MakeSmtpTransport(const SmtpRoute& route, std::string password) {
    return std::make_unique<SmtpTransport>(route, std::move(password));
}
