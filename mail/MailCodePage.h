#pragma once

#include <string>
#include <string_view>

// The code page a mail library's texts are in.
class MailCodePage {
public:
    virtual ~MailCodePage() = default;
    // The characters of `utf8` the code page cannot hold, as UTF-8, each once,
    // in order; empty when all fit. A text that is not UTF-8 yields U+FFFD.
    virtual std::string Unmappable(std::string_view utf8) const = 0;
    // `utf8` in the code page; only for texts Unmappable passed.
    virtual std::string Encode(std::string_view utf8) const = 0;
};

// What our own provider takes: the program's UTF-8 texts as they are.
const MailCodePage& Utf8MailCodePage();
// What MAPI32.DLL takes: the system's ANSI code page. Windows only.
const MailCodePage& AnsiMailCodePage();
