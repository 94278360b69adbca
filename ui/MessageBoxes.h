#pragma once

#include <QMap>
#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through here: captioned with the
// application name, owned by the main window while it runs, and with the
// exclamation icon when the caller names none.
class MessageBoxes {
public:
    struct Request {
        QString caption;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QMessageBox::Icon icon;
        QWidget* owner;
        // Captions in place of the standard ones, by button ("Send anyway" on Yes).
        QMap<QMessageBox::StandardButton, QString> buttonTexts;
    };
    using Answerer = std::function<QMessageBox::StandardButton(const Request&)>;

    static QMessageBox::StandardButton
    Show(const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
         QMessageBox::Icon icon = QMessageBox::NoIcon);
    // The same, with the buttons named in `buttonTexts` captioned so.
    static QMessageBox::StandardButton
    Show(const QString& text, QMessageBox::StandardButtons buttons,
         QMessageBox::StandardButton defaultButton,
         const QMap<QMessageBox::StandardButton, QString>& buttonTexts,
         QMessageBox::Icon icon = QMessageBox::NoIcon);

    // The window that owns the boxes; null when none does.
    static void SetOwner(QWidget* owner);
    static QWidget* Owner();

    // Answers boxes in place of the user (tests set it before they act);
    // an empty function shows real boxes again.
    static void SetAnswerer(Answerer answerer);
};
