#pragma once

#include <QApplication>

#include <functional>

class QDialog;

// The steps of start-up after the application object exists: the sockets
// check, the store's root, then the main window as the one modal dialog.
struct StartUp {
    std::function<bool()> socketsCheck;
    std::function<std::unique_ptr<QDialog>()> createMainWindow;
};

// Runs start-up; the result is the process's exit status.
int RunZorvel(const StartUp& startUp);

// The application object: names the application after its program file.
class CZorvelApp : public QApplication {
    Q_OBJECT
public:
    CZorvelApp(int& argc, char** argv);

    // Start-up with the platform's sockets check and the real main window.
    int InitInstance();
};
