#include "CZorvelApp.h"

#include "ApplicationName.h"
#include "CZorvelDlg.h"
#include "MessageBoxes.h"
#include "OpenProfileStore.h"
#include "ProgramIdentity.h"
#include "SendServiceParts.h"
#include "SocketsCheck.h"

int RunZorvel(const StartUp& startUp) {
    if (!startUp.socketsCheck()) {
        MessageBoxes::SetOwner(nullptr);
        MessageBoxes::Show(QStringLiteral("Windows sockets initialization failed."));
        return 0;
    }
    QCoreApplication::setOrganizationName(QString::fromLatin1(kCompanyKey));
    const std::unique_ptr<QDialog> mainWindow = startUp.createMainWindow();
    mainWindow->exec();
    return 0;
}

CZorvelApp::CZorvelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationNameFromPath(applicationFilePath()));
    // Lets a Wayland desktop match the window to its menu entry and icon.
    setDesktopFileName(QString::fromLatin1(kApplicationId));
}

int CZorvelApp::InitInstance() {
    // Made here so that they outlive the window that sends through them.
    const std::unique_ptr<SendServiceParts> sendParts = SendServiceParts::ForUser();
    return RunZorvel(
        {PlatformSocketsCheck, [&sendParts] {
             auto window = std::make_unique<CZorvelDlg>(
                 OpenProfileStore(kCompanyKey, QCoreApplication::applicationName().toStdString()),
                 sendParts->Services());
             window->SetOrdersFolder(sendParts->ordersFolder);
             return window;
         }});
}
