// The controller side of the link: what a link server asks of the controller
// it hosts. The server decodes frames from any transport and calls these
// methods; the virtual controller (and in-test endpoints) implement them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::link {

enum class Transport
{
    Serial = 1,
    Ethernet = 2,
    Pci = 4
};

// Output of a command and the code it ended with (0 success, else a
// controller code such as 2002).
struct CommandResult
{
    int32_t code = 0;
    std::string output;
};

struct SoftVersion
{
    float version = 0.0f;
    std::string typeText; // at most 31 characters reach the client
    int32_t date = 0;
};

struct ControllerIdentity
{
    int32_t id = 0;
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t serial = 0;
};

// Result of a call that returns data: code 0 and the bytes, or a code.
template <typename T> struct Answer
{
    int32_t code = 0;
    T value{};
};

// Where a downloaded package goes.
enum class PackageTarget
{
    Rom,
    RamRun
};

// One client's link to the controller. The server creates one session per
// accepted connection and destroys it when the connection ends; the
// workbench and the oscilloscope each hold their own. Calls of one session
// never overlap; calls of different sessions may come from different threads.
class ControllerSession
{
public:
    virtual ~ControllerSession() = default;

    /// Runs text through the buffered command queue.
    virtual CommandResult execute(std::string_view text) = 0;
    /// Runs text at once, bypassing the queue.
    virtual CommandResult directCommand(std::string_view text) = 0;
    /// Runs text; its output goes to this session's receive stream.
    virtual int32_t executeNoAck(std::string_view text) = 0;
    /// Takes up to maxBytes of pending controller messages for this session.
    virtual std::string takeMessages(std::size_t maxBytes) = 0;
    /// Takes up to maxBytes of pending unsolicited output for this session.
    virtual std::string takeReceived(std::size_t maxBytes) = 0;
    /// The controller's last error code, 0 if none.
    virtual int32_t lastError() = 0;
    /// Run state: 0 idle, 1 running, 3 paused, 100 error.
    virtual uint8_t runState() = 0;

    /// The specification record, exactly 60 bytes.
    virtual Answer<std::vector<uint8_t>> specification() = 0;
    /// The 12-byte record of the expansion module after card number previous.
    virtual Answer<std::vector<uint8_t>> childCard(uint16_t previous) = 0;
    virtual Answer<SoftVersion> softVersion() = 0;
    virtual uint8_t axisCount() = 0;
    /// The IP address text; 3205 when the controller has none on this link.
    virtual Answer<std::string> ipAddress() = 0;
    virtual Answer<uint32_t> hardId() = 0;
    virtual Answer<ControllerIdentity> identity() = 0;
    virtual Answer<uint32_t> axisFeatures(int32_t axis) = 0;

    virtual int32_t flashWrite(uint16_t start, const std::vector<float>& values) = 0;
    /// Modbus bits as 0/1 bytes, one per address.
    virtual Answer<std::vector<uint8_t>> modbusGetBits(uint16_t start, uint16_t count) = 0;
    virtual int32_t modbusSetBits(uint16_t start, const std::vector<uint8_t>& bits) = 0;
    virtual Answer<std::vector<uint16_t>> modbusGetRegisters(uint16_t start, uint16_t count) = 0;
    virtual int32_t modbusSetRegisters(uint16_t start, const std::vector<uint16_t>& values) = 0;
    /// Raw little-endian register bytes of an area ("DT") at width 16 or 32.
    virtual Answer<std::vector<uint8_t>> registerRead(std::string_view area, uint32_t width,
                                                      uint32_t start, uint32_t count) = 0;

    /// Takes a whole .krx package; a compile error gives 277 with its report
    /// in the message stream, a RAM program too large gives 210.
    virtual int32_t downloadPackage(const std::vector<uint8_t>& package, PackageTarget target) = 0;
    virtual int32_t resume() = 0;

    /// True when the link must be dropped after the reply of the current
    /// request is sent (an IP address change, a reboot).
    virtual bool dropAfterReply() { return false; }
};

// A controller that accepts link sessions.
class ControllerEndpoint
{
public:
    virtual ~ControllerEndpoint() = default;
    /// A new session for a client that connected over the given transport;
    /// null refuses the connection (e.g. while the controller reboots).
    virtual std::unique_ptr<ControllerSession> openSession(Transport transport) = 0;
    /// The controller's answer to a discovery probe: true if it answers.
    virtual bool answersDiscovery() { return true; }
};

} // namespace korvan::link
