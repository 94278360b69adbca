#pragma once

#include <string>
#include <string_view>

// The code page the mail library's texts are in. One implementation per platform.
class MailCodePage {
public:
    virtual ~MailCodePage() = default;
    // The characters of `utf8` the code page cannot hold, as UTF-8, each once,
    // in order; empty when all fit. A text that is not UTF-8 yields U+FFFD.
    virtual std::string Unmappable(std::string_view utf8) const = 0;
    // `utf8` in the code page; only for texts Unmappable passed.
    virtual std::string Encode(std::string_view utf8) const = 0;
};

// What this system's mail library takes: the ANSI code page on Windows, UTF-8 elsewhere.
const MailCodePage& SystemMailCodePage();
