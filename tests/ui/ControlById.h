#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>

// A control of a dialog, found by its id as the window names it.
template <typename Widget> Widget* ControlById(const QWidget& dialog, int id) {
    auto* widget = dialog.findChild<Widget*>(QString::number(id), Qt::FindDirectChildrenOnly);
    if (!widget) {
        qFatal("no control %d", id);
    }
    return widget;
}

inline QLineEdit* EditById(const QWidget& dialog, int id) {
    return ControlById<QLineEdit>(dialog, id);
}

inline QCheckBox* BoxById(const QWidget& dialog, int id) {
    return ControlById<QCheckBox>(dialog, id);
}
