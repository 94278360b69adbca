#include "CaseFolding.h"

#include <QByteArrayView>
#include <QString>

#include <algorithm>

namespace {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string FoldAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

} // namespace

std::string FoldCase(std::string_view text) {
    const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
    if (IsAscii(text) || !bytes.isValidUtf8()) {
        return FoldAscii(text);
    }
    return QString::fromUtf8(bytes).toCaseFolded().toStdString();
}
