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
    /// --help: print simUsage and stop.
    bool help = false;
};

/// Parses the arguments after the program name; on a mistake returns none
/// and sets error.
std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args, std::string& error);

inline constexpr const char* simUsage =
    R"HELP(usage: korvan-sim --profile FILE [--eth ADDRESS[:PORT]] [--com N] [--pci N] [--state-dir DIR]
       korvan-sim --help

Serves a virtual Korvan controller over the controller link until SIGINT
or SIGTERM. Once it serves it prints one line naming its endpoints:
  korvan-sim ready eth=127.0.0.11:8011 com=... pci=...

Options:
  --profile FILE        the controller's make-up (JSON; resources/sim/ has
                        default.json, small.json and serial.json); required
  --eth ADDRESS[:PORT]  serve Ethernet and discovery on this IPv4 address;
                        the port defaults to 8011, :0 picks a free one
  --com N               serve serial port COMN: a pty linked as COMN in
                        $KORVAN_COM_DIR
  --pci N               serve PCI card N: a socket in $KORVAN_PCI_DIR
  --state-dir DIR       keep flash values, the ROM program and the IP address
                        here; a fresh directory is a factory-new controller
  --help                print this text
Without --eth, --com and --pci it serves Ethernet on its own loopback
address (the stored or the profile's one when it is 127.x.x.x, else
127.0.0.11).

Exit status: 0 stopped by a signal, 1 the profile or the state directory
cannot be used or an endpoint cannot be served, 2 the command line is wrong.

Examples:
  korvan-sim --profile resources/sim/default.json
  korvan-sim --profile resources/sim/default.json --eth 127.0.0.12:0 --state-dir /tmp/vc1
  korvan-sim --profile resources/sim/small.json --pci 1 --com 3
)HELP";

} // namespace korvan::controller::sim
