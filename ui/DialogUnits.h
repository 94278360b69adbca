#pragma once

#include <QFont>
#include <QRect>

// Converts dialog-template units to pixels from the dialog font's metrics:
// a horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(int width, int height) const;

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

private:
    int m_baseX;
    int m_baseY;
};

// The font every dialog of ours is laid out in, one definition per platform:
// Windows' own dialog font, elsewhere a stand-in for it that the project's
// scripts install.
QFont DialogFont();
