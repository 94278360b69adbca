#pragma once

#include <QString>

class QTextCursor;
class QTextDocument;

// Plain text kept exactly in a text document. Qt ends a block alike at "\n",
// "\r\n", "\r" and a few separator characters and forgets which it was, so
// the block after each break keeps it; a break that Qt makes itself (when
// undoing a deletion, say) reads as "\n".

// Inserts `text` in place of the cursor's selection and leaves the cursor
// after it.
void InsertExactText(QTextCursor& cursor, const QString& text);

// The document's text from position `from` up to `to`, line breaks and
// no-break spaces as inserted.
QString ExactText(const QTextDocument& document, int from, int to);
