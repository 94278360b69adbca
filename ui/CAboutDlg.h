#pragma once

#include <QDialog>

// The program's icon, name and version, closed with OK.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // exec() returns the id of the command that ended the box.
    static constexpr int IdOk = 1;
    static constexpr int IdCancel = 2;

    explicit CAboutDlg(QWidget* parent = nullptr);

    void reject() override;

private:
    void CreateControls();
};

// Shows the About box modally, owned by owner (which stays blocked meanwhile).
void RunAboutBox(QWidget* owner);

// The command id of the "&About Zorvel..." entry of the main window's system menu.
inline constexpr unsigned AboutCommandId = 0x0010;

// Whether a system command opens the About box: its id with the low four bits
// cleared is the About entry's, as the system uses those bits for itself.
constexpr bool IsAboutCommand(unsigned id) {
    return (id & 0xFFF0u) == AboutCommandId;
}
