#include "controller/bus/axis_link.h"

#include "controller/controller_state.h"

#include <cmath>

namespace korvan::controller {

namespace {

constexpr int busAddressSlotUnit = 65536;
constexpr int busAddressNodeUnit = 256;
constexpr int moduleAddressAxisUnit = 32;

constexpr unsigned featureStep = 0x1;
constexpr unsigned featureEncoder = 0x10;
constexpr unsigned featureServo = 0x800;
constexpr unsigned featureCanopen = 0x2000;

int intParameter(const ControllerState& s, AxisParam id, int axis)
{
    const double v = s.parameters.get(id, axis);
    return std::isfinite(v) && std::fabs(v) < 2e9 ? static_cast<int>(v) : -1;
}

// The hardware axis an axis names, without looking at other axes.
AxisLink claimed(const ControllerState& s, int axis)
{
    AxisLink link;
    const int type = intParameter(s, AxisParam::ATYPE, axis);
    const int address = intParameter(s, AxisParam::AXIS_ADDRESS, axis);
    if (address < 0)
        return link;
    if (type == moduleAxisType) {
        for (std::size_t m = 0; m < s.profile.modules.size(); ++m) {
            const int card = s.io.cardNumber(m);
            const int offset = address - card;
            if (offset < 0 || offset % moduleAddressAxisUnit != 0)
                continue;
            const int k = offset / moduleAddressAxisUnit;
            if (k < s.profile.modules[m].axes) {
                link.kind = AxisLink::Kind::Module;
                link.module = static_cast<int>(m);
                link.hardwareAxis = k;
                return link;
            }
        }
    } else if (type >= firstBusAxisType && type <= lastBusAxisType) {
        const int slot = address / busAddressSlotUnit - 1;
        const int node = (address % busAddressSlotUnit) / busAddressNodeUnit;
        const int k = address % busAddressNodeUnit;
        const BusNodeState* n = s.bus.node(slot, node);
        if (n && k < n->node->axes) {
            link.kind = AxisLink::Kind::BusDrive;
            link.slot = slot;
            link.node = node;
            link.hardwareAxis = k;
        }
    }
    return link;
}

bool sameHardware(const AxisLink& a, const AxisLink& b)
{
    return a.kind == b.kind && a.module == b.module && a.slot == b.slot && a.node == b.node &&
           a.hardwareAxis == b.hardwareAxis;
}

} // namespace

int moduleAxisAddress(int card, int k)
{
    return card + moduleAddressAxisUnit * k;
}

int busAxisAddress(int slot, int node, int k)
{
    return (slot + 1) * busAddressSlotUnit + node * busAddressNodeUnit + k;
}

AxisLink axisLink(const ControllerState& s, int axis)
{
    if (axis < 0 || axis >= s.parameters.axisCount())
        return {};
    const AxisLink link = claimed(s, axis);
    if (link.kind == AxisLink::Kind::None)
        return link;
    for (int lower = 0; lower < axis; ++lower) {
        if (sameHardware(claimed(s, lower), link))
            return {};
    }
    return link;
}

std::optional<int> axisOfDrive(const ControllerState& s, int slot, int node, int k)
{
    for (int axis = 0; axis < s.parameters.axisCount(); ++axis) {
        const AxisLink link = claimed(s, axis);
        if (link.kind == AxisLink::Kind::BusDrive && link.slot == slot && link.node == node &&
            link.hardwareAxis == k)
            return axis;
    }
    return std::nullopt;
}

unsigned linkedAxisFeatures(const ControllerState& s, int axis)
{
    const AxisLink link = axisLink(s, axis);
    switch (link.kind) {
    case AxisLink::Kind::Module:
        return featureStep | featureEncoder;
    case AxisLink::Kind::BusDrive:
        return s.bus.slotType(link.slot) == BusType::EtherCat ? featureServo | featureCanopen
                                                              : featureServo;
    case AxisLink::Kind::None:
        break;
    }
    return 0;
}

} // namespace korvan::controller
