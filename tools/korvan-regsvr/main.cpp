// korvan-regsvr [/u] [/s] LIBRARY
// Loads a component library and calls its DllRegisterServer (or, with /u,
// DllUnregisterServer). Exit status 0 on success, 3 when the library cannot
// be loaded, 4 when the export fails or is missing, 1 on bad usage.
#include "platform/components/component_library.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

int main(int argc, char** argv)
{
    bool unregister = false;
    bool silent = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "/u" || arg == "-u")
            unregister = true;
        else if (arg == "/s" || arg == "-s")
            silent = true;
        else if (!library)
            library = argv[i];
        else
            library = nullptr, i = argc;
    }
    if (!library) {
        std::fprintf(stderr, "usage: korvan-regsvr [/u] [/s] LIBRARY\n");
        return 1;
    }
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(library, ec);
    korvan::platform::ComponentLibrary lib(ec ? std::filesystem::path(library) : path);
    if (!lib.loaded()) {
        std::fprintf(stderr, "korvan-regsvr: %s\n", lib.error().c_str());
        return 3;
    }
    const std::int32_t rc = unregister ? lib.unregisterServer() : lib.registerServer();
    if (rc != korvan::platform::kOk) {
        std::fprintf(stderr, "korvan-regsvr: %s failed: 0x%08X %s\n",
                     unregister ? "DllUnregisterServer" : "DllRegisterServer",
                     static_cast<unsigned>(rc), lib.error().c_str());
        return 4;
    }
    if (!silent)
        std::printf("%s: %s succeeded\n", path.c_str(),
                    unregister ? "DllUnregisterServer" : "DllRegisterServer");
    return 0;
}
