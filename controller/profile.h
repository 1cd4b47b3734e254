// What a virtual controller is: its axes, I/O, memory, identity, expansion
// modules, buses, wired switches and injected errors. Read from a JSON
// profile (resources/sim/*.json); every key is optional.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::controller {

struct ExpansionModule
{
    int canId = 0;
    uint32_t hardId = 0;
    int inputs = 0;
    int outputs = 0;
    int analogInputs = 0;
    int analogOutputs = 0;
    int axes = 0;
};

// A node on a field bus: a servo drive or a bus I/O module, as the bus scan
// finds it.
struct BusNode
{
    std::string kind = "drive"; // "drive" or "io"
    uint32_t vendor = 0;
    uint32_t device = 0;
    uint32_t revision = 0;
    uint32_t serial = 0;
    int addressSwitch = 0; // the node's rotary address switch
    int status = 0;        // 0 in operation; otherwise the node's error code
    int axes = 0;
    int inputs = 0;
    int outputs = 0;
    int analogInputs = 0;
    int analogOutputs = 0;
};

/// Bus ports a controller can carry, and bus nodes of all its ports together
/// (the bus program's node tables hold 100 entries, the first for the
/// controller's own axes).
inline constexpr std::size_t maxBusSlots = 10;
inline constexpr std::size_t maxBusNodes = 99;

struct BusSlot
{
    std::string type; // "ETHERCAT" or "RTEX"
    std::vector<BusNode> nodes;
};

// Inputs wired to the switches of one axis; -1 = not wired.
struct AxisSwitches
{
    int axis = 0;
    int origin = -1;
    int forwardLimit = -1;
    int reverseLimit = -1;
    int alarm = -1;
    int registration = -1;
};

// The signal an analogue input follows, in raw converter counts.
struct AnalogSignal
{
    std::string shape = "constant"; // "constant", "sine", "ramp"
    double offset = 0.0;
    double amplitude = 0.0;
    double periodSeconds = 1.0;
};

struct FailingCommand
{
    std::string name; // upper case
    int32_t code = 0;
};

// Faults a test can ask for.
struct ErrorInjection
{
    std::vector<std::string> unsupportedNames; // upper case, answered with 2002
    std::vector<FailingCommand> failingCommands;
};

struct Profile
{
    int virtualAxes = 8;
    int realAxes = 4;
    int inputs = 16;
    int outputs = 16;
    int analogInputs = 0;
    int analogOutputs = 0;
    int pwmChannels = 0;
    int modbusBits = 8000;
    int modbusRegisters = 8000;
    int tableSize = 32000;
    int vrSize = 1024;
    int flashValues = 1024;
    int romKb = 4096;
    int flashKb = 16384;
    int scopeChannels = 8;
    bool dtRegisters = true;
    std::string softType = "Korvan VC";
    float softVersion = 1.0f;
    int32_t softDate = 20260101;
    uint32_t hardId = 0;
    int32_t controllerId = 0;
    int32_t idYear = 2026;
    int32_t idMonth = 1;
    int32_t idDay = 1;
    int32_t idSerial = 0;
    std::string ipAddress = "127.0.0.11";
    std::vector<uint32_t> axisFeatures; // per axis; missing axes have none
    std::vector<int> axisTypes;         // factory ATYPE per axis; missing = 0
    std::vector<ExpansionModule> modules;
    std::vector<BusSlot> slots;
    /// The bus program the controller's factory ROM holds ("busProgram": a
    /// path relative to the profile file); empty for none.
    std::string busProgramName;
    std::string busProgram;
    std::vector<AxisSwitches> switches;
    std::vector<AnalogSignal> analogSignals; // per local analogue input
    ErrorInjection errors;
};

class ProfileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Parses profile JSON; throws ProfileError on malformed text or values out
/// of range. Files the profile names are read relative to baseDir.
Profile parseProfile(std::string_view json, const std::string& baseDir = {});
/// Reads and parses a profile file; throws ProfileError.
Profile loadProfile(const std::string& path);

} // namespace korvan::controller
