#include "CEmailOptionsDlg.h"

#include "DialogTemplate.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace {

// Shows the text from its start, as a long value's beginning says most.
void ShowText(QLineEdit* edit, const std::string& text) {
    edit->setText(QString::fromStdString(text));
    edit->setCursorPosition(0);
}

// The edits take texts of any length, so a long stored value is handed back
// whole instead of being cut at Qt's default limit.
QLineEdit* AddEdit(QWidget* parent, const DialogUnits& units, const char* id, QRect rect) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(id));
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setGeometry(units.ToPixels(rect.x(), rect.y(), rect.width(), rect.height()));
    return edit;
}

QLabel* AddLabel(QWidget* parent, const DialogUnits& units, const char* name, const char* text,
                 QRect rect) {
    auto* label = new QLabel(QLatin1String(text), parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(units.ToPixels(rect.x(), rect.y(), rect.width(), rect.height()));
    return label;
}

// A word-wrapping label whose box grows upward when the wrapped text needs
// more lines than it holds: the buttons sit just below it.
QLabel* AddNote(QWidget* parent, const DialogUnits& units, const char* name, const char* text,
                QRect rect) {
    QLabel* note = AddLabel(parent, units, name, text, rect);
    note->setWordWrap(true);
    QRect box = note->geometry();
    const int needed =
        note->fontMetrics()
            .boundingRect(QRect(0, 0, box.width(), QWIDGETSIZE_MAX), Qt::TextWordWrap, note->text())
            .height();
    if (needed > box.height()) {
        box.setTop(box.bottom() + 1 - needed);
        note->setGeometry(box);
    }
    return note;
}

QPushButton* AddButton(QWidget* parent, const DialogUnits& units, const char* id, const char* text,
                       QRect rect) {
    auto* button = new QPushButton(QLatin1String(text), parent);
    button->setObjectName(QLatin1String(id));
    button->setGeometry(units.ToPixels(rect.x(), rect.y(), rect.width(), rect.height()));
    UseWholeButtonForText(*button);
    return button;
}

struct LabelTemplate {
    const char* name;
    const char* text;
    QRect rect;
};

constexpr LabelTemplate kLabels[] = {
    {"profileLabel", "Email Profile:", QRect(11, 38, 41, 8)},
    {"passwordLabel", "Password:", QRect(18, 50, 34, 8)},
    {"returnNameLabel", "Return Name:", QRect(7, 8, 45, 8)},
    {"returnEmailLabel", "Return Email:", QRect(9, 21, 43, 8)},
};

} // namespace

CEmailOptionsDlg::CEmailOptionsDlg(QWidget* parent) : QDialog(parent) {
    SetUpTemplateDialog(*this, QStringLiteral("Email Options"), 186, 116);
    CreateControls();
    m_returnName->setFocus();
}

// Created in the template's order, which is also the tab order.
void CEmailOptionsDlg::CreateControls() {
    const DialogUnits units(font());
    m_returnName = AddEdit(this, units, "1056", QRect(54, 7, 85, 12));
    m_returnEmail = AddEdit(this, units, "1057", QRect(54, 19, 85, 12));
    m_mailProfile = AddEdit(this, units, "1053", QRect(54, 36, 85, 12));
    m_password = AddEdit(this, units, "1054", QRect(54, 49, 85, 12));
    m_password->setEchoMode(QLineEdit::Password);
    m_receipt = new QCheckBox(QStringLiteral("Return Receipt"), this);
    m_receipt->setObjectName(QStringLiteral("1055"));
    m_receipt->setGeometry(units.ToPixels(54, 65, 64, 10));
    // A click leaves the third state for good: the box is a two-state box.
    connect(m_receipt, &QCheckBox::clicked, m_receipt, [this] { m_receipt->setTristate(false); });

    auto* ok = AddButton(this, units, "1", "OK", QRect(129, 95, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CEmailOptionsDlg::accept);
    auto* cancel = AddButton(this, units, "2", "Cancel", QRect(75, 95, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &CEmailOptionsDlg::reject);

    // Labels may grow up to the edits' left edge.
    const int editsLeft = units.ToPixelsX(54) - 1;
    WidenToText(*m_receipt, units.ToPixelsX(54), units.ToPixelsX(142) - 1);
    for (const auto& [name, text, rect] : kLabels) {
        WidenToText(*AddLabel(this, units, name, text, rect), 2, editsLeft);
    }
    AddNote(this, units, "passwordNote", "* This item not stored in an encrypted manner!",
            QRect(142, 52, 35, 40));
}

void CEmailOptionsDlg::SetValues(const MailSettings& values) {
    m_values = values;
    WriteControls();
}

void CEmailOptionsDlg::accept() {
    ReadControls();
    done(IdOk);
}

void CEmailOptionsDlg::reject() {
    done(IdCancel);
}

void CEmailOptionsDlg::WriteControls() {
    ShowText(m_password, m_values.password);
    ShowText(m_mailProfile, m_values.mailProfile);
    WriteCheckFlag(*m_receipt, m_values.receipt);
    ShowText(m_returnEmail, m_values.returnEmail);
    ShowText(m_returnName, m_values.returnName);
}

void CEmailOptionsDlg::ReadControls() {
    m_values.password = m_password->text().toStdString();
    m_values.mailProfile = m_mailProfile->text().toStdString();
    m_values.receipt = ReadCheckFlag(*m_receipt);
    m_values.returnEmail = m_returnEmail->text().toStdString();
    m_values.returnName = m_returnName->text().toStdString();
}

bool RunEmailOptions(MailSettings& settings, QWidget* owner) {
    CEmailOptionsDlg dialog(owner);
    dialog.SetValues(settings);
    if (dialog.exec() != CEmailOptionsDlg::IdOk) {
        return false;
    }
    settings = dialog.Values();
    return true;
}
