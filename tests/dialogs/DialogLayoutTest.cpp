#include "CAboutDlg.h"
#include "CEmailOptionsDlg.h"
#include "CZorvelDlg.h"
#include "TestSendServices.h"
#include "TestStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<QDialog> MakeDialog(const QString& name, const TestStore& store,
                                    TestSendServices& sendServices) {
    if (name == QLatin1String("main-window-layout")) {
        auto window =
            std::make_unique<CZorvelDlg>(store.Open(), sendServices.Services(),
                                         MailLibraryChoice::Fixed("no-mail-library-here"));
        window->Controls().gameSelector->setEditText(QStringLiteral("alpha"));
        return window;
    }
    if (name == QLatin1String("email-options")) {
        auto dialog = std::make_unique<CEmailOptionsDlg>();
        dialog->SetValues(
            {"Ann Host", "ann@example.org", "smtp://mail.example.org:587", "s3cret", 1});
        return dialog;
    }
    return std::make_unique<CAboutDlg>();
}

QString Describe(const QWidget* widget) {
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// Whether a button's text, centred in the room the style leaves it within its
// frame, keeps its ink inside that room: the style cuts off what reaches out.
QString ButtonTextFault(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.features =
        button->autoDefault() ? QStyleOptionButton::AutoDefaultButton : QStyleOptionButton::None;
    const QRect room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QFontMetrics metrics = button->fontMetrics();
    const QString text = button->text().remove(QLatin1Char('&'));
    const int left = room.left() + (room.width() - metrics.horizontalAdvance(text)) / 2;
    const int baseline = room.top() + (room.height() - metrics.height()) / 2 + metrics.ascent();
    const QRect ink = metrics.tightBoundingRect(text).translated(left, baseline);
    if (room.contains(ink)) {
        return {};
    }
    return QStringLiteral("%1 draws its text at %2,%3 %4x%5 but shows only %6,%7 %8x%9")
        .arg(button->objectName())
        .arg(ink.x())
        .arg(ink.y())
        .arg(ink.width())
        .arg(ink.height())
        .arg(room.x())
        .arg(room.y())
        .arg(room.width())
        .arg(room.height());
}

// Why the widget's text would not show whole in its place; empty when it does.
QString TextFault(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        return ButtonTextFault(button);
    }
    const QFontMetrics metrics = widget->fontMetrics();
    const QRect place = widget->geometry();
    QSize needed;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        needed = label->wordWrap()
                     ? metrics
                           .boundingRect(QRect(0, 0, place.width(), 10000), Qt::TextWordWrap,
                                         label->text())
                           .size()
                     : QSize(metrics.horizontalAdvance(label->text()), metrics.height());
    } else if (const auto* box = qobject_cast<const QCheckBox*>(widget)) {
        // Height counts the text alone: the styles draw their indicator whole
        // in a row a pixel shorter than its nominal size, as 10-unit rows are.
        needed = QSize(box->sizeHint().width(), metrics.height());
    }
    if (needed.width() <= place.width() && needed.height() <= place.height()) {
        return {};
    }
    return QStringLiteral("%1 needs %2x%3 but has %4x%5")
        .arg(Describe(widget))
        .arg(needed.width())
        .arg(needed.height())
        .arg(place.width())
        .arg(place.height());
}

QStringList LayoutFaults(const QDialog& dialog) {
    QStringList faults;
    QList<QWidget*> controls = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    // Windows the dialog owns (its progress window) are laid out on their own.
    controls.removeIf([](const QWidget* control) { return control->isWindow(); });
    for (qsizetype i = 0; i < controls.size(); ++i) {
        if (!dialog.rect().contains(controls[i]->geometry())) {
            faults << Describe(controls[i]) + QStringLiteral(" reaches outside the dialog");
        }
        if (const QString fault = TextFault(controls[i]); !fault.isEmpty()) {
            faults << fault;
        }
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            // A group box frames the controls placed on it.
            const bool framing = qobject_cast<QGroupBox*>(controls[i]) != nullptr ||
                                 qobject_cast<QGroupBox*>(controls[j]) != nullptr;
            if (!framing && controls[i]->geometry().intersects(controls[j]->geometry())) {
                faults << Describe(controls[i]) + QStringLiteral(" overlaps ") +
                              Describe(controls[j]);
            }
        }
    }
    return faults;
}

} // namespace

// Every text of the three windows shows whole and no two controls overlap, in
// the font they are laid out in; screenshots are left for a person to look at.
class DialogLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void textsFitAndScreenshotIsWritten_data();
    void textsFitAndScreenshotIsWritten();
};

void DialogLayoutTest::textsFitAndScreenshotIsWritten_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("main window") << "main-window-layout";
    QTest::newRow("Email Options") << "email-options";
    QTest::newRow("About box") << "about-box";
}

void DialogLayoutTest::textsFitAndScreenshotIsWritten() {
    QFETCH(QString, name);
    const TestStore store;
    TestSendServices sendServices;
    const std::unique_ptr<QDialog> dialog = MakeDialog(name, store, sendServices);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

    const QDir folder(QStringLiteral(ZORVEL_SCREENSHOT_DIR));
    QVERIFY(folder.mkpath(QStringLiteral(".")));
    const QString file = folder.filePath(name + QStringLiteral(".png"));
    QFile::remove(file);
    QVERIFY2(dialog->grab().save(file), qPrintable(file));

    const QStringList faults = LayoutFaults(*dialog);
    for (const QString& fault : faults) {
        qWarning("%s", qPrintable(fault));
    }
    QVERIFY2(faults.isEmpty(), "texts are cut or controls overlap, as warned above");
}

QTEST_MAIN(DialogLayoutTest)
#include "DialogLayoutTest.moc"
