// The command line of korvan-sim.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvan::controller::sim {

struct SimOptions
{
    std::string profile;
    std::optional<std::string> ethAddress; // IPv4 text
    /// None: the link's default port; 0: a free port, printed in the ready line.
    std::optional<uint16_t> ethPort;
    std::optional<unsigned> com;
    std::optional<unsigned> pci;
    std::string stateDir;
};

/// Parses the arguments after the program name; on a mistake returns none
/// and sets error.
std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args, std::string& error);

inline constexpr const char* simUsage =
    "usage: korvan-sim --profile FILE [--eth ADDRESS[:PORT]] [--com N] [--pci N] "
    "[--state-dir DIR]\n";

} // namespace korvan::controller::sim
