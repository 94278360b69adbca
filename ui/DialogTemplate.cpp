#include "DialogTemplate.h"

#include <QCheckBox>
#include <QDialog>

DialogUnits SetUpTemplateDialog(QDialog& dialog, const QString& caption, int width, int height) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    dialog.setWindowTitle(caption);
    dialog.setFont(DialogFont());
    const DialogUnits units(dialog.font());
    dialog.setFixedSize(units.toPixels(width, height));
    return units;
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
