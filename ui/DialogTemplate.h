#pragma once

#include "DialogUnits.h"

#include <QString>

#include <cstdint>

class QCheckBox;
class QDialog;

// Gives a dialog its template's frame: caption, close box, no minimise or
// maximise box, the dialog font and a fixed size in dialog units.
DialogUnits SetUpTemplateDialog(QDialog& dialog, const QString& caption, int width, int height);

// A flag shown in a check box: 0 unchecked, 1 checked, 2 the box's third
// state; any other value is first set to 0.
void WriteCheckFlag(QCheckBox& box, std::int32_t& flag);
std::int32_t ReadCheckFlag(const QCheckBox& box);
