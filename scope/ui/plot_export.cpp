#include "scope/ui/plot_export.h"

#include "scope/render/scope_show.h"

#include <QFile>
#include <QPainter>
#include <QSvgGenerator>

namespace korvan::scope {

bool savePng(CScopeShow& display, const QString& path)
{
    const QImage image = display.renderImage(display.size());
    return !image.isNull() && image.save(path, "PNG");
}

bool saveSvg(CScopeShow& display, const QString& path, const QString& title)
{
    // The generator reports no failure of its own: see that the file can be made first.
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            return false;
    }
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(display.size());
    svg.setViewBox(QRect(QPoint(0, 0), display.size()));
    svg.setTitle(title);
    svg.setDescription(QStringLiteral("Wavora oscilloscope"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    display.renderVector(painter, display.size());
    return painter.end();
}

} // namespace korvan::scope
