// The discovery search: which hosts are probed, and the probe itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::link::client {

/// The most hosts one search probes.
inline constexpr std::size_t kMaxSearchHosts = 4096;
/// The search list when $KORVAN_SEARCH is not set: loopback only.
inline constexpr std::string_view kDefaultSearchList = "127.0.0.1-127.0.0.63";

/// Expands a list of hosts and ranges ("127.0.0.11 127.0.0.20-127.0.0.30",
/// entries separated by blanks or commas) into IPv4 addresses in host
/// order; none when an entry does not parse or the list is too long.
std::optional<std::vector<uint32_t>> parseSearchList(std::string_view list);
/// $KORVAN_SEARCH or the default list.
std::string searchListText();
/// Probes every host on the port and returns the dotted texts of those that
/// answered within timeoutMs, in list order; an answer naming another link
/// port than the probed one is written "a.b.c.d:port". Returns a link code.
int32_t probeHosts(const std::vector<uint32_t>& hosts, uint16_t port, uint32_t timeoutMs,
                   std::vector<std::string>& found);

} // namespace korvan::link::client
