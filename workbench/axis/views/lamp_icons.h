// The panel's round lamps (resources 330 red, 331 green), drawn at 32 x 32.
#pragma once

#include <QPixmap>

namespace korvan::axis {

enum class LampColour
{
    Red = 330,
    Green = 331,
};

/// A 32 x 32 round lamp with a highlight, on a transparent background.
QPixmap LampPixmap(LampColour colour);

} // namespace korvan::axis
