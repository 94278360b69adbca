#include "DialogTemplate.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOption>

#include <algorithm>

namespace {

QRect Widened(const QRect& place, int needed, int left, int right, bool anchoredRight) {
    if (place.width() >= needed) {
        return place;
    }
    const int missing = needed - place.width();
    int start = place.left();
    int end = place.left() + place.width();
    if (anchoredRight) {
        start = std::max(left, start - missing);
        end = std::max(end, std::min(right, start + needed));
    } else {
        end = std::min(right, end + missing);
        start = std::min(start, std::max(left, end - needed));
    }
    return QRect(start, place.top(), end - start, place.height());
}

// The platform's style, but a push button's text has the whole inside of
// its frame.
class WholeButtonTextStyle final : public QProxyStyle {
public:
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget) const override {
        if (element != SE_PushButtonContents) {
            return QProxyStyle::subElementRect(element, option, widget);
        }
        const int frame = pixelMetric(PM_DefaultFrameWidth, option, widget);
        return option->rect.adjusted(frame, frame, -frame, -frame);
    }

    // As the common push button drawing, but its text is drawn, and cut,
    // within the room above: the base style would ask itself, not us.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (element != CE_PushButton || button == nullptr) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        drawControl(CE_PushButtonBevel, button, painter, widget);
        QStyleOptionButton label = *button;
        label.rect = subElementRect(SE_PushButtonContents, button, widget);
        drawControl(CE_PushButtonLabel, &label, painter, widget);
        if (button->state.testFlag(State_HasFocus)) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(*button);
            focus.rect = subElementRect(SE_PushButtonFocusRect, button, widget);
            drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
        }
    }
};

} // namespace

DialogUnits SetUpTemplateDialog(QDialog& dialog, const QString& caption, int width, int height) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    dialog.setWindowTitle(caption);
    dialog.setFont(DialogFont());
    const DialogUnits units(dialog.font());
    dialog.setFixedSize(units.ToPixels(width, height));
    return units;
}

void WidenToText(QLabel& label, int left, int right) {
    const int needed = label.fontMetrics().horizontalAdvance(label.text());
    const bool anchoredRight = label.alignment().testFlag(Qt::AlignRight);
    label.setGeometry(Widened(label.geometry(), needed, left, right, anchoredRight));
}

void WidenToText(QCheckBox& box, int left, int right) {
    box.setGeometry(Widened(box.geometry(), box.sizeHint().width(), left, right, false));
}

void UseWholeButtonForText(QPushButton& button) {
    // One for the whole program, gone with the application after every window.
    static QPointer<QStyle> style;
    if (!style) {
        style = new WholeButtonTextStyle;
        style->setParent(QCoreApplication::instance());
    }
    button.setStyle(style);
}

void WriteCheckFlag(QCheckBox& box, std::int32_t& flag) {
    if (flag < 0 || flag > 2) {
        flag = 0;
    }
    box.setTristate(flag == 2);
    box.setCheckState(flag == 2 ? Qt::PartiallyChecked : flag == 1 ? Qt::Checked : Qt::Unchecked);
}

std::int32_t ReadCheckFlag(const QCheckBox& box) {
    switch (box.checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}
