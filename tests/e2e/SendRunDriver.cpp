// Drives the real window through one "Send Files" run and never ends on its
// own when the mail program hangs, so a test can kill it mid-run.
// Usage: send_run_driver <store file> <games folder> <mail program>
// Players 1 to 4 get the addresses p1@example.org...p4@example.org.

#include "CZorvelDlg.h"
#include "MessageBoxes.h"
#include "SendServiceParts.h"
#include "SqliteProfileStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
void Type(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->textEdited(text);
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 4) {
        return 64;
    }
    // Every box goes to standard error, for the test's report.
    MessageBoxes::SetAnswerer([](const MessageBoxes::Request& request) {
        qWarning("%s", qPrintable(request.text));
        return QMessageBox::Ok;
    });
    // The record where the program keeps it, under this driver's name.
    const std::unique_ptr<SendServiceParts> sendParts = SendServiceParts::ForUser();
    CZorvelDlg window(std::make_unique<SqliteProfileStore>(arguments[1].toStdString()),
                      sendParts->services());
    window.show();
    const MainWindowControls& controls = window.controls();
    controls.gameSelector->setEditText(QStringLiteral("raid"));
    Type(controls.directory, arguments[2]);
    for (int number = 1; number <= 4; ++number) {
        Type(controls.row(number).email, QStringLiteral("p%1@example.org").arg(number));
        controls.row(number).send->click();
    }
    window.mailSettings().mailProfile = arguments[3].toStdString();
    controls.sendFiles->click();
    return 0;
}
