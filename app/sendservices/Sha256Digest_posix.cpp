#include "Sha256Digest.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

struct Sha256Digest::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~State() { EVP_MD_CTX_free(context); }
};

Sha256Digest::Sha256Digest() : m_state(std::make_unique<State>()) {
    if (!m_state->context || EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 is not available");
    }
}

Sha256Digest::~Sha256Digest() = default;

void Sha256Digest::Add(const char* data, std::size_t size) {
    EVP_DigestUpdate(m_state->context, data, size);
}

std::string Sha256Digest::Hex() {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_state->context, digest.data(), &length);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int at = 0; at < length; ++at) {
        hex += kDigits[digest[at] >> 4];
        hex += kDigits[digest[at] & 0xF];
    }
    return hex;
}
