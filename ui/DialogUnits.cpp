#include "DialogUnits.h"

#include <QFontMetrics>

namespace {

int Scaled(int units, int base, int divisor) {
    return (units * base + divisor / 2) / divisor;
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (alphabetWidth / 26 + 1) / 2;
    m_baseY = metrics.height();
}

int DialogUnits::toPixelsX(int units) const {
    return Scaled(units, m_baseX, 4);
}

int DialogUnits::toPixelsY(int units) const {
    return Scaled(units, m_baseY, 8);
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
    const int left = toPixelsX(x);
    const int top = toPixelsY(y);
    return QRect(left, top, toPixelsX(x + width) - left, toPixelsY(y + height) - top);
}

QSize DialogUnits::toPixels(int width, int height) const {
    return QSize(toPixelsX(width), toPixelsY(height));
}
