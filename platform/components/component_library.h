// A loaded component library: dlopen, its exports and the objects it creates.
#pragma once

#include "platform/components/component.h"

#include <filesystem>
#include <memory>
#include <string>

namespace korvan::platform {

class ComponentLibrary
{
public:
    /// Loads the library; check loaded() and error().
    explicit ComponentLibrary(const std::filesystem::path& file);
    ~ComponentLibrary();
    ComponentLibrary(const ComponentLibrary&) = delete;
    ComponentLibrary& operator=(const ComponentLibrary&) = delete;

    bool loaded() const { return m_handle != nullptr; }
    /// The loader's message when loading or a lookup failed.
    const std::string& error() const { return m_error; }

    /// DllRegisterServer; kFail when the export is missing.
    std::int32_t registerServer();
    /// DllUnregisterServer; kFail when the export is missing.
    std::int32_t unregisterServer();
    /// The class factory of clsid, or null.
    ClassFactory* classFactory(const std::string& clsid);
    /// DllCanUnloadNow: kOk when nothing of the library is in use.
    std::int32_t canUnloadNow();
    /// Keeps the library loaded past this object's life (a control's code must stay).
    void keepLoaded() { m_keep = true; }

private:
    void* symbol(const char* name);

    void* m_handle = nullptr;
    std::string m_error;
    bool m_keep = false;
};

} // namespace korvan::platform
