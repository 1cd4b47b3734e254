// For fuzz targets whose reader takes a file name: the input is written to
// one file of this process on a memory file system, when there is one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace korvan::testing {

/// The path of this process's scratch file with the given extension.
inline std::filesystem::path scratchPath(const std::string& extension)
{
    const std::filesystem::path folder = std::filesystem::exists("/dev/shm")
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
    return folder / ("korvan-fuzz-" + std::to_string(::getpid()) + extension);
}

/// Writes the bytes to the scratch file and returns its path.
inline std::filesystem::path writeScratch(const uint8_t* data, std::size_t size,
                                          const std::string& extension)
{
    const std::filesystem::path path = scratchPath(extension);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

} // namespace korvan::testing
