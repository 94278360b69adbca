#include "MailCodePage.h"

namespace {
// Our provider takes UTF-8 as it is.
class Utf8CodePage final : public MailCodePage {
public:
    std::string Unmappable(std::string_view) const override { return {}; }
    std::string Encode(std::string_view utf8) const override { return std::string(utf8); }
};
} // namespace

const MailCodePage& SystemMailCodePage() {
    static const Utf8CodePage codePage;
    return codePage;
}
