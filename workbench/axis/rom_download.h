// Burning the axis parameters into the controller: the parameter file,
// with the bus start-up program appended when the bus has nodes, made into
// a one-file project, packaged, downloaded into ROM and started.
#pragma once

#include "workbench/axis/axis_file.h"

#include <filesystem>
#include <string>

namespace korvan::axis {

/// The reply timeouts of the download: the making and download calls may
/// take long; afterwards the link waits no longer than this again.
inline constexpr std::uint32_t kRomDownloadTimeoutMs = 20000;
inline constexpr std::uint32_t kAfterRomDownloadTimeoutMs = 5000;

/// The name of the parameter file of a connection: its IP address, else its
/// serial port, else its PCI card name; empty when it has none (then the
/// user picks the file).
std::string RomFileStem(const std::string& ipName, const std::string& comName,
                        const std::string& pciName);

/// Where the download's files are.
struct RomDownloadFiles
{
    std::filesystem::path parameterFile; ///< written by the download
    std::filesystem::path busStartFile;  ///< "EcatInit.bas" beside the program
};

/// Exports the parameter file, appends the bus start-up file when busType
/// is not 0 and bus 0 has nodes, downloads the project into ROM and starts
/// it. Each failure is told once; the reply timeout ends at 5000 ms however
/// the download ends once it was raised.
void DownloadToRom(AxisPort& port, const AxisTable& table, const RomDownloadFiles& files,
                   int busType, int language, FileMessages& messages);

} // namespace korvan::axis
