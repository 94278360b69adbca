#pragma once

#include <string>
#include <string_view>
#include <vector>

// The texts that reveal a logon: the password, the base64 of user name and
// password, and the payload the client sent while authenticating. Servers have
// been seen to quote them back in a refusal, which goes to standard error.
class Secrets {
public:
    Secrets(std::string_view user, std::string_view password);

    // The base64 payload of one line the client sent in an AUTH exchange.
    void Add(std::string_view payload);

    // The text with every secret, and every base64 word that is a piece of one,
    // replaced by a marker.
    std::string Hide(std::string_view text) const;

private:
    std::string WithoutWhole(std::string_view text) const;
    bool IsPieceOfSecret(std::string_view word) const;

    std::vector<std::string> m_texts;
};
