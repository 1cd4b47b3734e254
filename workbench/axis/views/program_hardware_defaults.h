// The program's AxisInit.xml: beside the executable, errors in a message box.
#pragma once

#include "workbench/axis/hardware_defaults.h"

class QWidget;

namespace korvan::axis {

/// The defaults file beside the program; errors are shown with the error icon owned by parent.
HardwareDefaultsFile ProgramHardwareDefaults(QWidget* parent);
/// The same with the file at path.
HardwareDefaultsFile ProgramHardwareDefaults(QWidget* parent, std::filesystem::path path);

} // namespace korvan::axis
