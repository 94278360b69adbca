#include "MessageParser.h"

#include "Text.h"

#include <gmime/gmime.h>

#include <memory>

namespace {

constexpr int kDeepestNesting = 16;
constexpr gint64 kLargestNote = 16 * 1024 * 1024;
constexpr std::size_t kReadPiece = 64 * 1024;

struct Unref {
    void operator()(void* object) const {
        if (object) {
            g_object_unref(object);
        }
    }
};
template <class T> using GObjectPtr = std::unique_ptr<T, Unref>;

struct OptionsFree {
    void operator()(GMimeParserOptions* options) const { g_mime_parser_options_free(options); }
};

bool IsBase64Symbol(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// Counts base64 symbols, checking each byte; empty while all is well.
class Base64Check {
public:
    std::string Take(const char* data, std::size_t size);
    std::string Finish() const;

private:
    long long m_symbols = 0;
    int m_padding = 0;
};

std::string Base64Check::Take(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        if (c == '=' && m_padding < 2) {
            ++m_padding;
        } else if (!IsBase64Symbol(c) || m_padding > 0) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", c);
            return std::string("byte ") + hex + " after " + std::to_string(m_symbols) +
                   " base64 symbols";
        }
        ++m_symbols;
    }
    return {};
}

std::string Base64Check::Finish() const {
    if (m_symbols % 4 != 0) {
        return std::to_string(m_symbols) + " base64 symbols, which is not a whole number of groups";
    }
    return {};
}

// GMime passes over characters that are not base64 without a word, so the
// encoded text is checked here, in pieces, before it is decoded.
std::string Base64Damage(GMimeDataWrapper* content) {
    GMimeStream* raw = g_mime_data_wrapper_get_stream(content);
    g_mime_stream_reset(raw);
    Base64Check check;
    char piece[kReadPiece];
    std::string damage;
    // A bounded file stream answers -1 at its end, so the end is asked for.
    while (damage.empty() && !g_mime_stream_eos(raw)) {
        const auto got = g_mime_stream_read(raw, piece, sizeof piece);
        if (got < 0 && !g_mime_stream_eos(raw)) {
            damage = "its text cannot be read";
        } else if (got > 0) {
            damage = check.Take(piece, static_cast<std::size_t>(got));
        }
    }
    g_mime_stream_reset(raw);
    return damage.empty() ? check.Finish() : damage;
}

std::string PartName(GMimePart* part) {
    const char* name = g_mime_part_get_filename(part);
    return name ? ValidUtf8(name) : std::string();
}

bool IsAttachment(GMimePart* part) {
    return g_mime_part_get_filename(part) || g_mime_part_is_attachment(part);
}

bool IsPlainText(GMimeObject* object) {
    GMimeContentType* type = g_mime_object_get_content_type(object);
    return GMIME_IS_TEXT_PART(object) && type && g_mime_content_type_is_type(type, "text", "plain");
}

class MessageParser {
public:
    MessageParser(TempFolder& folder, bool withFiles) : m_folder(folder), m_withFiles(withFiles) {}
    ~MessageParser();
    MessageParser(const MessageParser&) = delete;
    MessageParser& operator=(const MessageParser&) = delete;

    Result<ReadBody> Parse(int fd);

private:
    static void OnWarning(gint64, GMimeParserWarning code, const gchar*, gpointer self);
    Status Walk(GMimeObject* object, int depth, bool attachedMessage);
    Status TakePart(GMimePart* part, bool attachedMessage);
    Status TakeNote(GMimePart* part);
    Status SaveAttachment(GMimePart* part);
    Failure Damaged(const std::string& what) const;

    TempFolder& m_folder;
    bool m_withFiles;
    std::string m_damage; // what the parser found wrong
    bool m_haveNote = false;
    bool m_succeeded = false;
    ReadBody m_body;
};

MessageParser::~MessageParser() {
    if (!m_succeeded) {
        for (const auto& file : m_body.files) {
            RemoveFile(file.path);
        }
    }
}

void MessageParser::OnWarning(gint64, GMimeParserWarning code, const gchar*, gpointer self) {
    auto* parser = static_cast<MessageParser*>(self);
    if (!parser->m_damage.empty()) {
        return;
    }
    if (code == GMIME_WARN_TRUNCATED_MESSAGE) {
        parser->m_damage = "the message is cut short: a part ends before its closing boundary";
    } else if (code == GMIME_CRIT_NESTING_OVERFLOW) {
        parser->m_damage = "the message nests its parts too deeply";
    }
}

Failure MessageParser::Damaged(const std::string& what) const {
    return {MAPI_E_INVALID_MESSAGE, "the message is damaged: " + what};
}

Result<ReadBody> MessageParser::Parse(int fd) {
    GObjectPtr<GMimeStream> stream(g_mime_stream_fs_new(fd));
    // Parts stay ranges of the file: a large attachment is never held in memory.
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_persist_stream(parser.get(), TRUE);
    std::unique_ptr<GMimeParserOptions, OptionsFree> options(g_mime_parser_options_new());
    g_mime_parser_options_set_warning_callback(options.get(), &MessageParser::OnWarning, this);
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options.get()));
    if (!message) {
        return Failure{MAPI_E_INVALID_MESSAGE, "the message cannot be read as mail"};
    }
    GMimeObject* root = g_mime_message_get_mime_part(message.get());
    if (auto failure = root ? Walk(root, 0, false) : Status{}) {
        return *failure;
    }
    if (!m_damage.empty()) {
        return Damaged(m_damage);
    }
    m_succeeded = true;
    return std::move(m_body);
}

Status MessageParser::Walk(GMimeObject* object, int depth, bool attachedMessage) {
    if (depth > kDeepestNesting) {
        return Damaged("it nests its parts more than " + std::to_string(kDeepestNesting) + " deep");
    }
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) {
            if (auto failure =
                    Walk(g_mime_multipart_get_part(multipart, i), depth + 1, attachedMessage)) {
                return failure;
            }
        }
    } else if (GMIME_IS_MESSAGE_PART(object)) {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        GMimeObject* innerRoot = inner ? g_mime_message_get_mime_part(inner) : nullptr;
        if (innerRoot) {
            return Walk(innerRoot, depth + 1, true);
        }
    } else if (GMIME_IS_PART(object)) {
        return TakePart(GMIME_PART(object), attachedMessage);
    }
    return std::nullopt;
}

// The note is the first plain text of the message itself; text in an
// attached message belongs to that message.
Status MessageParser::TakePart(GMimePart* part, bool attachedMessage) {
    const bool attachment = IsAttachment(part);
    const bool note =
        !attachment && !attachedMessage && !m_haveNote && IsPlainText(GMIME_OBJECT(part));
    if (!attachment && !note) {
        return std::nullopt;
    }
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (content && g_mime_part_get_content_encoding(part) == GMIME_CONTENT_ENCODING_BASE64) {
        const auto damage = Base64Damage(content);
        if (!damage.empty()) {
            const auto name = PartName(part);
            return Damaged(name.empty() ? damage : "'" + name + "': " + damage);
        }
    }
    return attachment ? (m_withFiles ? SaveAttachment(part) : Status{}) : TakeNote(part);
}

Status MessageParser::TakeNote(GMimePart* part) {
    m_haveNote = true;
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) {
        return std::nullopt;
    }
    if (g_mime_stream_length(g_mime_data_wrapper_get_stream(content)) > kLargestNote) {
        return Failure{MAPI_E_TEXT_TOO_LARGE, "the message's text is larger than 16 MB"};
    }
    std::unique_ptr<char, decltype(&g_free)> text(g_mime_text_part_get_text(GMIME_TEXT_PART(part)),
                                                  &g_free);
    m_body.note = text ? ValidUtf8(text.get()) : std::string();
    return std::nullopt;
}

// Decoded in pieces straight into the file.
Status MessageParser::SaveAttachment(GMimePart* part) {
    auto created = m_folder.NewFile();
    if (const auto* failure = FailureOf(created)) {
        return *failure;
    }
    const auto file = std::get<NamedFile>(created);
    m_body.files.push_back({file.path, PartName(part)});
    GObjectPtr<GMimeStream> out(g_mime_stream_fs_new(file.fd));
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if ((content && g_mime_data_wrapper_write_to_stream(content, out.get()) < 0) ||
        g_mime_stream_flush(out.get()) != 0) {
        return Failure{MAPI_E_ATTACHMENT_WRITE_FAILURE,
                       "cannot write an attachment to '" + file.path + "'"};
    }
    return std::nullopt;
}

} // namespace

Result<ReadBody> ParseMessage(int fd, TempFolder& folder, bool withFiles) {
    MessageParser parser(folder, withFiles);
    return parser.Parse(fd);
}
