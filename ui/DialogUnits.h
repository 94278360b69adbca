#pragma once

#include <QFont>
#include <QRect>

// Converts dialog-template units to pixels from the dialog font's metrics:
// a horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    QRect toPixels(int x, int y, int width, int height) const;
    QSize toPixels(int width, int height) const;

    int baseX() const { return m_baseX; }
    int baseY() const { return m_baseY; }

private:
    int m_baseX;
    int m_baseY;
};

// The font every dialog of ours is laid out in, one definition per platform:
// Windows' own dialog font, elsewhere a stand-in for it that the project's
// scripts install.
QFont DialogFont();
