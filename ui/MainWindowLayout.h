#pragma once

#include "GameRecord.h"

#include <array>

class DialogUnits;
class MessageTextEdit;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Control ids of the main window.
enum MainWindowId {
    kIdExit = 1,
    kIdSendFiles = 1000,
    kIdDirectory = 1002,
    kIdGameSelector = 1050,
    kIdMessage = 1051,
    kIdEmailOptions = 1052,
    kIdFilePath = 1053,
    kIdAbout = 1057,
    kIdFilesBox = 1059,
    kIdBrowse = 1060,
    kIdDelete = 1065,
    kIdHelp = 57670,
};

struct PlayerRowIds {
    int email;
    int send;
    int turnFile;
};

// The ids of row N (1..16) of the player rows; they do not step evenly.
PlayerRowIds PlayerRowIdsOf(int number);

struct PlayerRowControls {
    QLabel* label = nullptr;
    QLineEdit* email = nullptr;
    QCheckBox* send = nullptr;
    QLineEdit* turnFile = nullptr;
};

struct MainWindowControls {
    std::array<PlayerRowControls, kPlayerCount> rows;
    QLineEdit* directory = nullptr;
    MessageTextEdit* message = nullptr;
    QCheckBox* filesBox = nullptr;
    QLineEdit* filePath = nullptr;
    QPushButton* browse = nullptr;
    QPushButton* sendFiles = nullptr;
    QPushButton* emailOptions = nullptr;
    QPushButton* exit = nullptr;
    QPushButton* about = nullptr;
    QPushButton* help = nullptr;
    QComboBox* gameSelector = nullptr;
    QPushButton* deleteGame = nullptr;

    PlayerRowControls& Row(int number) { return rows.at(static_cast<std::size_t>(number - 1)); }
    const PlayerRowControls& Row(int number) const {
        return rows.at(static_cast<std::size_t>(number - 1));
    }
};

// Creates every control of the main window on `dialog` at its template place,
// in template order (which is the tab order), each named by its id.
MainWindowControls BuildMainWindowControls(QDialog& dialog, const DialogUnits& units);

// Gives every control its fixed tool tip.
void AddMainWindowToolTips(const MainWindowControls& controls);
