#pragma once

#include <QWidget>

class QPushButton;

// Stands in for the main window that owns a dialog: a window with one button
// that a test clicks the way the window system would deliver the click.
class OwnerWindow : public QWidget {
    Q_OBJECT

public:
    OwnerWindow();

    // Clicks the button through the window; true if the click reached it.
    bool ClickReachesButton();

private:
    QPushButton* m_button;
};
