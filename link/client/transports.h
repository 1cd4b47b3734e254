// Opening the three kinds of link and the protocol handshake.
#pragma once

#include "link/client/link_handle.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace korvan::link::client {

struct SocketAddress
{
    std::string host; // dotted IPv4 text
    uint16_t port = 0;
};

/// The port a client uses when the text names none: $KORVAN_PORT or the default.
uint16_t defaultLinkPort();
/// Parses "a.b.c.d" or "a.b.c.d:port"; none for anything else.
std::optional<SocketAddress> parseSocketAddress(const char* text);

struct SerialSettings
{
    uint32_t baud = 38400;
    uint32_t dataBits = 8;
    uint32_t parity = 0;   // 0 none, 1 odd, 2 even
    uint32_t stopBits = 0; // 0 one, 1 two
};

/// True when the settings can be applied to a tty.
bool serialSettingsValid(const SerialSettings& settings);
void setSerialSettings(const SerialSettings& settings);
SerialSettings serialSettings();

/// Each opener connects, shakes hands within timeoutMs and returns the link
/// or a VXC_ERR_* code.
struct Opened
{
    int32_t code = VXC_ERR_OPEN_FAILED;
    std::shared_ptr<Link> link;
};
Opened openEthernet(const char* address, uint32_t timeoutMs);
Opened openPci(const std::filesystem::path& socketPath, uint32_t timeoutMs);
Opened openSerial(unsigned port, uint32_t timeoutMs);
/// Dispatches "PCI<n>", "COM<n>" or an address by connection type.
Opened openByName(int32_t type, const char* name, uint32_t timeoutMs);

} // namespace korvan::link::client
