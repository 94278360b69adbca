// Drives the real window as a host does: one evening he fills in the game and
// leaves with Exit, the next he opens the window again and presses "Send
// Files". It never ends on its own when the mail program hangs, so a test can
// kill it mid-run. The store and the send record are the program's own, under
// XDG_CONFIG_HOME and XDG_STATE_HOME.
// Usage: send_run_driver <games folder> <mail program>
// Players 1 to 5 get the addresses p1@example.org...p5@example.org.

#include "CZorvelDlg.h"
#include "MessageBoxes.h"
#include "OpenProfileStore.h"
#include "SendServiceParts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kPlayers = 5;

void Type(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->textEdited(text);
}

// False when the window would not close: a store write failed.
bool FillInTheGame(const QString& games, const QString& mailProgram, SendServices services) {
    CZorvelDlg window(OpenProfileStore("Halvane", "zorvel"), services);
    window.show();
    const MainWindowControls& controls = window.Controls();
    controls.gameSelector->setEditText(QStringLiteral("raid"));
    Type(controls.directory, games);
    for (int number = 1; number <= kPlayers; ++number) {
        Type(controls.Row(number).email, QStringLiteral("p%1@example.org").arg(number));
        controls.Row(number).send->click();
    }
    window.Mail().mailProfile = mailProgram.toStdString();
    controls.exit->click();
    return window.result() == QDialog::Accepted;
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Halvane"));
    QApplication::setApplicationName(QStringLiteral("zorvel"));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3) {
        return 64;
    }
    // Every box goes to standard error, for the test's report.
    MessageBoxes::SetAnswerer([](const MessageBoxes::Request& request) {
        qWarning("%s", qPrintable(request.text));
        return QMessageBox::Ok;
    });
    // The record where the program keeps it.
    const std::unique_ptr<SendServiceParts> sendParts = SendServiceParts::ForUser();
    if (!FillInTheGame(arguments[1], arguments[2], sendParts->Services())) {
        return 1;
    }
    CZorvelDlg window(OpenProfileStore("Halvane", "zorvel"), sendParts->Services());
    window.show();
    window.Controls().sendFiles->click();
    return 0;
}
