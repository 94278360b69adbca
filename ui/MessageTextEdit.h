#pragma once

#include <QPlainTextEdit>

// The message edit: several lines, at most `limit` typed or pasted
// characters (a longer text set by the program is kept whole). Enter is left
// to the dialog so it presses the default button; Ctrl+Enter breaks the line.
class MessageTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    MessageTextEdit(int limit, QWidget* parent);

    // The text exactly as set, typed and pasted: unlike toPlainText(), with
    // its own line breaks ("\r\n", "\r", "\n") and no-break spaces.
    QString Text() const;
    // Replaces the text, with no undo step, and puts the caret at its start.
    void SetText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // How many characters may still be inserted in place of the selection.
    qsizetype Room() const;
    void InsertLimited(const QString& text);

    int m_limit;
};
