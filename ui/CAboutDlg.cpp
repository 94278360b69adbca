#include "CAboutDlg.h"

#include "DialogTemplate.h"
#include "ProgramIcon.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr QSize IconSize(32, 32);

// A rectangle of at least the given width, widened equally on both sides.
QRect WidenedToFit(QRect rect, int neededWidth) {
    const int extra = neededWidth - rect.width();
    if (extra <= 0) {
        return rect;
    }
    const int left = extra / 2;
    return rect.adjusted(-left, 0, extra - left, 0);
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    SetUpTemplateDialog(*this, QStringLiteral("About Zorvel"), 217, 116);
    CreateControls();
}

void CAboutDlg::CreateControls() {
    const DialogUnits units(font());

    // The icon keeps its own size, centred on its place in the box.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(ProgramIcon().pixmap(IconSize));
    QRect iconRect(QPoint(), IconSize);
    iconRect.moveCenter(units.ToPixels(97, 7, 20, 20).center());
    icon->setGeometry(iconRect);

    // Plain text without a buddy, so an ampersand is shown as it stands.
    auto* version = new QLabel(QStringLiteral("Zorvel v1.10beta"), this);
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);
    version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    version->setGeometry(WidenedToFit(units.ToPixels(87, 31, 43, 8),
                                      version->fontMetrics().horizontalAdvance(version->text())));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(units.ToPixels(92, 95, 32, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CAboutDlg::accept);
}

void CAboutDlg::reject() {
    done(IdCancel);
}

void RunAboutBox(QWidget* owner) {
    CAboutDlg box(owner);
    box.exec();
}
