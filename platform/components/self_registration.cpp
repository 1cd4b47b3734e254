#include "platform/components/self_registration.h"

#include "platform/components/component.h"

#include <dlfcn.h>

namespace korvan::platform {

std::filesystem::path modulePathOf(const void* address)
{
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    std::error_code ec;
    const auto path = std::filesystem::absolute(info.dli_fname, ec);
    return ec ? std::filesystem::path(info.dli_fname) : path;
}

std::int32_t registerModule(ComponentRegistry& registry, const ModuleDescription& module,
                            const std::filesystem::path& library)
{
    TypeLibEntry typeLib = module.typeLib;
    typeLib.library = library.string();
    if (!registry.registerTypeLib(typeLib)) {
        registry.unregisterTypeLib(typeLib.libid, typeLib.major, typeLib.minor);
        return kSelfRegTypeLib;
    }
    for (ClassEntry entry : module.classes) {
        entry.library = library.string();
        if (entry.control)
            entry.toolboxBitmap = library.string() + ", " + entry.toolboxBitmap;
        if (!registry.registerClass(entry))
            return kSelfRegClass;
    }
    return kOk;
}

std::int32_t unregisterModule(ComponentRegistry& registry, const ModuleDescription& module)
{
    const TypeLibEntry& typeLib = module.typeLib;
    if (!registry.unregisterTypeLib(typeLib.libid, typeLib.major, typeLib.minor))
        return kSelfRegTypeLib;
    bool ok = true;
    for (const ClassEntry& entry : module.classes)
        ok = registry.unregisterClass(entry.clsid) && ok;
    return ok ? kOk : kSelfRegClass;
}

} // namespace korvan::platform
