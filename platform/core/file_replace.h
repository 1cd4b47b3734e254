// Replacing a file's content so that a reader, a crash or a full disk never
// leaves it half written: the new content goes to a temporary file of a
// unique name beside it, is flushed to the disk and renamed over the file.
// Qt-free and without other dependencies, for every writer of files the
// program keeps (ini files, project files, the virtual controller's state).
#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace korvan::platform {

/// What a symbolic link at the path means to a replacement.
enum class AtSymlink
{
    WriteTarget, ///< write the file the link leads to; the link stays
    ReplaceLink  ///< put the new file where the link is; its target is untouched
};

/// Replaces the content of path (or creates the file) with the bytes of
/// content. An existing file keeps its permissions (and owner, where
/// allowed); a new one gets 0666 less the umask. The folder must exist.
/// Returns the first error.
std::error_code replaceFileContent(const std::filesystem::path& path, std::string_view content,
                                   AtSymlink atSymlink);

/// Where a write through symbolic links at path lands (path itself when it is none).
std::filesystem::path resolveSymlinks(const std::filesystem::path& path);

} // namespace korvan::platform
