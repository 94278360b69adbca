#include "MainWindowLayout.h"

#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "MessageTextEdit.h"
#include "ProgramIdentity.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include <utility>

namespace {

struct PlayerRowTemplate {
    int labelY;
    int labelWidth;
    PlayerRowIds ids;
    int editY;
    int boxY;
};

constexpr std::array<PlayerRowTemplate, kPlayerCount> kPlayerRows{{
    {9, 26, {1001, 1003, 1006}, 7, 8},
    {22, 26, {1004, 1005, 1007}, 20, 21},
    {35, 26, {1008, 1009, 1010}, 33, 34},
    {48, 26, {1011, 1012, 1013}, 46, 47},
    {61, 26, {1014, 1015, 1016}, 59, 60},
    {74, 26, {1017, 1018, 1019}, 72, 73},
    {87, 26, {1020, 1021, 1022}, 85, 86},
    {100, 26, {1023, 1024, 1027}, 98, 99},
    {112, 26, {1025, 1026, 1028}, 110, 112},
    {124, 29, {1029, 1030, 1031}, 123, 124},
    {138, 30, {1032, 1033, 1034}, 136, 137},
    {151, 30, {1035, 1036, 1037}, 149, 150},
    {164, 29, {1038, 1039, 1040}, 162, 163},
    {177, 29, {1041, 1042, 1043}, 175, 176},
    {189, 29, {1044, 1045, 1046}, 187, 188},
    {202, 29, {1047, 1048, 1049}, 200, 202},
}};

const PlayerRowTemplate& RowTemplate(int number) {
    return kPlayerRows.at(static_cast<std::size_t>(number - 1));
}

template <typename Control> Control* Place(Control* control, int id, const QRect& rect) {
    control->setObjectName(QString::number(id));
    control->setGeometry(rect);
    return control;
}

QLineEdit* SingleLineEdit(QDialog& dialog, int id, const QRect& rect) {
    return Place(new QLineEdit(&dialog), id, rect);
}

QCheckBox* CheckBox(QDialog& dialog, int id, const QString& text, const QRect& rect) {
    auto* box = Place(new QCheckBox(text, &dialog), id, rect);
    // The template leaves only the classic narrow gap between box and text.
    box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 3px; }"));
    return box;
}

QPushButton* Button(QDialog& dialog, int id, const QString& text, const QRect& rect) {
    auto* button = Place(new QPushButton(text, &dialog), id, rect);
    UseWholeButtonForText(*button);
    // A focused push button takes Enter, as on the platform we follow; the
    // default button gets it back once the focus leaves.
    button->setAutoDefault(true);
    return button;
}

// `room` is how far, in pixels, the label may grow when its text needs it.
QLabel* Label(QDialog& dialog, const QString& name, const QString& text, const QRect& rect,
              Qt::Alignment alignment, std::pair<int, int> room) {
    auto* label = new QLabel(text, &dialog);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setGeometry(rect);
    WidenToText(*label, room.first, room.second);
    return label;
}

void BuildPlayerEditsAndBoxes(QDialog& dialog, const DialogUnits& units,
                              MainWindowControls& controls) {
    for (int number = 1; number <= kPlayerCount; ++number) {
        const PlayerRowTemplate& row = RowTemplate(number);
        PlayerRowControls& built = controls.Row(number);
        built.email = SingleLineEdit(dialog, row.ids.email, units.ToPixels(38, row.editY, 92, 12));
        built.send = CheckBox(dialog, row.ids.send, QStringLiteral("Send"),
                              units.ToPixels(131, row.boxY, 33, 10));
    }
}

// The template gives "About Zorvel" less room than its text needs; it grows
// to the right, where there is space before "E&xit ".
QRect AboutButtonRect(const DialogUnits& units, const QFont& font) {
    QRect rect = units.ToPixels(317, 200, 43, 10);
    const int needed = QFontMetrics(font).horizontalAdvance(QStringLiteral("About Zorvel")) + 8;
    const int room = units.ToPixelsX(373) - 2 - rect.left();
    rect.setWidth(std::min(std::max(rect.width(), needed), room));
    return rect;
}

void BuildRightPaneControls(QDialog& dialog, const DialogUnits& units,
                            MainWindowControls& controls) {
    controls.directory = SingleLineEdit(dialog, kIdDirectory, units.ToPixels(316, 30, 101, 12));
    controls.message = Place(new MessageTextEdit(kNotesLimit, &dialog), kIdMessage,
                             units.ToPixels(280, 74, 143, 56));
    controls.filesBox =
        CheckBox(dialog, kIdFilesBox, QStringLiteral("Files:"), units.ToPixels(280, 132, 28, 10));
    WidenToText(*controls.filesBox, units.ToPixelsX(280), units.ToPixelsX(310) - 1);
    controls.filePath = SingleLineEdit(dialog, kIdFilePath, units.ToPixels(310, 131, 103, 25));
    controls.browse =
        Button(dialog, kIdBrowse, QStringLiteral("..."), units.ToPixels(413, 131, 10, 12));
    controls.sendFiles = Button(dialog, kIdSendFiles, QStringLiteral("Send Files"),
                                units.ToPixels(345, 161, 68, 26));
    controls.emailOptions = Button(dialog, kIdEmailOptions, QStringLiteral("Email Options"),
                                   units.ToPixels(283, 184, 50, 14));
    controls.exit =
        Button(dialog, kIdExit, QStringLiteral("E&xit "), units.ToPixels(373, 196, 50, 14));
    controls.exit->setDefault(true);
    controls.about = Button(dialog, kIdAbout, QStringLiteral("About Zorvel"),
                            AboutButtonRect(units, dialog.font()));
    controls.help =
        Button(dialog, kIdHelp, QStringLiteral("&Help"), units.ToPixels(283, 200, 32, 10));
    controls.help->setEnabled(false);
}

void BuildStaticsAndTurnFileFields(QDialog& dialog, const DialogUnits& units,
                                   MainWindowControls& controls) {
    auto* group = new QGroupBox(QStringLiteral("Game Info"), &dialog);
    group->setObjectName(QStringLiteral("gameInfo"));
    group->setGeometry(units.ToPixels(280, 7, 143, 54));
    // Inside the group's frame, up to the fields.
    const std::pair<int, int> gameInfoRoom{units.ToPixelsX(281), units.ToPixelsX(316) - 1};
    Label(dialog, QStringLiteral("nameLabel"), QStringLiteral("Name:"),
          units.ToPixels(291, 18, 22, 8), Qt::AlignRight, gameInfoRoom);
    Label(dialog, QStringLiteral("directoryLabel"), QStringLiteral("Directory:"),
          units.ToPixels(282, 31, 31, 8), Qt::AlignRight, gameInfoRoom);
    for (int number = 1; number <= kPlayerCount; ++number) {
        const PlayerRowTemplate& row = RowTemplate(number);
        PlayerRowControls& built = controls.Row(number);
        built.label = Label(dialog, QStringLiteral("playerLabel%1").arg(number),
                            QStringLiteral("Player %1").arg(number),
                            units.ToPixels(7, row.labelY, row.labelWidth, 8), Qt::AlignLeft,
                            {2, units.ToPixelsX(38) - 1});
        built.turnFile =
            SingleLineEdit(dialog, row.ids.turnFile, units.ToPixels(165, row.editY, 111, 12));
        built.turnFile->setReadOnly(true);
        // Out of the Tab chain, yet a click focuses it so a path can be copied.
        built.turnFile->setFocusPolicy(Qt::ClickFocus);
    }
    Label(dialog, QStringLiteral("messageLabel"), QStringLiteral("Message Text:"),
          units.ToPixels(279, 64, 48, 8), Qt::AlignLeft,
          {units.ToPixelsX(279), units.ToPixelsX(423)});
}

// The template's height of the selector with its list dropped down; the
// edit part takes its own height of it, the list shows as many entries of
// the font's height as fit into the rest.
int DroppedListEntries(const DialogUnits& units, int editHeight) {
    constexpr int kDroppedHeight = 70;
    return (units.ToPixelsY(kDroppedHeight) - editHeight) / units.BaseY();
}

void BuildGameControls(QDialog& dialog, const DialogUnits& units, MainWindowControls& controls) {
    const QRect place = units.ToPixels(316, 16, 101, 12);
    auto* selector = Place(new QComboBox(&dialog), kIdGameSelector, place);
    selector->setEditable(true);
    selector->setInsertPolicy(QComboBox::NoInsert);
    selector->setCompleter(nullptr);
    selector->setMaxVisibleItems(DroppedListEntries(units, place.height()));
    // Every entry is one line in one font: the dropped-down list need not
    // measure each of a host's thousands of games before it shows.
    qobject_cast<QListView*>(selector->view())->setUniformItemSizes(true);
    controls.gameSelector = selector;
    controls.deleteGame =
        Button(dialog, kIdDelete, QStringLiteral("&Delete"), units.ToPixels(379, 43, 38, 13));
}

} // namespace

PlayerRowIds PlayerRowIdsOf(int number) {
    return RowTemplate(number).ids;
}

MainWindowControls BuildMainWindowControls(QDialog& dialog, const DialogUnits& units) {
    MainWindowControls controls;
    BuildPlayerEditsAndBoxes(dialog, units, controls);
    BuildRightPaneControls(dialog, units, controls);
    BuildStaticsAndTurnFileFields(dialog, units, controls);
    BuildGameControls(dialog, units, controls);
    // The group box frames controls created before it; keep it beneath them.
    dialog.findChild<QGroupBox*>(QStringLiteral("gameInfo"))->lower();
    return controls;
}

void AddMainWindowToolTips(const MainWindowControls& controls) {
    controls.browse->setToolTip(QStringLiteral("Select additional attachment(s)"));
    controls.filePath->setToolTip(QStringLiteral("Additional file(s) to attach to each message"));
    controls.directory->setToolTip(QStringLiteral("Directory the game files (*.m*) are located"));
    controls.gameSelector->setToolTip(QStringLiteral("Name of the game files (gamename.m*)"));
    controls.message->setToolTip(QStringLiteral("Text to be included in each message"));
    controls.filesBox->setToolTip(QStringLiteral("Yes, attach file(s) to each message"));
    controls.sendFiles->setToolTip(QStringLiteral("Click me to send all messages and attachments"));
    controls.emailOptions->setToolTip(
        QStringLiteral("Additional setup information for your email client"));
    controls.about->setToolTip(QStringLiteral("Information about Zorvel and ") +
                               QString::fromUtf8(kMakerName));
    controls.exit->setToolTip(QStringLiteral("Save all data and Exit Zorvel"));
    controls.help->setToolTip(QStringLiteral("Critical information on Zorvel"));
    controls.deleteGame->setToolTip(QStringLiteral("Delete this Game information"));
    for (int number = 1; number <= kPlayerCount; ++number) {
        const PlayerRowControls& row = controls.Row(number);
        row.email->setToolTip(QStringLiteral("Email address for Player %1").arg(number));
        row.send->setToolTip(QStringLiteral("Yes, send files to Player %1").arg(number));
        row.turnFile->setToolTip(QStringLiteral("This file will be sent to Player %1").arg(number));
    }
}
