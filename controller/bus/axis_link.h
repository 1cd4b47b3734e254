// Which hardware a controller axis drives. An axis becomes an expansion
// module's axis when its ATYPE is 8 and its AXIS_ADDRESS names a module axis
// (the module's card number + 32 × the axis on the module, as the workbench
// writes it); it becomes a bus drive's axis when its ATYPE is 65 (cyclic
// position), 66 (cyclic velocity) or 67 (cyclic torque) and its AXIS_ADDRESS
// is (slot + 1) × 65536 + node × 256 + the axis on the drive. When two
// controller axes name the same hardware axis, the lower one drives it.
#pragma once

#include <optional>

namespace korvan::controller {

struct ControllerState;

inline constexpr int moduleAxisType = 8;
inline constexpr int firstBusAxisType = 65;
inline constexpr int lastBusAxisType = 67;

/// The AXIS_ADDRESS that links an axis to axis k of the module with card
/// number card.
int moduleAxisAddress(int card, int k);
/// The AXIS_ADDRESS that links an axis to axis k of a bus drive.
int busAxisAddress(int slot, int node, int k);

struct AxisLink
{
    enum class Kind
    {
        None,
        Module,
        BusDrive
    };
    Kind kind = Kind::None;
    int module = -1; // index into the profile's modules
    int slot = -1;
    int node = -1;
    int hardwareAxis = -1; // the axis on the module or the drive
};

/// What the axis drives now, from its ATYPE and AXIS_ADDRESS.
AxisLink axisLink(const ControllerState& state, int axis);
/// The controller axis that drives axis k of a bus drive, if any.
std::optional<int> axisOfDrive(const ControllerState& state, int slot, int node, int k);
/// The feature bits of the hardware a linked axis drives (step and encoder
/// for module axes; servo, and CANopen objects over EtherCAT, for drives).
unsigned linkedAxisFeatures(const ControllerState& state, int axis);

} // namespace korvan::controller
