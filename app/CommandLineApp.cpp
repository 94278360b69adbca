#include "CommandLineApp.h"

#include "ApplicationName.h"
#include "CommandRunner.h"
#include "ExitStatus.h"
#include "GameFolder.h"
#include "MailLibraryChoice.h"
#include "OpenProfileStore.h"
#include "ProgramIdentity.h"
#include "SendServiceParts.h"

#include <QCoreApplication>

#include <iostream>

namespace {

std::vector<std::string> Arguments() {
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments().mid(1)) {
        arguments.push_back(argument.toStdString());
    }
    return arguments;
}

} // namespace

int RunCommandLine(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(
        WindowProgramName(ApplicationNameFromPath(QCoreApplication::applicationFilePath())));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kCompanyKey));
    const std::string program =
        ApplicationNameFromPath(QCoreApplication::applicationFilePath()).toStdString();

    std::string error;
    const std::optional<Command> command = ParseCommandLine(Arguments(), error);
    if (!command || command->kind == Command::Kind::Window) {
        std::cerr << program << ": " << (command ? "a command is needed" : error) << "\n"
                  << HelpText(program);
        return ExitStatus::kUsage;
    }
    std::string storeProblem;
    const std::unique_ptr<ProfileStore> store = OpenProfileStoreForReading(
        kCompanyKey, QCoreApplication::applicationName().toStdString(), storeProblem);
    const std::unique_ptr<SendServiceParts> record = SendServiceParts::ForUser();
    SendServices services = record->Services();
    GameFolder ordersFolder;
    CommandContext context{store.get(),         storeProblem, services,
                           MailLibraryChoice(), ordersFolder, program,
                           kProgramVersion,     std::cout,    std::cerr};
    return CommandRunner(context).Run(*command);
}
