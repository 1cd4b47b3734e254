// The fixed identities and resources of the Wavora control.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace korvan::scope::wavora {

inline constexpr std::string_view kLibId = "{8D41F2B6-6C0E-4A37-9E85-21B7C0D3A94E}";
inline constexpr std::string_view kDispatchIid = "{B2F6E913-4A7D-4C58-8D02-9E1A6F35C7B0}";
inline constexpr std::string_view kEventsIid = "{C71D0A5E-93B4-4E26-B8F1-5A2D7E9046C3}";
inline constexpr std::string_view kControlClsid = "{5E8A1C47-2B93-4D6F-A1E0-7C3B9D24F618}";
inline constexpr std::string_view kControlProgId = "WAVORA.WavoraCtrl.1";
inline constexpr std::string_view kPageClsid = "{D4E9B7A1-0F62-4C8D-9A53-E6B2184F7C05}";
inline constexpr std::string_view kPageProgId = "WAVORA.WavoraPropPage.1";
inline constexpr std::string_view kTypeLibName = "WavoraLib";
inline constexpr std::uint32_t kTypeLibLocale = 0x409;
inline constexpr std::uint32_t kTypeLibFlagControl = 2;
/// OLEMISC_RECOMPOSEONRESIZE | CANTLINKINSIDE | INSIDEOUT | ACTIVATEWHENVISIBLE |
/// SETCLIENTSITEFIRST.
inline constexpr std::int32_t kMiscStatus = 131473;

/// The string table.
struct StringResource
{
    int id;
    std::string_view text;
};
inline constexpr std::array<StringResource, 3> kStrings = {{
    {1, "Wavora Control"},
    {2, "Wavora Property Page"},
    {200, "常规"},
}};
constexpr std::string_view stringResource(int id)
{
    for (const StringResource& s : kStrings)
        if (s.id == id)
            return s.text;
    return {};
}

/// Dialog 200, the property page: 316 × 182 dialog units, no controls.
inline constexpr int kPageDialog = 200;
inline constexpr int kPageWidthDlu = 316;
inline constexpr int kPageHeightDlu = 182;
/// Dialog 201, the panel.
inline constexpr int kPanelDialog = 201;
/// Bitmap 1, the toolbox image: 16 × 15 pixels, 4 bits per pixel (one hex digit each).
inline constexpr int kToolboxBitmap = 1;
inline constexpr std::array<std::string_view, 15> kToolboxPixels = {
    "0000000000000000", "0888888888888880", "0800000000000080", "0800000000000080",
    "0800000A00000080", "080000A0A0000080", "08000A000A000080", "0AAAA00000A00AA0",
    "0800000000A0A080", "08000000000A0080", "0800000000000080", "0800000000000080",
    "0888888888888880", "0000000000000000", "0000000000000000"};

/// The dispatch members of _DWavora, one table for names, ids and argument counts.
struct DispatchMember
{
    std::int32_t dispid;
    std::string_view name;
    int arguments;
};
inline constexpr std::array<DispatchMember, 2> kDispatch = {{
    {1, "SetControllerIP", 1},
    {2, "CloseController", 0},
}};

} // namespace korvan::scope::wavora
