#include "MessageTextEdit.h"

#include "ExactPlainText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace {

bool IsEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

bool InsertsText(const QKeyEvent* event) {
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return !event->text().isEmpty() && event->text().at(0).isPrint() &&
           (event->modifiers() & commands) == 0;
}

} // namespace

MessageTextEdit::MessageTextEdit(int limit, QWidget* parent)
    : QPlainTextEdit(parent), m_limit(limit) {
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QString MessageTextEdit::Text() const {
    return ExactText(*document(), 0, document()->characterCount());
}

void MessageTextEdit::SetText(const QString& text) {
    clear();
    QTextCursor cursor(document());
    InsertExactText(cursor, text);
    document()->clearUndoRedoStacks();
    moveCursor(QTextCursor::Start);
}

qsizetype MessageTextEdit::Room() const {
    const QTextCursor cursor = textCursor();
    const qsizetype selected =
        ExactText(*document(), cursor.selectionStart(), cursor.selectionEnd()).size();
    return std::max<qsizetype>(0, m_limit - (Text().size() - selected));
}

void MessageTextEdit::InsertLimited(const QString& text) {
    const QString fitting = text.left(Room());
    if (fitting.size() < text.size()) {
        QApplication::beep();
    }
    if (!fitting.isEmpty()) {
        QTextCursor cursor = textCursor();
        InsertExactText(cursor, fitting);
        setTextCursor(cursor);
        ensureCursorVisible();
    }
}

void MessageTextEdit::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event)) {
        if (event->modifiers() & Qt::ControlModifier) {
            InsertLimited(QStringLiteral("\n"));
            return;
        }
        event->ignore();
        return;
    }
    if (InsertsText(event) && Room() < event->text().size()) {
        QApplication::beep();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MessageTextEdit::insertFromMimeData(const QMimeData* source) {
    if (source->hasText()) {
        InsertLimited(source->text());
    }
}

void MessageTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (event->commitString().size() <= Room()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent limited(event->preeditString(), event->attributes());
    limited.setCommitString(event->commitString().left(Room()), event->replacementStart(),
                            event->replacementLength());
    QApplication::beep();
    QPlainTextEdit::inputMethodEvent(&limited);
}
