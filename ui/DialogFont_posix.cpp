#include "DialogUnits.h"

// A metric match for the classic 8-point dialog font.
QFont DialogFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(10);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
