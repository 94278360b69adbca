#include "Secrets.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace {

constexpr std::string_view kHidden = "[hidden]";
// Shorter base64 words are common in ordinary replies and reveal little.
constexpr std::size_t kShortestPiece = 8;

std::string Base64Of(std::string_view text) {
    std::unique_ptr<gchar, decltype(&g_free)> encoded(
        g_base64_encode(reinterpret_cast<const guchar*>(text.data()), text.size()), &g_free);
    return encoded.get();
}

bool IsBase64Character(char c) {
    return g_ascii_isalnum(c) || c == '+' || c == '/' || c == '=';
}

} // namespace

Secrets::Secrets(std::string_view user, std::string_view password) {
    if (password.empty()) {
        return;
    }
    const std::string plain =
        std::string(1, '\0') + std::string(user) + '\0' + std::string(password);
    m_texts = {std::string(password), Base64Of(password), Base64Of(plain)};
    if (!user.empty()) {
        m_texts.push_back(Base64Of(user));
    }
}

// Every new connection authenticates again, mostly with the same payload.
void Secrets::Add(std::string_view payload) {
    if (!payload.empty() && std::find(m_texts.begin(), m_texts.end(), payload) == m_texts.end()) {
        m_texts.emplace_back(payload);
    }
}

std::string Secrets::WithoutWhole(std::string_view text) const {
    std::string shown(text);
    for (const auto& secret : m_texts) {
        for (auto at = shown.find(secret); at != std::string::npos;
             at = shown.find(secret, at + kHidden.size())) {
            shown.replace(at, secret.size(), kHidden);
        }
    }
    return shown;
}

bool Secrets::IsPieceOfSecret(std::string_view word) const {
    if (word.size() < kShortestPiece) {
        return false;
    }
    for (const auto& secret : m_texts) {
        if (secret.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// A server may quote the payload cut short, so base64 words are checked as pieces too.
std::string Secrets::Hide(std::string_view text) const {
    const auto whole = WithoutWhole(text);
    std::string shown;
    std::size_t start = 0;
    while (start < whole.size()) {
        auto end = start;
        while (end < whole.size() && IsBase64Character(whole[end])) {
            ++end;
        }
        const std::string_view word(whole.data() + start, end - start);
        shown += IsPieceOfSecret(word) ? kHidden : word;
        if (end < whole.size()) {
            shown += whole[end];
        }
        start = end + 1;
    }
    return shown;
}
