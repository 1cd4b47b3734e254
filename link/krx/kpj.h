// The .kpj project file: which program files make up a package. A small
// text format (docs/krx-format.md):
//
//   KORVAN-KPJ 1
//   project=Demo
//   file=Demo.bas
//
// File names are relative to the program directory and follow the package's
// name rules.
#pragma once

#include "link/krx/krx.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvan::link::krx {

struct KpjProject
{
    std::string project;
    std::vector<std::string> files;
};

/// The text of a project file.
std::string formatKpj(const KpjProject& project);
/// Parses a project file's text; none when it is not a valid project.
std::optional<KpjProject> parseKpj(std::string_view text);

enum class ProjectError
{
    None,
    Unreadable,   // the project file or a program file cannot be read
    BadProject,   // the project file is not valid
    PackageError, // the files do not make a valid package (see krxError)
    OutsideFolder // a file's real path (after symbolic links) leaves the program folder
};

struct BuiltPackage
{
    ProjectError error = ProjectError::None;
    KrxError krxError = KrxError::None;
    std::vector<uint8_t> bytes;
};
/// Reads the project file and its program files from programDirectory and
/// encodes the package. A file that is, or lies behind, a symbolic link
/// leading out of programDirectory is refused.
BuiltPackage buildPackage(const std::filesystem::path& kpjPath,
                          const std::filesystem::path& programDirectory);

/// The whole content of a file, or none when it cannot be read or exceeds maxSize.
std::optional<std::vector<uint8_t>> readFileBytes(const std::filesystem::path& path,
                                                  std::size_t maxSize = kMaxPackageSize);

} // namespace korvan::link::krx
