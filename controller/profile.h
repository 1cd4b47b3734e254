// What a virtual controller is: its axes, I/O, memory, identity, expansion
// modules, buses, wired switches and injected errors. Read from a JSON
// profile (resources/sim/*.json); every key is optional.
#pragma once

#include <array>
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
    // A node the profile names no maker for is Korvan's own (vendor id
    // 0x4B4F5256, the letters "KORV"; docs/workbench-files.md).
    uint32_t vendor = 0x4B4F5256;
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
    // What each axis of a drive moves, for the torque it reports (DRIVE_TORQUE,
    // object 6077): inertia times the commanded acceleration plus friction
    // against the motion, in per mille of the rated torque.
    double countsPerRev = 10000; // encoder counts per motor revolution
    double inertia = 0.0002;     // kg·m², motor and load as the motor sees them
    double ratedTorque = 1.27;   // N·m
    double friction = 20;        // per mille of the rated torque, while moving
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

/// Registration inputs an axis may have: R0 and R1 latch into MARK and
/// MARKB, R2 into MARKC and R3 into MARKD.
inline constexpr std::size_t registrationInputs = 4;

// A registration input: the input it is wired to (-1 = none) and where it is
// on, in axis units of the machine frame.
struct RegistrationInput
{
    int input = -1;
    double low = 0;
    double high = 0;
};

// Inputs wired to the switches of one axis (-1 = not wired) and where the
// switches sit, in axis units of the machine frame (before any DEFPOS).
struct AxisSwitches
{
    int axis = 0;
    int origin = -1;
    int forwardLimit = -1;
    int reverseLimit = -1;
    int alarm = -1;
    double originLow = -0.5;       // origin switch on from here ...
    double originHigh = 0.5;       // ... to here
    double forwardLimitAt = 1000;  // forward limit on from here onwards
    double reverseLimitAt = -1000; // reverse limit on from here backwards
    double zPulseEvery = 0;        // encoder index every N units, 0 = none
    double zPulseWidth = 0.05;     // index on from each multiple of N for this long
    // R0 to R3; each is on over one unit, from 50, 60, 70 and 80 unless the
    // profile says otherwise.
    std::array<RegistrationInput, registrationInputs> registration{
        {{-1, 50, 51}, {-1, 60, 61}, {-1, 70, 71}, {-1, 80, 81}}};
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
    double servoPeriodMs = 1.0; // SERVO_PERIOD: the motion engine's tick
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
    int ramKb = 4096; // largest program package RAM takes
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
    /// Counts per second that an encoder axis's full analogue output
    /// (DAC_OUT 32767, 10 V) commands.
    double dacFullScaleSpeed = 100000;
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
