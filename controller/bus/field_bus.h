// The field buses of a controller: its slots (EtherCAT or RTEX ports) and the
// nodes the bus scan finds on them, each with its identity, its axes and the
// numbers its digital and analogue channels take in the controller's I/O.
// Nodes are numbered per slot from 0; the drives' stored object values (what
// an SDO write leaves on a drive that no controller axis drives) live here.
#pragma once

#include "controller/bus/drive_power.h"
#include "controller/profile.h"

#include <cstdint>
#include <vector>

namespace korvan::controller {

/// The code a slot's mode and a node's mode are given in the bus program's
/// tables ("P_SlotMode", "P_NodeMode").
enum class BusType
{
    EtherCat = 1,
    Rtex = 2
};

enum class NodeMode
{
    EtherCatDrive = 1,
    RtexDrive = 2,
    BusIo = 3
};

/// Where a node's channels sit in the controller's I/O numbering. Inputs and
/// outputs share the first digital number, analogue inputs and outputs the
/// first analogue number.
struct NodeChannels
{
    int firstDigital = 0;
    int inputs = 0;
    int outputs = 0;
    int firstAnalog = 0;
    int analogInputs = 0;
    int analogOutputs = 0;
};

/// Numbers the channels of every bus node, slot by slot and node by node,
/// digital channels from digitalFrom and analogue channels from analogFrom on.
std::vector<NodeChannels> numberNodeChannels(const Profile& profile, int digitalFrom,
                                             int analogFrom);

/// The interpolation time period (object 60C2) as mantissa × 10^exponent
/// seconds: exponent -3 down to -6, the first that gives a whole mantissa of
/// at most 255 (1 ms: 1 × 10^-3, 0.5 ms: 5 × 10^-4).
struct InterpolationPeriod
{
    int mantissa = 1;
    int exponent = -3;
};
InterpolationPeriod interpolationPeriodOf(double servoPeriodMs);

/// One axis of a drive: its power state machine, and what SDO writes left on
/// it while no controller axis drives it (or what the controller sends).
struct DriveAxisStore
{
    DrivePower power;
    int mode = 8; // cyclic synchronous position
    int64_t targetPosition = 0;
    int64_t profileVelocity = 0;
    int targetTorque = 0;           // per mille of rated torque
    int maxTorque = 3000;           // per mille of rated torque
    int interpolationPeriod = 1;    // the cycle's mantissa...
    int interpolationExponent = -3; // ...and power of ten, from the servo period
};

/// What one axis of a drive made of the controller's last servo cycle.
struct DriveCycle
{
    int axis = -1;        // the controller axis that drove it, -1 for none
    double speed = 0;     // that axis's demand speed, counts per second
    int torque = 0;       // torque actual (object 6077), per mille of rated torque
    bool claimed = false; // an axis drove it in the cycle being worked out
};

struct BusNodeState
{
    const BusNode* node = nullptr; // in the profile
    int slot = 0;
    int index = 0; // within the slot
    NodeMode mode = NodeMode::EtherCatDrive;
    NodeChannels channels;
    std::vector<DriveAxisStore> driveAxes;
    std::vector<DriveCycle> cycles; // one per drive axis
};

class FieldBus
{
public:
    /// channels: numberNodeChannels() of the same profile, in bus order.
    FieldBus(const Profile& profile, const std::vector<NodeChannels>& channels);

    int slotCount() const { return static_cast<int>(m_slotTypes.size()); }
    /// The slot's type; slot must be valid.
    BusType slotType(int slot) const { return m_slotTypes[static_cast<std::size_t>(slot)]; }
    bool hasSlot(int slot) const { return slot >= 0 && slot < slotCount(); }
    int nodeCount(int slot) const;
    /// The node, or null when slot or node do not exist.
    BusNodeState* node(int slot, int index);
    const BusNodeState* node(int slot, int index) const;
    /// Every node, in bus order.
    const std::vector<BusNodeState>& nodes() const { return m_nodes; }
    std::vector<BusNodeState>& nodes() { return m_nodes; }

    /// Forgets what SDO writes stored and what the drives made of the last
    /// servo cycles, and powers the drives up again (power-up, reboot).
    void reset();

    /// WDOG: the controller's switch for every bus drive's enable; off, no
    /// drive leaves or enters operation enabled whatever AXIS_ENABLE says.
    bool watchdog() const { return m_watchdog; }
    void setWatchdog(bool on) { m_watchdog = on; }

private:
    DriveAxisStore m_factoryAxis; // what every drive axis holds at power-up
    std::vector<BusType> m_slotTypes;
    std::vector<int> m_firstNode; // per slot, index into m_nodes
    std::vector<BusNodeState> m_nodes;
    bool m_watchdog = true;
};

} // namespace korvan::controller
