// The axis parameter file: a Korbasic program that sets every real axis's
// parameters when the controller runs it. The grid exports AxisTable into
// one and imports one back; the import reads the file as an ini file whose
// sections are the axis blocks.
#pragma once

#include "workbench/axis/axis_port.h"
#include "workbench/axis/axis_table.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::axis {

/// The message boxes of the file operations: the program shows them, tests record them.
class FileMessages
{
public:
    virtual ~FileMessages() = default;
    /// A box owned by the page.
    virtual void inform(const std::string& text) = 0;
    /// A box of the application, owned by no window.
    virtual void informApplication(const std::string& text) = 0;
};

/// One input whose inversion is not 0.
struct InputInversion
{
    int input = 0;
    int value = 0;
};

/// The file's text: the GLOBAL lines of the output tables, one block per
/// real axis (at most 128), then one INVERT_IN line per inversion.
std::string BuildAxisFileText(const AxisTable& table, int virtualAxes, int realAxes,
                              std::span<const InputInversion> inversions);

/// The inversions that are not 0 of every local input, then of every input
/// of every expansion module; nothing when any query fails.
std::optional<std::vector<InputInversion>> ReadInputInversions(AxisPort& port, int localInputs);

/// Writes the parameter file of the controller's real axes. The target is
/// replaced only by the complete file: a failed query or write leaves it as it was.
bool ExportAxisFile(AxisPort& port, const AxisTable& table, const std::filesystem::path& path,
                    int language, FileMessages& messages);

/// The file as the ini reader takes it: cut at the first NUL, every "BASE("
/// made "[AXIS" and every ")'" made "]", so that each axis block is a section.
std::string AxisFileToProfileText(std::string_view bytes);

/// Reads axes 0..axes-1 (at most 128) of a parameter file's bytes into the
/// table: what a block lacks, and every axis without a block, reads as 0.
/// The ini text goes through the scratch file, which is removed on every
/// path; false (table unchanged) when it cannot be written.
bool ParseAxisFile(std::string_view bytes, int axes, const std::filesystem::path& scratch,
                   AxisTable& table);

/// Reads the parameter file at path into the table for the controller's
/// real axes; the scratch file is the import's "tempfile.ini".
void ImportAxisFile(AxisPort& port, AxisTable& table, const std::filesystem::path& path,
                    const std::filesystem::path& scratch, int language, FileMessages& messages);

} // namespace korvan::axis
