#pragma once

#include <string>
#include <string_view>

// The text with every byte sequence that is not UTF-8 replaced by U+FFFD,
// so a message never carries text that a reader cannot decode.
std::string ValidUtf8(std::string_view text);

// The text with every control character (CR and LF included) replaced, so
// that a header value can never start a header of its own.
std::string WithoutControls(std::string_view text, char replacement);

// The text without the blanks and tabs at either end.
std::string_view Trim(std::string_view text);

// Whether `text` begins with `prefix`, ASCII letters matched in either case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// The text with CR LF and lone CR turned into LF: one line break convention
// inside, converted to what the transport needs when written out.
std::string WithUnixLineBreaks(std::string_view text);
