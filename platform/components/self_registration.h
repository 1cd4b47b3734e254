// What DllRegisterServer and DllUnregisterServer of a component library do:
// register the type library first, then every class; undo it in the same order.
#pragma once

#include "platform/components/component_registry.h"

#include <filesystem>
#include <vector>

namespace korvan::platform {

/// The classes and the type library a library serves.
struct ModuleDescription
{
    TypeLibEntry typeLib;            ///< library path filled in at registration
    std::vector<ClassEntry> classes; ///< library paths filled in at registration
};

/// The file of the library that holds address (one of its own functions).
std::filesystem::path modulePathOf(const void* address);

/// kOk, kSelfRegTypeLib (nothing registered) or kSelfRegClass.
std::int32_t registerModule(ComponentRegistry& registry, const ModuleDescription& module,
                            const std::filesystem::path& library);
/// kOk, kSelfRegTypeLib or kSelfRegClass.
std::int32_t unregisterModule(ComponentRegistry& registry, const ModuleDescription& module);

} // namespace korvan::platform
