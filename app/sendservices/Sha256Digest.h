#pragma once

#include <cstddef>
#include <memory>
#include <string>

// SHA-256 fed piece by piece: OpenSSL's where there is one (it uses the
// processor's SHA instructions, three times Qt's speed on a large turn
// file), Qt's on Windows.
class Sha256Digest {
public:
    Sha256Digest();
    ~Sha256Digest();
    Sha256Digest(const Sha256Digest&) = delete;
    Sha256Digest& operator=(const Sha256Digest&) = delete;

    void Add(const char* data, std::size_t size);
    // Lower-case hex of everything added.
    std::string Hex();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
