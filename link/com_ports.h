// Where serial port COM<n> lives on this machine, shared by libkorvan.so and
// the workbench's port list.
//
// With $KORVAN_COM_DIR set, COM<n> is only that directory's entry "COM<n>"
// (a link to a tty, e.g. a virtual controller's pty). Without it, the entry
// in ~/.local/share/korvan/com is used when it exists, else /dev/ttyS<n-1>.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace korvan::link {

/// The directory of COM<n> entries: $KORVAN_COM_DIR or the default.
std::filesystem::path comPortDirectory();
/// The device path of COM<port> (port from 1); none for port 0 or when the
/// explicit COM directory has no such entry.
std::optional<std::filesystem::path> comPortPath(unsigned port);
/// The ports from 1 to maxPort whose device exists and may be opened for
/// reading and writing.
std::vector<unsigned> availableComPorts(unsigned maxPort = 32);

} // namespace korvan::link
