#include "MessageBuilder.h"

#include "Text.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
template <class T> using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(void* memory) const { g_free(memory); }
};

// Header values are single lines of valid UTF-8; GMime encodes them per RFC 2047.
std::string HeaderText(std::string_view text) {
    return WithoutControls(ValidUtf8(text), ' ');
}

// The whole text as base64 encoded words, one folded line each, never splitting
// a character, in the raw form GMime writes out as it stands.
std::string EncodedWords(std::string_view utf8) {
    constexpr std::size_t kBytesPerWord = 39; // the first line stays within 78 characters
    std::string raw;
    while (!utf8.empty()) {
        auto size = std::min(kBytesPerWord, utf8.size());
        while (size < utf8.size() && (static_cast<unsigned char>(utf8[size]) & 0xC0) == 0x80) {
            --size;
        }
        std::unique_ptr<char, GFree> base64(
            g_base64_encode(reinterpret_cast<const guchar*>(utf8.data()), size));
        raw += " =?utf-8?b?" + std::string(base64.get()) + "?=\n";
        utf8.remove_prefix(size);
    }
    return raw;
}

// Readers decode anything shaped like an encoded word, so a subject holding "=?"
// goes out wholly encoded and reads as typed.
void SetSubject(GMimeMessage* message, std::string_view typed) {
    const auto subject = HeaderText(typed);
    g_mime_message_set_subject(message, subject.c_str(), "utf-8");
    if (subject.find("=?") == std::string::npos) {
        return;
    }
    auto* headers = g_mime_object_get_header_list(GMIME_OBJECT(message));
    g_mime_header_set_raw_value(g_mime_header_list_get_header(headers, "Subject"),
                                EncodedWords(subject).c_str());
}

std::string DomainOf(const std::string& address) {
    const auto at = address.rfind('@');
    return at == std::string::npos ? "localhost" : address.substr(at + 1);
}

void AddMailboxes(GMimeMessage* message, GMimeAddressType type,
                  const std::vector<Mailbox>& mailboxes) {
    auto* list = g_mime_message_get_addresses(message, type);
    for (const auto& mailbox : mailboxes) {
        GPtr<InternetAddress> address(internet_address_mailbox_new(HeaderText(mailbox.name).c_str(),
                                                                   mailbox.address.c_str()));
        // GMime would pick a charset by the system's locale; UTF-8 reads the same everywhere.
        internet_address_set_charset(address.get(), "UTF-8");
        internet_address_list_add(list, address.get());
    }
}

void SetHeaders(GMimeMessage* message, const MessageContent& content) {
    const auto& addressing = content.addressing;
    AddMailboxes(message, GMIME_ADDRESS_TYPE_FROM, {addressing.from});
    AddMailboxes(message, GMIME_ADDRESS_TYPE_TO, addressing.to);
    AddMailboxes(message, GMIME_ADDRESS_TYPE_CC, addressing.cc);
    SetSubject(message, content.subject);
    std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> now(g_date_time_new_now_local(),
                                                                 &g_date_time_unref);
    g_mime_message_set_date(message, now.get());
    std::unique_ptr<char, GFree> id(
        g_mime_utils_generate_message_id(DomainOf(addressing.from.address).c_str()));
    g_mime_message_set_message_id(message, id.get());
    g_mime_object_set_header(GMIME_OBJECT(message), "MIME-Version", "1.0", nullptr);
}

GPtr<GMimeObject> TextPart(std::string_view noteText) {
    const auto text = ValidUtf8(WithUnixLineBreaks(noteText));
    GPtr<GMimeTextPart> part(g_mime_text_part_new_with_subtype("plain"));
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
    GPtr<GMimeDataWrapper> wrapper(
        g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(GMIME_PART(part.get()), wrapper.get());
    g_mime_text_part_set_charset(part.get(), "utf-8");
    // Long lines and 8-bit text go quoted-printable: no server has to pass 8 bits.
    g_mime_part_set_content_encoding(GMIME_PART(part.get()),
                                     g_mime_part_get_best_content_encoding(
                                         GMIME_PART(part.get()), GMIME_ENCODING_CONSTRAINT_7BIT));
    return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

// GMime would pick the smallest legacy charset; UTF-8 is what every reader knows.
void EncodeAsUtf8(GMimeParamList* parameters, const char* name) {
    if (auto* parameter = g_mime_param_list_get_parameter(parameters, name)) {
        g_mime_param_set_charset(parameter, "UTF-8");
    }
}

// The file is read only while the message is written, a block at a time.
GPtr<GMimeObject> AttachmentPart(const Attachment& attachment) {
    GPtr<GMimePart> part(g_mime_part_new_with_type("application", "octet-stream"));
    g_mime_object_set_disposition(GMIME_OBJECT(part.get()), GMIME_DISPOSITION_ATTACHMENT);
    g_mime_part_set_filename(part.get(), attachment.ShownName().c_str());
    auto* object = GMIME_OBJECT(part.get());
    EncodeAsUtf8(
        g_mime_content_disposition_get_parameters(g_mime_object_get_content_disposition(object)),
        "filename");
    EncodeAsUtf8(g_mime_content_type_get_parameters(g_mime_object_get_content_type(object)),
                 "name");
    GPtr<GMimeStream> file(g_mime_stream_fs_new(attachment.Fd()));
    g_mime_stream_fs_set_owner(GMIME_STREAM_FS(file.get()), FALSE);
    GPtr<GMimeDataWrapper> wrapper(
        g_mime_data_wrapper_new_with_stream(file.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part.get(), wrapper.get());
    g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
    return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

GPtr<GMimeObject> Body(const MessageContent& content) {
    auto text = TextPart(content.noteText);
    if (content.attachments.empty()) {
        return text;
    }
    GPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_add(mixed.get(), text.get());
    for (const auto& attachment : content.attachments) {
        g_mime_multipart_add(mixed.get(), AttachmentPart(attachment).get());
    }
    return GPtr<GMimeObject>(GMIME_OBJECT(mixed.release()));
}

} // namespace

Status WriteMessage(const MessageContent& content, LineBreaks lineBreaks, int fd) {
    GPtr<GMimeMessage> message(g_mime_message_new(TRUE));
    SetHeaders(message.get(), content);
    g_mime_message_set_mime_part(message.get(), Body(content).get());

    std::unique_ptr<GMimeFormatOptions, decltype(&g_mime_format_options_free)> options(
        g_mime_format_options_new(), &g_mime_format_options_free);
    g_mime_format_options_set_newline_format(options.get(), lineBreaks == LineBreaks::Crlf
                                                                ? GMIME_NEWLINE_FORMAT_DOS
                                                                : GMIME_NEWLINE_FORMAT_UNIX);
    GPtr<GMimeStream> out(g_mime_stream_fs_new(fd));
    g_mime_stream_fs_set_owner(GMIME_STREAM_FS(out.get()), FALSE);
    errno = 0;
    if (g_mime_object_write_to_stream(GMIME_OBJECT(message.get()), options.get(), out.get()) < 0 ||
        g_mime_stream_flush(out.get()) != 0) {
        return Failure{MAPI_E_FAILURE,
                       std::string("cannot write the message: ") + std::strerror(errno)};
    }
    return std::nullopt;
}
