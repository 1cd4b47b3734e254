#include "platform/components/component_registry.h"

#include "platform/core/config_dir.h"

#include <cctype>
#include <cstdlib>

namespace korvan::platform {
namespace {

std::string classKey(std::string_view clsid)
{
    return "CLSID\\" + std::string(clsid);
}
std::string version(int major, int minor)
{
    return std::to_string(major) + "." + std::to_string(minor);
}
std::string typeLibKey(std::string_view libid, int major, int minor)
{
    return "TypeLib\\" + std::string(libid) + "\\" + version(major, minor);
}
std::string interfaceKey(std::string_view iid)
{
    return "Interface\\" + std::string(iid);
}
constexpr std::string_view kNone = "\x01"; // a default no stored value can equal

} // namespace

bool isGuidText(std::string_view t)
{
    if (t.size() != 38 || t.front() != '{' || t.back() != '}')
        return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? t[i] != '-' : !std::isxdigit(static_cast<unsigned char>(t[i])))
            return false;
    }
    return true;
}

std::filesystem::path ComponentRegistry::defaultPath()
{
    if (const char* file = std::getenv("KORVAN_COMPONENT_REGISTRY"); file && *file)
        return file;
    return userConfigDir() / "korvan" / "components.ini";
}

ComponentRegistry::ComponentRegistry(std::filesystem::path file) : m_file(std::move(file))
{
    std::error_code ec;
    if (m_file.path().has_parent_path())
        std::filesystem::create_directories(m_file.path().parent_path(), ec);
}

bool ComponentRegistry::registerClass(const ClassEntry& e)
{
    if (!isGuidText(e.clsid))
        return false;
    const std::string key = classKey(e.clsid);
    bool ok = m_file.writeString(key, "@", e.typeName) &&
              m_file.writeString(key, "InprocServer32", e.library) &&
              m_file.writeString(key, "ThreadingModel", e.threadingModel);
    if (!e.progId.empty()) {
        ok = ok && m_file.writeString(key, "ProgID", e.progId) &&
             m_file.writeString(e.progId, "@", e.typeName) &&
             m_file.writeString(e.progId, "CLSID", e.clsid);
    }
    if (e.control) {
        ok = ok && m_file.writeString(key, "Control", "") &&
             m_file.writeString(key, "MiscStatus", std::to_string(e.miscStatus)) &&
             m_file.writeString(key, "ToolboxBitmap32", e.toolboxBitmap) &&
             m_file.writeString(key, "TypeLib", e.typeLib) &&
             m_file.writeString(key, "Version", e.typeLibVersion);
    }
    return ok;
}

bool ComponentRegistry::unregisterClass(std::string_view clsid)
{
    const std::string key = classKey(clsid);
    const std::string progId = m_file.readString(key, "ProgID", "");
    bool ok = true;
    if (!progId.empty())
        ok = m_file.removeSection(progId);
    return m_file.removeSection(key) && ok;
}

bool ComponentRegistry::hasClass(std::string_view clsid) const
{
    return m_file.hasKey(classKey(clsid), "InprocServer32");
}

std::optional<ClassEntry> ComponentRegistry::findClass(std::string_view clsid) const
{
    if (!hasClass(clsid))
        return std::nullopt;
    const std::string key = classKey(clsid);
    ClassEntry e;
    e.clsid = std::string(clsid);
    e.typeName = m_file.readString(key, "@", "", 4096);
    e.library = m_file.readString(key, "InprocServer32", "", 4096);
    e.threadingModel = m_file.readString(key, "ThreadingModel", "");
    e.progId = m_file.readString(key, "ProgID", "");
    e.control = m_file.hasKey(key, "Control");
    e.miscStatus = m_file.readInt(key, "MiscStatus", 0);
    e.toolboxBitmap = m_file.readString(key, "ToolboxBitmap32", "", 4096);
    e.typeLib = m_file.readString(key, "TypeLib", "");
    e.typeLibVersion = m_file.readString(key, "Version", "");
    return e;
}

std::optional<std::string> ComponentRegistry::clsidFromProgId(std::string_view progId) const
{
    const std::string clsid = m_file.readString(progId, "CLSID", kNone);
    if (clsid == kNone)
        return std::nullopt;
    return clsid;
}

bool ComponentRegistry::registerTypeLib(const TypeLibEntry& e)
{
    if (!isGuidText(e.libid))
        return false;
    const std::string key = typeLibKey(e.libid, e.major, e.minor);
    bool ok = m_file.writeString(key, "@", e.name) && m_file.writeString(key, "Path", e.library) &&
              m_file.writeString(key, "Resource", std::to_string(e.resource)) &&
              m_file.writeString(key, "Locale", std::to_string(e.locale)) &&
              m_file.writeString(key, "Flags", std::to_string(e.flags));
    for (std::size_t i = 0; ok && i < e.interfaces.size(); ++i) {
        const InterfaceEntry& itf = e.interfaces[i];
        ok = m_file.writeString(key, "Interface" + std::to_string(i), itf.iid) &&
             m_file.writeString(interfaceKey(itf.iid), "@", itf.name) &&
             m_file.writeString(interfaceKey(itf.iid), "TypeLib", e.libid) &&
             m_file.writeString(interfaceKey(itf.iid), "Version", version(e.major, e.minor));
    }
    return ok;
}

bool ComponentRegistry::unregisterTypeLib(std::string_view libid, int major, int minor)
{
    const std::string key = typeLibKey(libid, major, minor);
    bool ok = true;
    for (const std::string& name : m_file.keyNames(key))
        if (name.rfind("Interface", 0) == 0)
            ok = m_file.removeSection(interfaceKey(m_file.readString(key, name, ""))) && ok;
    return m_file.removeSection(key) && ok;
}

bool ComponentRegistry::hasTypeLib(std::string_view libid, int major, int minor) const
{
    return m_file.hasKey(typeLibKey(libid, major, minor), "Path");
}

std::optional<TypeLibEntry> ComponentRegistry::findTypeLib(std::string_view libid, int major,
                                                           int minor) const
{
    if (!hasTypeLib(libid, major, minor))
        return std::nullopt;
    const std::string key = typeLibKey(libid, major, minor);
    TypeLibEntry e;
    e.libid = std::string(libid);
    e.major = major;
    e.minor = minor;
    e.name = m_file.readString(key, "@", "");
    e.library = m_file.readString(key, "Path", "", 4096);
    e.resource = m_file.readInt(key, "Resource", 1);
    e.locale = static_cast<std::uint32_t>(m_file.readInt(key, "Locale", 0));
    e.flags = static_cast<std::uint32_t>(m_file.readInt(key, "Flags", 0));
    for (const std::string& name : m_file.keyNames(key)) {
        if (name.rfind("Interface", 0) != 0)
            continue;
        const std::string iid = m_file.readString(key, name, "");
        e.interfaces.push_back({iid, m_file.readString(interfaceKey(iid), "@", "")});
    }
    return e;
}

} // namespace korvan::platform
