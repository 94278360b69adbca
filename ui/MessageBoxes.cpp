#include "MessageBoxes.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QPointer>

namespace {

QPointer<QWidget>& OwnerSlot() {
    static QPointer<QWidget> owner;
    return owner;
}

MessageBoxes::Answerer& AnswererSlot() {
    static MessageBoxes::Answerer answerer;
    return answerer;
}

QMessageBox::StandardButton Exec(const MessageBoxes::Request& request) {
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, request.owner);
    if (request.defaultButton != QMessageBox::NoButton) {
        box.setDefaultButton(request.defaultButton);
    }
    for (auto it = request.buttonTexts.cbegin(); it != request.buttonTexts.cend(); ++it) {
        if (QAbstractButton* button = box.button(it.key())) {
            button->setText(it.value());
        }
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

QMessageBox::StandardButton MessageBoxes::Show(const QString& text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton,
                                               QMessageBox::Icon icon) {
    return Show(text, buttons, defaultButton, {}, icon);
}

QMessageBox::StandardButton
MessageBoxes::Show(const QString& text, QMessageBox::StandardButtons buttons,
                   QMessageBox::StandardButton defaultButton,
                   const QMap<QMessageBox::StandardButton, QString>& buttonTexts,
                   QMessageBox::Icon icon) {
    const Request request{QCoreApplication::applicationName(),
                          text,
                          buttons,
                          defaultButton,
                          icon == QMessageBox::NoIcon ? QMessageBox::Warning : icon,
                          Owner(),
                          buttonTexts};
    if (AnswererSlot()) {
        return AnswererSlot()(request);
    }
    return Exec(request);
}

void MessageBoxes::SetOwner(QWidget* owner) {
    OwnerSlot() = owner;
}

QWidget* MessageBoxes::Owner() {
    return OwnerSlot().data();
}

void MessageBoxes::SetAnswerer(Answerer answerer) {
    AnswererSlot() = std::move(answerer);
}
