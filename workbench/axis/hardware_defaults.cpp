#include "workbench/axis/hardware_defaults.h"

#include <pugixml.hpp>

#include <array>
#include <cstdlib>
#include <strings.h>
#include <system_error>

namespace korvan::axis {

namespace {

constexpr int kMaxAxisInfoPerEntry = 128;

struct AttributeEffect
{
    const char* name;
    AxisRow row;
    const char* setCommand; // nullptr: table only
};

constexpr std::array<AttributeEffect, 7> kAttributeEffects{{
    {"Atype", AxisRow::Atype, "ATYPE(%d)=%d"},
    {"FwdIn", AxisRow::FwdIn, "FWD_IN(%d)=%d"},
    {"RevIn", AxisRow::RevIn, "Rev_In(%d)=%d"},
    {"DatumIn", AxisRow::DatumIn, "DATUM_IN(%d)=%d"},
    {"AlmIn", AxisRow::AlmIn, "ALM_IN(%d)=%d"},
    {"EnableOut", AxisRow::EnableOut, nullptr},
    {"ClearOut", AxisRow::ClearOut, nullptr},
}};

bool SameNameIgnoringCase(const char* a, const char* b)
{
    return strcasecmp(a, b) == 0;
}

// Index values outside 0..127 select axis 0, so no value can address past the table.
int AxisFromIndex(int value)
{
    return value < 0 || value > 127 ? 0 : value;
}

void ApplyEntry(AxisPort& port, AxisTable& table, const pugi::xml_node& entry)
{
    int axis = 0; // carries over from one AxisInfo element to the next
    int children = 0;
    for (const pugi::xml_node& info : entry.children()) {
        if (info.type() != pugi::node_element)
            continue;
        if (++children > kMaxAxisInfoPerEntry)
            break;
        if (!SameNameIgnoringCase(info.name(), "AxisInfo"))
            continue;
        for (const pugi::xml_attribute& attribute : info.attributes()) {
            const int value = std::atoi(attribute.value());
            if (SameNameIgnoringCase(attribute.name(), "Index")) {
                axis = AxisFromIndex(value);
                continue;
            }
            for (const AttributeEffect& effect : kAttributeEffects) {
                if (!SameNameIgnoringCase(attribute.name(), effect.name))
                    continue;
                table.set(effect.row, axis, static_cast<float>(value));
                if (effect.setCommand)
                    port.set(FormatCommand(effect.setCommand, axis, value));
                break;
            }
        }
    }
}

} // namespace

HardwareDefaultsResult ApplyHardwareDefaults(AxisPort& port, AxisTable& table,
                                             const HardwareDefaultsFile& file)
{
    pugi::xml_document document;
    if (!document.load_file(file.path.c_str())) {
        if (file.showError)
            file.showError("错误", "无法正确读取xml文件");
        return HardwareDefaultsResult::FileUnreadable;
    }
    // A controller whose id cannot be read matches no entry: applying some
    // other hardware's assignments would drive the wrong outputs.
    const std::optional<std::uint32_t> id = port.hardId();
    if (!id)
        return HardwareDefaultsResult::Done;
    const std::string version = std::to_string(static_cast<int>(*id & 0xFFFFu));
    for (const pugi::xml_node& entry : document.document_element().children()) {
        const pugi::xml_attribute hardVersion = entry.attribute("HardVersion");
        if (hardVersion && version == hardVersion.value())
            ApplyEntry(port, table, entry);
    }
    return HardwareDefaultsResult::Done;
}

std::filesystem::path DefaultHardwareDefaultsPath()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path directory =
        error ? std::filesystem::current_path() : program.parent_path();
    return directory / "AxisInit.xml";
}

} // namespace korvan::axis
