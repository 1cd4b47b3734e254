// A virtual Korvan controller: the Korbasic interpreter over its parameters,
// I/O and memory, its records, Modbus map, persistence and reboot. One fair
// mutex guards it, so sessions on several threads and the servo thread can
// share it; a long command line lets the others in between its slices.
#pragma once

#include "controller/clock.h"
#include "controller/controller_state.h"
#include "controller/fair_mutex.h"
#include "controller/message_queues.h"
#include "controller/state_store.h"

#include <cstdint>
#include <functional>
#include <map>
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
/// The flash (the state directory) could not keep a ROM package or the
/// flash values.
inline constexpr int32_t flashWriteErrorCode = 263;
/// A servo period's work of a module (the motion engine), run by tick().
using ServoHook = std::function<void(ControllerState&)>;
/// A module's part of a reboot, run with the lock held.
using RebootHook = std::function<void(ControllerState&)>;
/// Seconds a reboot keeps the controller away.
inline constexpr double rebootSeconds = 2.0;

class Controller
{
public:
    /// Throws std::runtime_error naming the file when the state directory
    /// holds a ROM program that cannot be read.
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
    /// The address the controller is served at (the simulator's bind
    /// address): reported from now on, while the address kept in the state
    /// directory stays until an "IP_ADDRESS = ..." write replaces it.
    void serveAt(uint32_t address);
    uint32_t axisFeatures(int axis) const;

    /// Writes flash values and keeps them in the state directory; 2003 for
    /// a range past the flash, 263 (nothing changed) when they cannot be kept.
    int32_t flashWrite(uint16_t start, const std::vector<float>& values);
    std::vector<float> flashValues() const;
    int32_t modbusGetBits(uint16_t start, uint16_t count, std::vector<uint8_t>& out) const;
    int32_t modbusSetBits(uint16_t start, const std::vector<uint8_t>& bits);
    int32_t modbusGetRegisters(uint16_t start, uint16_t count, std::vector<uint16_t>& out) const;
    int32_t modbusSetRegisters(uint16_t start, const std::vector<uint16_t>& values);
    int32_t registerRead(std::string_view area, uint32_t width, uint32_t start, uint32_t count,
                         std::vector<uint8_t>& out) const;

    /// Takes a program package. Every BASIC file is compiled first: an
    /// error gives 277 with one "Lostcount:" line per error in messages,
    /// leaves the running tasks alone and makes the run state 100. Otherwise
    /// every task stops and the package's first BASIC file starts in task 0,
    /// to run in the servo ticks; RUN starts the others. Rom also keeps the package
    /// (in the state directory), which starts again at every start and after
    /// a reboot. A RAM package above the profile's RAM size gives 210, a ROM
    /// package above its flash size 2019. A ROM package that cannot be
    /// stored gives 263 and starts nothing.
    int32_t downloadPackage(const std::vector<uint8_t>& package, bool toRom, std::string& messages);

    /// One servo period: the servo hooks, the scope sample, then every
    /// running task for its budget of statements.
    void tick();
    /// Adds a servo hook; returns its id for removeServoHook.
    int addServoHook(ServoHook hook);
    void removeServoHook(int id);
    /// Adds a hook that a reboot runs after the controller's own values are
    /// back at their ROM state and before the ROM program starts: a module
    /// that owns values (the motion engine) restores its own. Returns its id
    /// for removeRebootHook.
    int addRebootHook(RebootHook hook);
    void removeRebootHook(int id);

    /// The run state: 0 idle, 1 running, 3 paused, 100 error.
    uint8_t runState() const;
    /// Resumes every paused task.
    void resume();

    /// The message stream of one link session (see message_queues.h).
    int openMessages();
    void closeMessages(int id);
    void postMessages(int id, std::string_view text);
    std::string takeMessages(int id, std::size_t maxBytes);

    /// Sets the level on an input's wire (switches, tests).
    void setInputLevel(int input, bool level);

    /// Runs f with the lock held, for modules that bind parameters or
    /// register commands (the motion engine) and for the servo tick.
    template <typename F> auto withState(F&& f)
    {
        std::lock_guard lock(m_mutex);
        return f(m_state);
    }

    /// What start-up found wrong in the state directory, for the operator.
    const std::vector<std::string>& startupWarnings() const { return m_store.warnings(); }

    const Profile& profile() const { return m_state.profile; }
    const Clock& clock() const { return m_clock; }

private:
    void applyRomState();
    /// Compiles every BASIC file of a package into programs; 0 or the
    /// download's code, with the errors in messages.
    int32_t compilePackage(const std::vector<uint8_t>& package, std::string& messages,
                           std::vector<LoadedProgram>& programs);
    int32_t startPackage(const std::vector<uint8_t>& package, std::string& messages);
    void afterCommands();
    /// Takes what the statements run so far asked for (a dropped link, a
    /// reboot) into this line's outcome, before other work may run.
    void takeRequests(Outcome& outcome, bool& reboot);
    /// Keeps the address an "IP_ADDRESS = ..." write set, once it asks to.
    void storeNewIpAddress();
    /// Writes the flash values and the stored address; false when they
    /// cannot be kept.
    bool persist();

    SteadyClock m_steadyClock;
    const Clock& m_clock;
    mutable FairMutex m_mutex;
    ControllerState m_state;
    StateStore m_store;
    int32_t m_lastError = 0;
    /// The address kept in the state directory.
    uint32_t m_storedIpAddress = 0;
    double m_rebootUntil = -1.0;
    std::vector<uint8_t> m_romPackage;
    MessageQueues m_messages;
    std::map<int, ServoHook> m_servoHooks;
    std::map<int, RebootHook> m_rebootHooks;
    int m_nextHookId = 1;
};

} // namespace korvan::controller
