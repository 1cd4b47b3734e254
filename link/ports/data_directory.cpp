#include "link/ports/data_directory.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace korvan::link {

std::filesystem::path korvanDataDirectory()
{
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : "/tmp";
    }
    return std::filesystem::path(home) / ".local" / "share" / "korvan";
}

} // namespace korvan::link
