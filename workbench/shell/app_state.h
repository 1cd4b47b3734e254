// The workbench's process-wide state: the language and the connection
// registry of up to 30 open controller links, one of which is current.
#pragma once

#include "link/korvan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvan::shell {

/// The registry's bound.
inline constexpr int kMaxConnections = 30;
/// Slot names hold at most 19 characters, as the 20-byte name fields did.
inline constexpr std::size_t kSlotNameLength = 19;

/// Link types as the slots record them.
enum LinkType : int
{
    kLinkSerial = 1,
    kLinkEthernet = 2,
    kLinkPci = 4
};

struct ConnectionSlot
{
    ControllerHandle handle = nullptr;
    int linkType = 0; // 1 serial, 2 Ethernet, 4 PCI
    int busType = 0;  // 0 none, 1 EtherCAT, 2 RTEX, 3 both
    int eciFlag = 0;  // 1 when the software type text contains "ECI"
    std::string comName;
    std::string ipName;
    std::string pciName;

    /// The first non-empty name: comName, ipName, pciName.
    const std::string& displayName() const;
    /// Back to a free slot (the link is not closed here).
    void clear();
};

/// Stores a name cut to kSlotNameLength characters.
void setSlotName(std::string& field, std::string_view name);

struct AppState
{
    int language = 0; // 1 Chinese, anything else English
    int connectionCount = 0;
    int currentConnection = 0;
    std::array<ConnectionSlot, kMaxConnections> slots{};
    std::uint8_t scopeShown = 0;

    bool chinese() const { return language == 1; }
    /// The current slot's handle; null when nothing is registered.
    ControllerHandle currentHandle() const;
    /// The slot at currentConnection (free when nothing is registered); nullptr if out of range.
    const ConnectionSlot* currentSlot() const;
    ConnectionSlot* currentSlot();
    /// True while another link can be registered.
    bool hasFreeSlot() const { return connectionCount < kMaxConnections; }
    /// The slot the next link is opened into (index connectionCount); nullptr when full.
    ConnectionSlot* openingSlot();
    /// True when a registered slot carries this name in the field that member selects.
    bool isRegistered(std::string ConnectionSlot::*field, std::string_view name) const;
};

/// Picks the Chinese or the English literal by the language flag.
inline const char* pick(const AppState& state, const char* chinese, const char* english)
{
    return state.chinese() ? chinese : english;
}

/// The one state of the running program; lives for the whole process.
AppState& theAppState();

} // namespace korvan::shell
