#include "CZorvelDlg.h"

#include "AfterFirstExposure.h"
#include "CAboutDlg.h"
#include "CEmailOptionsDlg.h"
#include "DialogTemplate.h"
#include "DisabledToolTipFilter.h"
#include "GameSelectorBox.h"
#include "InputBlocker.h"
#include "MessageBoxes.h"
#include "MessageTextEdit.h"
#include "ProgramIcon.h"
#include "SendHistoryDlg.h"
#include "SendProgressDlg.h"
#include "SystemMenu.h"
#include "WindowOrdersActions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <limits>

namespace {

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

void SetTextIfDifferent(QLineEdit* edit, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (edit->text() != wanted) {
        edit->setText(wanted);
    }
}

void LiftLengthLimits(const MainWindowControls& controls) {
    for (auto* edit : controls.rows.front().email->parentWidget()->findChildren<QLineEdit*>()) {
        edit->setMaxLength(std::numeric_limits<int>::max());
    }
}

} // namespace

namespace {

MainWindowControls BuildControls(QDialog& dialog) {
    const DialogUnits units = SetUpTemplateDialog(dialog, QStringLiteral("Zorvel"), 430, 217);
    MainWindowControls controls = BuildMainWindowControls(dialog, units);
    LiftLengthLimits(controls);
    return controls;
}

} // namespace

CZorvelDlg::CZorvelDlg(std::unique_ptr<ProfileStore> store, SendServices sendServices,
                       MailLibraryChoice mailLibraries, QWidget* parent)
    : QDialog(parent), m_controls(BuildControls(*this)),
      m_selector(new GameSelectorBox(*m_controls.gameSelector)),
      m_inputBlocker(new InputBlocker(*this)), m_profileStore(std::move(store)),
      m_store(*m_profileStore, m_game, m_mail, *this, *m_selector), m_mailLibraries(mailLibraries),
      m_mapi(*this, std::move(mailLibraries)), m_sendServices(sendServices),
      m_progress(new SendProgressDlg(this)),
      m_dispatcher(m_game, m_mail, *this, m_mapi, m_sendServices) {
    MessageBoxes::SetOwner(this);
    StartUp();
    ConnectHandlers();
    ConnectMenus();
    new AfterFirstExposure(*this, [this] { m_store.TellOpeningNotice(); });
}

void CZorvelDlg::StartUp() {
    WriteControls();
    AddAboutToSystemMenu(*this);
    setWindowIcon(ProgramIcon());
    m_store.ReadSettings();
    if (!m_game.name.empty()) {
        m_store.LoadGame();
    }
    AddMainWindowToolTips(m_controls);
    new DisabledToolTipFilter(*this);
    m_store.LoadGameList();
    m_store.SelectShownGame();
    WriteControls();
    m_controls.Row(1).email->setFocus();
}

CZorvelDlg::~CZorvelDlg() {
    if (MessageBoxes::Owner() == this) {
        MessageBoxes::SetOwner(nullptr);
    }
}

void CZorvelDlg::ConnectHandlers() {
    for (int number = 1; number <= kPlayerCount; ++number) {
        const PlayerRowControls& row = m_controls.Row(number);
        connect(row.email, &QLineEdit::textEdited, this, [this, number] { OnEmailEdited(number); });
        connect(row.send, &QCheckBox::clicked, this, &CZorvelDlg::OnSendBoxClicked);
    }
    connect(m_controls.filePath, &QLineEdit::textEdited, this, &CZorvelDlg::OnFilePathEdited);
    connect(m_controls.directory, &QLineEdit::textEdited, this, &CZorvelDlg::OnDirectoryEdited);
    connect(m_controls.browse, &QPushButton::clicked, this, &CZorvelDlg::OnBrowse);
    connect(m_controls.exit, &QPushButton::clicked, this, &CZorvelDlg::accept);
    connect(m_controls.gameSelector, &QComboBox::activated, this, [this] { m_store.SwitchGame(); });
    connect(m_controls.deleteGame, &QPushButton::clicked, this, [this] { m_store.DeleteGame(); });
    connect(m_controls.sendFiles, &QPushButton::clicked, this,
            [this] { m_dispatcher.SendFiles(); });
    connect(m_controls.emailOptions, &QPushButton::clicked, this,
            [this] { RunEmailOptions(m_mail, this); });
    connect(m_controls.about, &QPushButton::clicked, this, [this] { RunAboutBox(this); });
}

bool CZorvelDlg::OnSystemCommand(unsigned id) {
    if (!IsAboutCommand(id)) {
        return false;
    }
    RunAboutBox(this);
    return true;
}

bool CZorvelDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    unsigned command = 0;
    if (SystemCommandOf(eventType, message, command) && OnSystemCommand(command)) {
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}

bool CZorvelDlg::ReadControls() {
    ReadTexts();
    const QString notes = m_controls.message->Text();
    m_game.notes = notes.toStdString();
    if (notes.size() > kNotesLimit) {
        MessageBoxes::Show(
            QStringLiteral("Please enter no more than %1 characters.").arg(kNotesLimit));
        m_controls.message->setFocus();
        m_controls.message->selectAll();
        return false;
    }
    m_game.addFile = ReadCheckFlag(*m_controls.filesBox);
    m_game.filePath = Text(m_controls.filePath);
    m_game.name = m_selector->EditText().toStdString();
    return true;
}

void CZorvelDlg::ReadTexts() {
    for (int number = 1; number <= kPlayerCount; ++number) {
        m_game.Player(number).turnFile = Text(m_controls.Row(number).turnFile);
    }
    for (int number = 1; number <= kPlayerCount; ++number) {
        m_game.Player(number).email = Text(m_controls.Row(number).email);
    }
    for (int number = 1; number <= kPlayerCount; ++number) {
        m_game.Player(number).send = ReadCheckFlag(*m_controls.Row(number).send);
    }
    m_game.directory = Text(m_controls.directory);
}

void CZorvelDlg::WriteControls() {
    WriteTexts();
    const QString notes = QString::fromStdString(m_game.notes);
    if (m_controls.message->Text() != notes) {
        m_controls.message->SetText(notes);
    }
    WriteCheckFlag(*m_controls.filesBox, m_game.addFile);
    SetTextIfDifferent(m_controls.filePath, m_game.filePath);
    m_selector->ShowName(QString::fromStdString(m_game.name));
}

void CZorvelDlg::WriteTexts() {
    for (int number = 1; number <= kPlayerCount; ++number) {
        SetTextIfDifferent(m_controls.Row(number).turnFile, m_game.Player(number).turnFile);
    }
    for (int number = 1; number <= kPlayerCount; ++number) {
        SetTextIfDifferent(m_controls.Row(number).email, m_game.Player(number).email);
    }
    for (int number = 1; number <= kPlayerCount; ++number) {
        WriteCheckFlag(*m_controls.Row(number).send, m_game.Player(number).send);
    }
    SetTextIfDifferent(m_controls.directory, m_game.directory);
}

void CZorvelDlg::RefreshRow(int number) {
    ::RefreshRow(m_game, *this, number);
}

void CZorvelDlg::RefreshFilesRow() {
    ::RefreshFilesRow(m_game, *this);
}

void CZorvelDlg::RefreshAllTurnFiles() {
    ::RefreshAllTurnFiles(m_game);
}

bool CZorvelDlg::IsSendBoxEnabled(int number) const {
    return m_controls.Row(number).send->isEnabled();
}

bool CZorvelDlg::IsFilesBoxEnabled() const {
    return m_controls.filesBox->isEnabled();
}

bool CZorvelDlg::AskYesNo(const std::string& question) {
    return MessageBoxes::Show(QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Yes) == QMessageBox::Yes;
}

void CZorvelDlg::ShowMessage(const std::string& text) {
    MessageBoxes::Show(QString::fromStdString(text));
}

void CZorvelDlg::SetSendBoxEnabled(int number, bool enabled) {
    m_controls.Row(number).send->setEnabled(enabled);
}

void CZorvelDlg::UncheckSendBox(int number) {
    m_controls.Row(number).send->setCheckState(Qt::Unchecked);
}

void CZorvelDlg::SetFilesBoxEnabled(bool enabled) {
    m_controls.filesBox->setEnabled(enabled);
}

void CZorvelDlg::UncheckFilesBox() {
    m_controls.filesBox->setCheckState(Qt::Unchecked);
}

void CZorvelDlg::accept() {
    if (!m_store.Exit()) {
        return;
    }
    if (ReadControls()) {
        QDialog::accept();
    }
}

void CZorvelDlg::BeginWaitCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void CZorvelDlg::EndWaitCursor() {
    QGuiApplication::restoreOverrideCursor();
}

void CZorvelDlg::Block() {
    m_inputBlocker->Block();
}

void CZorvelDlg::GiveBack() {
    m_inputBlocker->Release();
    setEnabled(true);
    activateWindow();
    setFocus();
}

MapiUIParam CZorvelDlg::OwnerHandle() const {
    return static_cast<MapiUIParam>(winId());
}

bool CZorvelDlg::AskSendAnyway(const std::string& warnings) {
    return MessageBoxes::Show(QString::fromStdString(warnings),
                              QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel,
                              {{QMessageBox::Yes, QStringLiteral("Send anyway")}}) ==
           QMessageBox::Yes;
}

bool CZorvelDlg::AskSendRest(const std::string& outcome) {
    return MessageBoxes::Show(QString::fromStdString(outcome), QMessageBox::Retry | QMessageBox::Ok,
                              QMessageBox::Ok,
                              {{QMessageBox::Retry, QStringLiteral("Send to those not sent")}}) ==
           QMessageBox::Retry;
}

void CZorvelDlg::StartProgress(int total) {
    m_progress->Start(total);
}

bool CZorvelDlg::ShowProgress(int number, const std::string& text) {
    return m_progress->Step(number, QString::fromStdString(text));
}

void CZorvelDlg::EndProgress() {
    m_progress->Finish();
}

void CZorvelDlg::ConnectMenus() {
    const auto popUp = [](QWidget* widget, QMenu* menu, const QPoint& at) {
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(widget->mapToGlobal(at));
    };
    for (int number = 1; number <= kPlayerCount; ++number) {
        QLineEdit* email = m_controls.Row(number).email;
        email->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(email, &QWidget::customContextMenuRequested, this,
                [this, email, number, popUp](const QPoint& at) {
                    popUp(email, AddressMenu(number), at);
                });
    }
    QPushButton* sendFiles = m_controls.sendFiles;
    sendFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(sendFiles, &QWidget::customContextMenuRequested, this,
            [this, sendFiles, popUp](const QPoint& at) { popUp(sendFiles, SendFilesMenu(), at); });
}

QMenu* CZorvelDlg::AddressMenu(int number) {
    QLineEdit* email = m_controls.Row(number).email;
    QMenu* menu = email->createStandardContextMenu();
    menu->addSeparator();
    const QString player = QString::number(number);
    QAction* sendOne = menu->addAction(QStringLiteral("Send to Player %1 only").arg(player), this,
                                       [this, number] { m_dispatcher.SendPlayers({number}); });
    sendOne->setEnabled(!email->text().isEmpty());
    menu->addAction(
        QStringLiteral("What was sent to Player %1...").arg(player), this, [this, number] {
            ShowHistory(QStringLiteral("What was sent to Player %1").arg(number), number);
        });
    return menu;
}

QMenu* CZorvelDlg::SendFilesMenu() {
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("Check turn files"), this,
                    [this] { m_dispatcher.CheckTurnFiles(); });
    // Read from the record, so it serves after a run that died as well; a
    // record that cannot be read leaves it off, and "Sent history..." says why.
    std::string problem;
    const std::optional<SendHistory> history =
        ReadSendHistory(m_sendServices, m_selector->EditText().toStdString(), problem);
    const std::vector<int> unsent = history ? history->NotSentInLastRun() : std::vector<int>();
    QAction* rest = menu->addAction(QStringLiteral("Send to those not sent"), this,
                                    [this, unsent] { m_dispatcher.SendPlayers(unsent); });
    rest->setEnabled(!unsent.empty());
    QAction* test = menu->addAction(QStringLiteral("Send a test message to me"), this,
                                    [this] { m_dispatcher.SendTestMessage(); });
    test->setEnabled(!m_mail.returnEmail.empty());
    menu->addAction(QStringLiteral("Sent history..."), this, [this] {
        ShowHistory(QStringLiteral("Sent history: %1").arg(m_selector->EditText()), std::nullopt);
    });
    QAction* orders =
        menu->addAction(QStringLiteral("Collect orders..."), this, [this] { ShowOrders(); });
    orders->setEnabled(m_ordersFolder != nullptr && !m_selector->EditText().isEmpty());
    return menu;
}

void CZorvelDlg::ShowHistory(const QString& title, std::optional<int> player) {
    ReadControls();
    const std::optional<SendHistory> history = m_dispatcher.History();
    if (history) {
        SendHistoryDlg(title, history->Entries(player), m_sendServices.clock, this).exec();
    }
}

void CZorvelDlg::ShowOrders() {
    if (!ReadControls()) {
        return;
    }
    WindowOrdersActions actions(m_game, m_mail, *m_profileStore, m_sendServices, *m_ordersFolder,
                                m_mailLibraries, *this, this, m_dispatcher);
    COrdersDlg(QString::fromStdString(m_game.name), actions, this).exec();
}

void CZorvelDlg::OnEmailEdited(int number) {
    ReadControls();
    RefreshRow(number);
    WriteControls();
}

void CZorvelDlg::OnFilePathEdited() {
    ReadControls();
    RefreshFilesRow();
    WriteControls();
}

void CZorvelDlg::OnDirectoryEdited() {
    ReadControls();
    RefreshAllTurnFiles();
    WriteControls();
}

void CZorvelDlg::OnSendBoxClicked() {
    ReadControls();
    RefreshAllTurnFiles();
    WriteControls();
}

void CZorvelDlg::OnBrowse() {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    ReadControls();
    m_game.filePath = QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
    RefreshFilesRow();
    WriteControls();
}
