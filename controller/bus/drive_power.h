// The power state machine of one drive axis (CiA 402): the states a drive
// passes through from power-up to "operation enabled" and into "fault", the
// controlword commands that move it, the transitions it makes by itself, and
// the statusword bits each state shows.
//
//   not ready to switch on --(init)--> switch on disabled
//   switch on disabled --shutdown--> ready to switch on --switch on--> switched on
//   switched on --enable operation--> operation enabled
//   (switch on + enable operation from ready to switch on goes straight through)
//   operation enabled --disable operation--> switched on, --shutdown--> ready,
//                     --disable voltage--> switch on disabled, --quick stop--> quick stop active
//   ready / switched on --disable voltage or quick stop--> switch on disabled
//   quick stop active --stopped (option 0..4) or disable voltage--> switch on disabled,
//                     --enable operation (option 5..8)--> operation enabled
//   any state --fault--> fault reaction active --reaction done--> fault
//   fault --rising edge of bit 7, cause gone--> switch on disabled
#pragma once

#include <cstdint>

namespace korvan::controller {

enum class PowerState : std::uint8_t
{
    NotReadyToSwitchOn,
    SwitchOnDisabled,
    ReadyToSwitchOn,
    SwitchedOn,
    OperationEnabled,
    QuickStopActive,
    FaultReactionActive,
    Fault
};

/// Controlword commands, as a master writes them.
namespace control_words {
inline constexpr int DisableVoltage = 0x0000;
inline constexpr int QuickStop = 0x0002;
inline constexpr int Shutdown = 0x0006;
inline constexpr int SwitchOn = 0x0007; // also "disable operation"
inline constexpr int EnableOperation = 0x000F;
inline constexpr int FaultReset = 0x0080;
} // namespace control_words

/// Statusword bits outside the state bits.
namespace statusword_bits {
inline constexpr int TargetReached = 0x0400;
/// Cyclic synchronous modes: the drive follows the target the master sends.
inline constexpr int FollowsTarget = 0x1000;
/// Cyclic synchronous position: the following error is beyond its limit.
inline constexpr int FollowingError = 0x2000;
} // namespace statusword_bits

/// Quick stop option code (object 605A): 0..4 end in switch on disabled
/// once the axis stands, 5..8 stay in quick stop active.
inline constexpr int defaultQuickStopOption = 2;
inline constexpr int maxQuickStopOption = 8;

class DrivePower
{
public:
    PowerState state() const { return m_state; }
    /// The last controlword written, as object 6040 reads it back.
    int controlword() const { return m_controlword; }
    int quickStopOption() const { return m_quickStopOption; }
    /// option must lie in 0..maxQuickStopOption.
    void setQuickStopOption(int option) { m_quickStopOption = option; }

    /// Takes a controlword as the drive does when it arrives. faultCause:
    /// what made the drive fault is still there, so a fault reset fails.
    void command(int word, bool faultCause);
    /// The transitions the drive makes by itself in one cycle: it finishes
    /// initialising, ends its fault reaction, completes a quick stop, and
    /// faults while faultCause holds.
    void cycle(bool faultCause);
    /// The state bits of the statusword (bits 0-6), with "voltage enabled"
    /// and "remote" set as on a powered drive the bus controls.
    int statusword() const;

private:
    PowerState m_state = PowerState::NotReadyToSwitchOn;
    int m_controlword = 0;
    int m_quickStopOption = defaultQuickStopOption;
};

} // namespace korvan::controller
