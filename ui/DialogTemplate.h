#pragma once

#include "DialogUnits.h"

#include <QString>

#include <cstdint>

class QCheckBox;
class QDialog;
class QLabel;
class QPushButton;
class QRect;
class QWidget;

// Gives a dialog its template's frame: caption, close box, no minimise or
// maximise box, the dialog font and a fixed size in dialog units.
DialogUnits SetUpTemplateDialog(QDialog& dialog, const QString& caption, int width, int height);

// The templates were drawn for a narrower face than some systems' dialog
// font. A label or check box whose text needs more room than its template
// gives grows to its text, within the pixels from `left` to `right` (the
// neighbours' edges): first away from the side its text is anchored to,
// then the other way. One that fits keeps its template place.
void WidenToText(QLabel& label, int left, int right);
void WidenToText(QCheckBox& box, int left, int right);

// Lets `button`'s text use all of the button inside its frame, as the
// classic push button does: some styles keep wide margins that cut the text
// of the templates' 10-unit-high buttons.
void UseWholeButtonForText(QPushButton& button);

// A flag shown in a check box: 0 unchecked, 1 checked, 2 the box's third
// state; any other value is first set to 0.
void WriteCheckFlag(QCheckBox& box, std::int32_t& flag);
std::int32_t ReadCheckFlag(const QCheckBox& box);
