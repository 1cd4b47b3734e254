// A scripted controller link for the shell's logic tests: controllers are
// addressed by name, answer commands from a table and record what reached them.
#pragma once

#include "link/korvan.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace korvan::shell::fakes {

struct ScriptedController
{
    std::string name;
    uint8_t connectType = VXC_LINK_ETHERNET;
    std::map<std::string, std::string> replies; // command -> reply text
    std::map<std::string, int32_t> codes;       // command -> non-zero code
    std::array<uint8_t, VXC_SPEC_RECORD_SIZE> spec{};
    bool specFails = false;
    std::vector<std::array<uint8_t, VXC_CHILD_CARD_SIZE>> cards;
    std::string softType = "VX";
    uint8_t state = 0;
    int32_t closeCode = 0;
    int32_t errorCode = 0;
    std::string messages;
    std::string received;
    std::vector<std::string> sent; // commands in order
    bool open = false;
    uint32_t timeoutMs = 1000;
    std::vector<std::string> calls; // link function names in order
};

// One process-wide script; constructing one resets it.
class ScriptedLink
{
public:
    ScriptedLink();
    ~ScriptedLink();

    /// Adds a controller reachable under the name ("127.0.0.70", "PCI1", "COM3").
    ScriptedController& add(const std::string& name, uint8_t connectType = VXC_LINK_ETHERNET);
    ScriptedController& controller(const std::string& name);
    /// The controller behind a handle.
    static ScriptedController* of(ControllerHandle handle);
    /// A handle to a controller without any open call (for tests of single calls).
    ControllerHandle handleOf(const std::string& name);

    std::string searchResult;
    int32_t searchCode = 0;
    int32_t pciCards = 0;
    std::vector<std::string> opened; // names of every successful open, in order
};

/// Spec record with the counts the shell reads.
std::array<uint8_t, VXC_SPEC_RECORD_SIZE> specRecord(int realAxes, int virtualAxes);
/// Child card record with a CAN id and an axis count.
std::array<uint8_t, VXC_CHILD_CARD_SIZE> childCard(int canId, int axes);

} // namespace korvan::shell::fakes
