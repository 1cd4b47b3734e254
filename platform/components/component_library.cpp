#include "platform/components/component_library.h"

#include <dlfcn.h>

namespace korvan::platform {

ComponentLibrary::ComponentLibrary(const std::filesystem::path& file)
{
    m_handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* message = ::dlerror();
        m_error = message ? message : "cannot load " + file.string();
    }
}

ComponentLibrary::~ComponentLibrary()
{
    if (m_handle && !m_keep)
        ::dlclose(m_handle);
}

void* ComponentLibrary::symbol(const char* name)
{
    if (!m_handle)
        return nullptr;
    ::dlerror();
    void* address = ::dlsym(m_handle, name);
    if (!address) {
        const char* message = ::dlerror();
        m_error = message ? message : std::string("no export ") + name;
    }
    return address;
}

std::int32_t ComponentLibrary::registerServer()
{
    const auto fn = reinterpret_cast<DllRegisterServerFn>(symbol("DllRegisterServer"));
    return fn ? fn() : kFail;
}

std::int32_t ComponentLibrary::unregisterServer()
{
    const auto fn = reinterpret_cast<DllUnregisterServerFn>(symbol("DllUnregisterServer"));
    return fn ? fn() : kFail;
}

ClassFactory* ComponentLibrary::classFactory(const std::string& clsid)
{
    const auto fn = reinterpret_cast<DllGetClassObjectFn>(symbol("DllGetClassObject"));
    void* factory = nullptr;
    if (!fn || fn(clsid.c_str(), kClassFactoryIid, &factory) != kOk)
        return nullptr;
    return static_cast<ClassFactory*>(factory);
}

std::int32_t ComponentLibrary::canUnloadNow()
{
    const auto fn = reinterpret_cast<DllCanUnloadNowFn>(symbol("DllCanUnloadNow"));
    return fn ? fn() : kFalse;
}

} // namespace korvan::platform
