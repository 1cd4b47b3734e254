// The per-user component registry: class keys "CLSID\{...}" with the library
// that serves them, ProgID keys, and type library keys by LIBID and version.
// Kept as one ini file, $KORVAN_COMPONENT_REGISTRY or
// $XDG_CONFIG_HOME/korvan/components.ini, one section per key path.
#pragma once

#include "platform/core/private_profile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::platform {

/// True for the registry form of a GUID, "{8-4-4-4-12 hex digits}".
bool isGuidText(std::string_view text);

/// What a class key holds.
struct ClassEntry
{
    std::string clsid;           ///< "{...}"
    std::string typeName;        ///< the key's default value, e.g. "Wavora Control"
    std::string library;         ///< InprocServer32: the library's absolute path
    std::string threadingModel;  ///< "Apartment"
    std::string progId;          ///< "" for classes without one
    std::int32_t miscStatus = 0; ///< OLEMISC_ bits, 0 when not a control
    std::string toolboxBitmap;   ///< "<library>, <resource id>"
    std::string typeLib;         ///< LIBID of the class's type library
    std::string typeLibVersion;  ///< "1.0"
    bool control = false;        ///< carries the "Control" marker
};

/// One interface a type library describes.
struct InterfaceEntry
{
    std::string iid;
    std::string name;
};

/// What a type library key holds.
struct TypeLibEntry
{
    std::string libid;
    int major = 1;
    int minor = 0;
    std::string name;         ///< "WavoraLib"
    std::string library;      ///< the file holding the type library resource
    int resource = 1;         ///< its resource number
    std::uint32_t locale = 0; ///< 0x409
    std::uint32_t flags = 0;  ///< 2: a control library
    std::vector<InterfaceEntry> interfaces;
};

class ComponentRegistry
{
public:
    /// The environment override, else the user's configuration folder.
    static std::filesystem::path defaultPath();

    explicit ComponentRegistry(std::filesystem::path file = defaultPath());

    const std::filesystem::path& path() const { return m_file.path(); }

    /// Writes the class key (and the ProgID key); false when the file cannot be written.
    bool registerClass(const ClassEntry& entry);
    /// Removes the class key and its ProgID key.
    bool unregisterClass(std::string_view clsid);
    /// True when the class key "CLSID\{...}" opens.
    bool hasClass(std::string_view clsid) const;
    std::optional<ClassEntry> findClass(std::string_view clsid) const;
    /// The CLSID a ProgID names.
    std::optional<std::string> clsidFromProgId(std::string_view progId) const;

    bool registerTypeLib(const TypeLibEntry& entry);
    bool unregisterTypeLib(std::string_view libid, int major, int minor);
    bool hasTypeLib(std::string_view libid, int major, int minor) const;
    std::optional<TypeLibEntry> findTypeLib(std::string_view libid, int major, int minor) const;

private:
    PrivateProfile m_file;
};

} // namespace korvan::platform
