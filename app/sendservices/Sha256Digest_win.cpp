#include "Sha256Digest.h"

#include <QByteArrayView>
#include <QCryptographicHash>

struct Sha256Digest::State {
    QCryptographicHash hash{QCryptographicHash::Sha256};
};

Sha256Digest::Sha256Digest() : m_state(std::make_unique<State>()) {}

Sha256Digest::~Sha256Digest() = default;

void Sha256Digest::Add(const char* data, std::size_t size) {
    m_state->hash.addData(QByteArrayView(data, static_cast<qsizetype>(size)));
}

std::string Sha256Digest::Hex() {
    return m_state->hash.result().toHex().toStdString();
}
