// Dialog units: forms are laid out from the coordinates of their resource
// templates, which count a quarter of the dialog font's average character
// width horizontally and an eighth of its height vertically.
#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace korvan::platform {

class DialogUnits
{
public:
    /// Base units from the given dialog font.
    explicit DialogUnits(const QFont& font);
    /// Base units of the standard dialog font.
    DialogUnits();

    int baseX() const { return m_baseX; }
    int baseY() const { return m_baseY; }

    int toPixelsX(int dialogX) const;
    int toPixelsY(int dialogY) const;
    /// The pixel rectangle of a template rectangle (x, y, width, height).
    QRect toPixels(int x, int y, int width, int height) const;
    QRect toPixels(const QRect& dialogRect) const;
    QSize toPixels(const QSize& dialogSize) const;
    QPoint toPixels(const QPoint& dialogPoint) const;

private:
    int m_baseX;
    int m_baseY;
};

} // namespace korvan::platform
