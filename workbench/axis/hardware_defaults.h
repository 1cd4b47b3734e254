// "AxisInit.xml": default axis types and I/O assignments per hardware version.
#pragma once

#include "workbench/axis/axis_port.h"
#include "workbench/axis/axis_table.h"

#include <filesystem>
#include <functional>
#include <string>

namespace korvan::axis {

/// Shows an error message box (title, text); the program routes it to the
/// platform's message service, tests record it.
using ErrorMessageSink = std::function<void(const std::string& title, const std::string& text)>;

/// Result of ApplyHardwareDefaults.
enum class HardwareDefaultsResult
{
    Done = 0,
    XmlComponentMissing =
        1, ///< kept for the caller's contract; the built-in reader is always there
    FileUnreadable = 2,
};

/// Where the file lies and how errors are shown.
struct HardwareDefaultsFile
{
    std::filesystem::path path; ///< the program directory's AxisInit.xml
    ErrorMessageSink showError;
};

/// Applies every entry whose HardVersion equals the controller's hardware version.
HardwareDefaultsResult ApplyHardwareDefaults(AxisPort& port, AxisTable& table,
                                             const HardwareDefaultsFile& file);

/// The file beside the running program.
std::filesystem::path DefaultHardwareDefaultsPath();

} // namespace korvan::axis
