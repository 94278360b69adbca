#include "HeaderFields.h"

#include "Text.h"

#include <gmime/gmime.h>

#include <memory>

namespace {

void Keep(std::string_view name, const std::string& value, HeaderFields& fields) {
    std::string* field = nullptr;
    if (name.size() == 4 && StartsWithNoCase(name, "From")) {
        field = &fields.from;
    } else if (name.size() == 7 && StartsWithNoCase(name, "Subject")) {
        field = &fields.subject;
    } else if (name.size() == 10 && StartsWithNoCase(name, "Message-ID")) {
        field = &fields.messageId;
    }
    if (field && field->empty()) {
        *field = std::string(Trim(value));
    }
}

struct GFreed {
    void operator()(void* pointer) const { g_free(pointer); }
};

} // namespace

HeaderFields PickHeaderFields(std::string_view block) {
    HeaderFields fields;
    std::string name;
    std::string value;
    while (!block.empty()) {
        const auto end = block.find('\n');
        auto line = block.substr(0, end);
        block = end == std::string_view::npos ? std::string_view() : block.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            value.append(line); // folded: the line break goes, the blank stays
            continue;
        }
        Keep(name, value, fields);
        const auto colon = line.find(':');
        name = colon == std::string_view::npos ? std::string() : std::string(line.substr(0, colon));
        value =
            colon == std::string_view::npos ? std::string() : std::string(line.substr(colon + 1));
    }
    Keep(name, value, fields);
    return fields;
}

std::string DecodedHeaderText(const std::string& raw) {
    std::unique_ptr<char, GFreed> decoded(g_mime_utils_header_decode_text(nullptr, raw.c_str()));
    return WithoutControls(ValidUtf8(decoded ? decoded.get() : raw), ' ');
}

Mailbox DecodedSender(const std::string& raw) {
    Mailbox sender;
    InternetAddressList* list = internet_address_list_parse(nullptr, raw.c_str());
    if (!list) {
        return sender;
    }
    for (int i = 0; i < internet_address_list_length(list) && sender.address.empty(); ++i) {
        InternetAddress* address = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
            const char* name = internet_address_get_name(address);
            const char* bare = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
            sender.name = WithoutControls(ValidUtf8(name ? name : ""), ' ');
            sender.address = WithoutControls(ValidUtf8(bare ? bare : ""), ' ');
        }
    }
    g_object_unref(list);
    return sender;
}
