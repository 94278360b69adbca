#include "ExactPlainText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>

namespace {

// Every text at which inserting ends a block, "\r\n" ahead of "\r".
constexpr std::array<QStringView, 6> kBreaks{u"\n",     u"\r\n",   u"\r",
                                             u"\u2029", u"\ufdd0", u"\ufdd1"};

// The break before a block. Block data, unlike a block's state, stays with
// the first of two blocks that Qt joins, which is the one it belongs to.
class BreakBefore : public QTextBlockUserData {
public:
    explicit BreakBefore(QStringView text) : m_text(text) {}
    QStringView Text() const { return m_text; }

private:
    QStringView m_text;
};

QStringView BreakAt(QStringView text) {
    for (const QStringView lineBreak : kBreaks) {
        if (text.startsWith(lineBreak)) {
            return lineBreak;
        }
    }
    return {};
}

QStringView BreakOf(const QTextBlock& block) {
    const auto* kept = dynamic_cast<const BreakBefore*>(block.userData());
    return kept ? kept->Text() : kBreaks.front();
}

} // namespace

void InsertExactText(QTextCursor& cursor, const QString& text) {
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    qsizetype lineStart = 0;
    qsizetype at = 0;
    while (at < text.size()) {
        const QStringView lineBreak = BreakAt(QStringView(text).sliced(at));
        if (lineBreak.isEmpty()) {
            ++at;
            continue;
        }
        cursor.insertText(text.sliced(lineStart, at - lineStart));
        // Splitting a block leaves the first part its data; the second is new.
        cursor.insertBlock();
        cursor.block().setUserData(new BreakBefore(lineBreak));
        at += lineBreak.size();
        lineStart = at;
    }
    cursor.insertText(text.sliced(lineStart));
    cursor.endEditBlock();
}

QString ExactText(const QTextDocument& document, int from, int to) {
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int start = block.position();
        if (block.previous().isValid() && start - 1 >= from && start - 1 < to) {
            text += BreakOf(block);
        }
        const int first = std::max(from, start);
        const int last = std::min(to, start + block.length() - 1);
        if (first < last) {
            text += block.text().mid(first - start, last - first);
        }
    }
    return text;
}
