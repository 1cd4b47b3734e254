#include "platform/ui/dialog_units.h"

#include "platform/ui/fonts.h"

#include <QFontMetrics>

namespace korvan::platform {
namespace {

// a * b / c rounded to the nearest integer, as MulDiv does.
int mulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average width of the 52 Latin letters, rounded.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (letters / 26 + 1) / 2;
    m_baseY = metrics.height();
    if (m_baseX < 1)
        m_baseX = 1;
    if (m_baseY < 1)
        m_baseY = 1;
}

DialogUnits::DialogUnits() : DialogUnits(dialogFont()) {}

int DialogUnits::toPixelsX(int dialogX) const
{
    return mulDiv(dialogX, m_baseX, 4);
}

int DialogUnits::toPixelsY(int dialogY) const
{
    return mulDiv(dialogY, m_baseY, 8);
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const
{
    // Edges are converted, not sizes, so that adjacent controls stay adjacent.
    const int left = toPixelsX(x);
    const int top = toPixelsY(y);
    return {left, top, toPixelsX(x + width) - left, toPixelsY(y + height) - top};
}

QRect DialogUnits::toPixels(const QRect& dialogRect) const
{
    return toPixels(dialogRect.x(), dialogRect.y(), dialogRect.width(), dialogRect.height());
}

QSize DialogUnits::toPixels(const QSize& dialogSize) const
{
    return {toPixelsX(dialogSize.width()), toPixelsY(dialogSize.height())};
}

QPoint DialogUnits::toPixels(const QPoint& dialogPoint) const
{
    return {toPixelsX(dialogPoint.x()), toPixelsY(dialogPoint.y())};
}

} // namespace korvan::platform
