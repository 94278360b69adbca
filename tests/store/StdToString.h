#pragma once

#include <QTest>

#include <string>
#include <vector>

// Readable failure messages for the standard types the store tests compare.
namespace QTest {

template <> inline char* toString(const std::string& text) {
    return toString(QString::fromStdString(text));
}

template <> inline char* toString(const std::vector<std::string>& list) {
    QStringList texts;
    for (const std::string& text : list) {
        texts << '"' + QString::fromStdString(text) + '"';
    }
    return toString('{' + texts.join(", ") + '}');
}

} // namespace QTest
