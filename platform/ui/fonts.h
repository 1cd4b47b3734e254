// Fonts named as the forms and views name them ("宋体", height -15, weight
// 400) mapped onto what is installed here (WenQuanYi Micro Hei for CJK).
#pragma once

#include <QFont>
#include <QString>

namespace korvan::platform {

/// The installed family that stands in for a family the forms name.
QString mapFontFamily(const QString& family);

/// A font given as the classic logical font: a negative height is the
/// character height in pixels, a positive one the cell height; weight 400
/// normal, 700 bold.
QFont logicalFont(const QString& family, int height, int weight = 400);

/// The font dialogs are laid out with ("宋体", 9 points at 96 dpi).
QFont dialogFont();

} // namespace korvan::platform
