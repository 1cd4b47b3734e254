// The display's picture as a PNG image or an SVG drawing, overlay included.
#pragma once

#include <QSize>
#include <QString>

namespace korvan::scope {

class CScopeShow;

/// Writes the picture at the display's size; false when the file cannot be written.
bool savePng(CScopeShow& display, const QString& path);
/// Writes the picture as vector paths; false when the file cannot be written.
bool saveSvg(CScopeShow& display, const QString& path, const QString& title);

} // namespace korvan::scope
