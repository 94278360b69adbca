#include "MailCodePage.h"

namespace {
// The program's texts are UTF-8 throughout, so each one fits as it is.
class Utf8CodePage final : public MailCodePage {
public:
    std::string Unmappable(std::string_view) const override { return {}; }
    std::string Encode(std::string_view utf8) const override { return std::string(utf8); }
};
} // namespace

const MailCodePage& Utf8MailCodePage() {
    static const Utf8CodePage codePage;
    return codePage;
}
