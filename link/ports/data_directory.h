// The per-user directory under which virtual devices appear.
#pragma once

#include <filesystem>

namespace korvan::link {

/// ~/.local/share/korvan ($HOME, else the user's home directory).
std::filesystem::path korvanDataDirectory();

} // namespace korvan::link
