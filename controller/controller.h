// A virtual Korvan controller: the Korbasic interpreter over its parameters,
// I/O and memory, its records, Modbus map, persistence and reboot. One mutex
// guards it, so sessions on several threads (and later the servo thread)
// can share it.
#pragma once

#include "controller/clock.h"
#include "controller/controller_state.h"
#include "controller/state_store.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::controller {

struct ControllerOptions
{
    /// Where flash values and the IP address persist; empty keeps nothing.
    std::string stateDir;
    /// Time source; null uses the steady clock.
    const Clock* clock = nullptr;
};

// What one command text did.
struct Outcome
{
    int32_t code = 0;
    std::string output;
    /// Error reports for the session's message stream.
    std::string messages;
    /// The link must drop after this reply (IP change, reboot).
    bool dropLink = false;
};

/// Longest command text accepted; longer text is refused with 2007.
inline constexpr std::size_t maxCommandText = 256 * 1024;
/// Codes of a package download: a BASIC file does not compile; a RAM
/// package is too large.
inline constexpr int32_t compileErrorCode = 277;
inline constexpr int32_t ramTooLargeCode = 210;
/// Seconds a reboot keeps the controller away.
inline constexpr double rebootSeconds = 2.0;

class Controller
{
public:
    explicit Controller(Profile profile, ControllerOptions options = {});

    /// Runs Korbasic text for a task (a session's command line).
    Outcome execute(TaskContext& task, std::string_view text);
    /// The last controller error code, 0 if none.
    int32_t lastError() const;
    /// True while a reboot keeps the controller away.
    bool rebooting() const;

    std::vector<uint8_t> specification() const;
    std::vector<uint8_t> childCard(uint16_t previous) const;
    /// The IP address as "a.b.c.d".
    std::string ipAddressText() const;
    /// Sets the address the controller reports (the simulator's bind address).
    void setIpAddress(uint32_t address);
    uint32_t axisFeatures(int axis) const;

    int32_t flashWrite(uint16_t start, const std::vector<float>& values);
    std::vector<float> flashValues() const;
    int32_t modbusGetBits(uint16_t start, uint16_t count, std::vector<uint8_t>& out) const;
    int32_t modbusSetBits(uint16_t start, const std::vector<uint8_t>& bits);
    int32_t modbusGetRegisters(uint16_t start, uint16_t count, std::vector<uint16_t>& out) const;
    int32_t modbusSetRegisters(uint16_t start, const std::vector<uint16_t>& values);
    int32_t registerRead(std::string_view area, uint32_t width, uint32_t start, uint32_t count,
                         std::vector<uint8_t>& out) const;

    /// Takes a program package. Every BASIC file is checked first: a syntax
    /// error gives 277 with its report in messages and runs nothing. The
    /// files then run once, in package order (straight-line programs; program
    /// tasks come later). Rom also keeps the package, which runs again at
    /// every start and after a reboot. A RAM package above the ROM size
    /// gives 210.
    int32_t downloadPackage(const std::vector<uint8_t>& package, bool toRom, std::string& messages);

    /// Sets the level on an input's wire (switches, tests).
    void setInputLevel(int input, bool level);

    /// Runs f with the lock held, for modules that bind parameters or
    /// register commands (the motion engine) and for the servo tick.
    template <typename F> auto withState(F&& f)
    {
        std::lock_guard lock(m_mutex);
        return f(m_state);
    }

    const Profile& profile() const { return m_state.profile; }
    const Clock& clock() const { return m_clock; }

private:
    void applyRomState();
    int32_t runPackage(const std::vector<uint8_t>& package, std::string& messages);
    void persist();

    SteadyClock m_steadyClock;
    const Clock& m_clock;
    mutable std::mutex m_mutex;
    ControllerState m_state;
    StateStore m_store;
    int32_t m_lastError = 0;
    double m_rebootUntil = -1.0;
    std::vector<uint8_t> m_romPackage;
};

} // namespace korvan::controller
