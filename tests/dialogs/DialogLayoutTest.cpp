#include "CAboutDlg.h"
#include "CEmailOptionsDlg.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QStyle>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<QDialog> MakeDialog(const QString& name) {
    if (name == QLatin1String("email-options")) {
        auto dialog = std::make_unique<CEmailOptionsDlg>();
        dialog->setValues(
            {"Ann Host", "ann@example.org", "smtp://mail.example.org:587", "s3cret", 1});
        return dialog;
    }
    return std::make_unique<CAboutDlg>();
}

QString Describe(const QWidget* widget) {
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// Why the widget's text would not show whole in its place; empty when it does.
QString TextFault(const QWidget* widget) {
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
        const int indicator = box->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, box);
        needed = QSize(box->sizeHint().width(), qMax(indicator, metrics.height()));
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        needed = QSize(metrics.horizontalAdvance(button->text()) + 8, metrics.height());
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
    const QList<QWidget*> controls = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < controls.size(); ++i) {
        if (!dialog.rect().contains(controls[i]->geometry())) {
            faults << Describe(controls[i]) + QStringLiteral(" reaches outside the dialog");
        }
        if (const QString fault = TextFault(controls[i]); !fault.isEmpty()) {
            faults << fault;
        }
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->geometry().intersects(controls[j]->geometry())) {
                faults << Describe(controls[i]) + QStringLiteral(" overlaps ") +
                              Describe(controls[j]);
            }
        }
    }
    return faults;
}

} // namespace

// Every text of both dialogs shows whole and no two controls overlap, in the
// font the dialogs are laid out in; screenshots are left for a person to look at.
class DialogLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void textsFitAndScreenshotIsWritten_data();
    void textsFitAndScreenshotIsWritten();
};

void DialogLayoutTest::textsFitAndScreenshotIsWritten_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("Email Options") << "email-options";
    QTest::newRow("About box") << "about-box";
}

void DialogLayoutTest::textsFitAndScreenshotIsWritten() {
    QFETCH(QString, name);
    const std::unique_ptr<QDialog> dialog = MakeDialog(name);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

    const QDir folder(QStringLiteral(ZORVEL_SCREENSHOT_DIR));
    QVERIFY(folder.mkpath(QStringLiteral(".")));
    const QString file = folder.filePath(name + QStringLiteral(".png"));
    QFile::remove(file);
    QVERIFY2(dialog->grab().save(file), qPrintable(file));

    QCOMPARE(LayoutFaults(*dialog).join(QStringLiteral("; ")), QString());
}

QTEST_MAIN(DialogLayoutTest)
#include "DialogLayoutTest.moc"
