#include "link/com_ports.h"

#include "link/ports/data_directory.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace korvan::link {

namespace {

const char* explicitComDirectory()
{
    const char* directory = std::getenv("KORVAN_COM_DIR");
    return directory && *directory ? directory : nullptr;
}

std::filesystem::path entryName(std::filesystem::path directory, unsigned port)
{
    return directory / ("COM" + std::to_string(port));
}

} // namespace

std::filesystem::path comPortDirectory()
{
    if (const char* directory = explicitComDirectory())
        return directory;
    return korvanDataDirectory() / "com";
}

std::optional<std::filesystem::path> comPortPath(unsigned port)
{
    if (port == 0)
        return std::nullopt;
    std::error_code error;
    const std::filesystem::path entry = entryName(comPortDirectory(), port);
    if (explicitComDirectory()) {
        if (!std::filesystem::exists(std::filesystem::symlink_status(entry, error)))
            return std::nullopt;
        return entry;
    }
    if (std::filesystem::exists(entry, error))
        return entry;
    return std::filesystem::path("/dev/ttyS" + std::to_string(port - 1));
}

std::vector<unsigned> availableComPorts(unsigned maxPort)
{
    std::vector<unsigned> ports;
    for (unsigned port = 1; port <= maxPort; ++port) {
        const auto path = comPortPath(port);
        if (path && ::access(path->c_str(), R_OK | W_OK) == 0)
            ports.push_back(port);
    }
    return ports;
}

} // namespace korvan::link
