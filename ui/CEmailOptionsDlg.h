#pragma once

#include "GameRecord.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

// Edits a copy of the mail options; the copy takes the controls' values only
// when the user confirms with OK.
class CEmailOptionsDlg : public QDialog {
    Q_OBJECT

public:
    // exec() returns the id of the command that ended the dialog.
    static constexpr int IdOk = 1;
    static constexpr int IdCancel = 2;

    explicit CEmailOptionsDlg(QWidget* parent = nullptr);

    // Takes a copy of the options and shows it in the controls.
    void SetValues(const MailSettings& values);
    // The dialog's copy: as given, or as the controls held when OK was pressed.
    const MailSettings& Values() const { return m_values; }

    void accept() override;
    void reject() override;

private:
    void CreateControls();
    void WriteControls();
    void ReadControls();

    MailSettings m_values;
    QLineEdit* m_returnName = nullptr;
    QLineEdit* m_returnEmail = nullptr;
    QLineEdit* m_mailProfile = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_receipt = nullptr;
};

// Lets the user edit the mail options in a modal dialog owned by owner (which
// stays blocked meanwhile). Returns true, with every field of settings
// replaced, when the user pressed OK; false, with settings untouched, else.
bool RunEmailOptions(MailSettings& settings, QWidget* owner);
