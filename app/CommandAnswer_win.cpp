#include "CommandLineApp.h"

#include "ExitStatus.h"

#include <QApplication>
#include <QMessageBox>

// A window program has no console to print to and cannot hand a console its
// exit status; the console twin beside it runs the commands.
int AnswerCommand(int argc, char** argv) {
    QApplication application(argc, argv);
    QMessageBox::information(nullptr, QStringLiteral("Zorvel"),
                             QStringLiteral("Zorvel.exe opens the window and takes no command.\n"
                                            "Run commands with zorvel-cli.exe, beside it: "
                                            "zorvel-cli.exe --help lists them."));
    return ExitStatus::kUsage;
}
