#include "MessageTextEdit.h"

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

qsizetype MessageTextEdit::Room() const {
    const qsizetype selected = textCursor().selectedText().size();
    return std::max<qsizetype>(0, m_limit - (toPlainText().size() - selected));
}

void MessageTextEdit::InsertLimited(const QString& text) {
    const QString fitting = text.left(Room());
    if (fitting.size() < text.size()) {
        QApplication::beep();
    }
    if (!fitting.isEmpty()) {
        insertPlainText(fitting);
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
