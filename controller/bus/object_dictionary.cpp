#include "controller/bus/object_dictionary.h"

#include "controller/bus/axis_link.h"
#include "controller/bus/drive_control.h"
#include "controller/controller_state.h"

#include <algorithm>
#include <cmath>

namespace korvan::controller {

namespace {

struct TypeSpec
{
    int code;
    int bytes;
    bool isSigned;
};

constexpr TypeSpec typeSpecs[] = {
#define KORVAN_SDO_TYPE_SPEC(name, code, bytes, isSigned) {code, bytes, isSigned},
    KORVAN_SDO_TYPES(KORVAN_SDO_TYPE_SPEC)
#undef KORVAN_SDO_TYPE_SPEC
};

const TypeSpec& spec(SdoType type)
{
    return typeSpecs[static_cast<std::size_t>(type) - 1];
}

// The objects a node carries.
enum class Object
{
    DeviceType,
    IdentityCount,
    Vendor,
    Product,
    Revision,
    Serial,
    Controlword,
    Statusword,
    QuickStopOption,
    Mode,
    ModeDisplay,
    PositionActual,
    VelocityActual,
    TargetPosition,
    ProfileVelocity,
    TargetTorque,
    MaxTorque,
    TorqueActual,
    InterpolationCount,
    InterpolationPeriod,
    InterpolationExponent,
    ChannelCount,
    Input,
    Output,
    AnalogInput,
    AnalogOutput
};

struct ObjectSpec
{
    int index;
    Object object;
    SdoType type;
    bool writable;
};

// The CiA 402 objects of a drive's first axis; axis k adds 0x800 * k.
constexpr ObjectSpec driveObjects[] = {
    {0x6040, Object::Controlword, SdoType::Uint16, true},
    {0x6041, Object::Statusword, SdoType::Uint16, false},
    {0x605A, Object::QuickStopOption, SdoType::Int16, true},
    {0x6060, Object::Mode, SdoType::Int8, true},
    {0x6061, Object::ModeDisplay, SdoType::Int8, false},
    {0x6064, Object::PositionActual, SdoType::Int32, false},
    {0x606C, Object::VelocityActual, SdoType::Int32, false},
    {0x607A, Object::TargetPosition, SdoType::Int32, true},
    {0x6081, Object::ProfileVelocity, SdoType::Uint32, true},
    {0x6071, Object::TargetTorque, SdoType::Int16, true},
    {0x6072, Object::MaxTorque, SdoType::Uint16, true},
    {0x6077, Object::TorqueActual, SdoType::Int16, false},
};
// Interpolation time period: sub 1 the mantissa, sub 2 the power of ten.
constexpr int interpolationIndex = 0x60C2;
constexpr int driveAxisOffset = 0x800;

// The channel objects of a node, one sub-index per channel from 1 on.
constexpr ObjectSpec channelObjects[] = {
    {0x6000, Object::Input, SdoType::Bool, false},
    {0x7000, Object::Output, SdoType::Bool, true},
    {0x6401, Object::AnalogInput, SdoType::Uint16, false},
    {0x6411, Object::AnalogOutput, SdoType::Uint16, true},
};
constexpr int maxChannelSubIndex = 254;

constexpr uint32_t driveDeviceType = 0x00020192; // CiA 402 servo drive
constexpr uint32_t ioDeviceProfile = 0x0191;     // CiA 401 generic I/O module
// CiA 401 device type bits 16-19: the kinds of I/O the module has.
constexpr uint32_t ioDigitalInputs = 0x10000;
constexpr uint32_t ioDigitalOutputs = 0x20000;
constexpr uint32_t ioAnalogInputs = 0x40000;
constexpr uint32_t ioAnalogOutputs = 0x80000;
constexpr int identityEntries = 4;

constexpr unsigned axisStatusFollowingError = 0x2;

struct Entry
{
    Object object = Object::DeviceType;
    SdoType type = SdoType::Uint32;
    bool writable = false;
    int k = 0; // the drive axis, or the channel
};

// The device type of an I/O module: its profile and the kinds of I/O it has.
uint32_t ioDeviceType(const NodeChannels& c)
{
    uint32_t type = ioDeviceProfile;
    if (c.inputs > 0)
        type |= ioDigitalInputs;
    if (c.outputs > 0)
        type |= ioDigitalOutputs;
    if (c.analogInputs > 0)
        type |= ioAnalogInputs;
    if (c.analogOutputs > 0)
        type |= ioAnalogOutputs;
    return type;
}

int channelCount(const BusNodeState& node, Object object)
{
    const NodeChannels& c = node.channels;
    switch (object) {
    case Object::Input:
        return c.inputs;
    case Object::Output:
        return c.outputs;
    case Object::AnalogInput:
        return c.analogInputs;
    case Object::AnalogOutput:
        return c.analogOutputs;
    default:
        return 0;
    }
}

SdoAbort find(const BusNodeState& node, int index, int sub, Entry& out)
{
    auto only0 = [&](Entry e) {
        if (sub != 0)
            return SdoAbort::NoSubIndex;
        out = e;
        return SdoAbort::None;
    };
    if (index == 0x1000)
        return only0({Object::DeviceType, SdoType::Uint32, false, 0});
    if (index == 0x1018) {
        static constexpr Object identity[] = {Object::IdentityCount, Object::Vendor,
                                              Object::Product, Object::Revision, Object::Serial};
        if (sub < 0 || sub > identityEntries)
            return SdoAbort::NoSubIndex;
        out = {identity[sub], sub == 0 ? SdoType::Uint8 : SdoType::Uint32, false, 0};
        return SdoAbort::None;
    }
    for (int k = 0; k < node.node->axes; ++k) {
        for (const ObjectSpec& o : driveObjects) {
            if (index == o.index + k * driveAxisOffset)
                return only0({o.object, o.type, o.writable, k});
        }
        if (index == interpolationIndex + k * driveAxisOffset) {
            static constexpr Entry record[] = {
                {Object::InterpolationCount, SdoType::Uint8, false, 0},
                {Object::InterpolationPeriod, SdoType::Uint8, true, 0},
                {Object::InterpolationExponent, SdoType::Int8, true, 0}};
            if (sub < 0 || sub >= static_cast<int>(std::size(record)))
                return SdoAbort::NoSubIndex;
            out = record[sub];
            out.k = k;
            return SdoAbort::None;
        }
    }
    for (const ObjectSpec& o : channelObjects) {
        const int count = std::min(channelCount(node, o.object), maxChannelSubIndex);
        if (index != o.index || count == 0)
            continue;
        if (sub == 0) {
            out = {Object::ChannelCount, SdoType::Uint8, false, count};
            return SdoAbort::None;
        }
        if (sub < 1 || sub > count)
            return SdoAbort::NoSubIndex;
        out = {o.object, o.type, o.writable, sub - 1};
        return SdoAbort::None;
    }
    return SdoAbort::NoObject;
}

int64_t clampToInt32(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int64_t>(std::clamp(std::round(v), -2147483648.0, 2147483647.0));
}

// The counts a drive reports for a controller value in user units.
int64_t counts(const ControllerState& s, AxisParam value, int axis)
{
    return clampToInt32(s.parameters.get(value, axis) * s.parameters.get(AxisParam::UNITS, axis));
}

// The statusword of drive axis e.k: its power state, and in operation
// enabled what it makes of the target. The cyclic modes follow the target
// the master sends; a drive that no axis drives holds its own target, so it
// has always reached it.
int64_t statusword(const ControllerState& s, const DriveAxisStore& store, int axis)
{
    int word = store.power.statusword();
    if (store.power.state() != PowerState::OperationEnabled)
        return word;
    word |= statusword_bits::FollowsTarget;
    if (axis < 0)
        return word | statusword_bits::TargetReached;
    if (s.parameters.get(AxisParam::IDLE, axis) != 0)
        word |= statusword_bits::TargetReached;
    const auto bits =
        static_cast<unsigned>(clampToInt32(s.parameters.get(AxisParam::AXISSTATUS, axis)));
    if (store.mode == cyclicPositionMode && (bits & axisStatusFollowingError))
        word |= statusword_bits::FollowingError;
    return word;
}

// A CiA 402 object of drive axis e.k. The drive's own objects (controlword,
// statusword, modes) read the same whether an axis drives it or not; the
// master keeps them in line with that axis (drive_control.h). Positions and
// speeds come from the axis, or from what SDO writes stored while none does.
int64_t readDriveObject(const ControllerState& s, const BusNodeState& node, const Entry& e)
{
    const int axis = axisOfDrive(s, node.slot, node.index, e.k).value_or(-1);
    const DriveAxisStore& store = node.driveAxes[static_cast<std::size_t>(e.k)];
    switch (e.object) {
    case Object::Controlword:
        return store.power.controlword();
    case Object::Statusword:
        return statusword(s, store, axis);
    case Object::QuickStopOption:
        return store.power.quickStopOption();
    case Object::Mode:
    case Object::ModeDisplay:
        return store.mode;
    default:
        break;
    }
    if (axis < 0) {
        switch (e.object) {
        case Object::TargetPosition:
            return store.targetPosition;
        case Object::ProfileVelocity:
            return store.profileVelocity;
        default:
            return 0; // a drive nobody drives stands still
        }
    }
    switch (e.object) {
    case Object::PositionActual:
        return counts(s, AxisParam::MPOS, axis);
    case Object::VelocityActual:
        return counts(s, AxisParam::MSPEED, axis);
    case Object::TargetPosition:
        return counts(s, AxisParam::DPOS, axis);
    case Object::ProfileVelocity:
        return counts(s, AxisParam::SPEED, axis);
    default:
        return 0;
    }
}

int64_t readObject(const ControllerState& s, const BusNodeState& node, const Entry& e)
{
    const BusNode& n = *node.node;
    switch (e.object) {
    case Object::DeviceType:
        return node.mode == NodeMode::BusIo ? ioDeviceType(node.channels) : driveDeviceType;
    case Object::IdentityCount:
        return identityEntries;
    case Object::Vendor:
        return n.vendor;
    case Object::Product:
        return n.device;
    case Object::Revision:
        return n.revision;
    case Object::Serial:
        return n.serial;
    case Object::Controlword:
    case Object::Statusword:
    case Object::QuickStopOption:
    case Object::Mode:
    case Object::ModeDisplay:
    case Object::PositionActual:
    case Object::VelocityActual:
    case Object::TargetPosition:
    case Object::ProfileVelocity:
        return readDriveObject(s, node, e);
    case Object::TargetTorque:
        return node.driveAxes[static_cast<std::size_t>(e.k)].targetTorque;
    case Object::MaxTorque:
        return node.driveAxes[static_cast<std::size_t>(e.k)].maxTorque;
    case Object::TorqueActual:
        return node.cycles[static_cast<std::size_t>(e.k)].torque;
    case Object::InterpolationCount:
        return 2;
    case Object::InterpolationPeriod:
        return node.driveAxes[static_cast<std::size_t>(e.k)].interpolationPeriod;
    case Object::InterpolationExponent:
        return node.driveAxes[static_cast<std::size_t>(e.k)].interpolationExponent;
    case Object::ChannelCount:
        return e.k;
    case Object::Input:
        return s.io.input(node.channels.firstDigital + e.k);
    case Object::Output:
        return s.io.output(node.channels.firstDigital + e.k);
    case Object::AnalogInput:
        return clampToInt32(s.io.analogInput(node.channels.firstAnalog + e.k));
    case Object::AnalogOutput:
        return clampToInt32(s.io.analogOutput(node.channels.firstAnalog + e.k));
    }
    return 0;
}

SdoAbort writeObject(ControllerState& s, BusNodeState& node, const Entry& e, int64_t v)
{
    const bool drive = e.object == Object::Mode || e.object == Object::TargetPosition ||
                       e.object == Object::ProfileVelocity;
    DriveAxisStore* store = e.k < static_cast<int>(node.driveAxes.size())
                                ? &node.driveAxes[static_cast<std::size_t>(e.k)]
                                : nullptr;
    const int axis = drive ? axisOfDrive(s, node.slot, node.index, e.k).value_or(-1) : -1;
    auto setAxis = [&s, axis](AxisParam id, double value) {
        return s.parameters.set(id, axis, value) == basic::ErrorCode::None ? SdoAbort::None
                                                                           : SdoAbort::DeviceState;
    };
    switch (e.object) {
    case Object::Controlword:
        return writeControlword(s, node, e.k, static_cast<int>(v)) ? SdoAbort::None
                                                                   : SdoAbort::DeviceState;
    case Object::QuickStopOption:
        if (v < 0 || v > maxQuickStopOption)
            return SdoAbort::ValueRange;
        store->power.setQuickStopOption(static_cast<int>(v));
        return SdoAbort::None;
    case Object::Mode:
        if (v < cyclicPositionMode || v > cyclicTorqueMode)
            return SdoAbort::ValueRange;
        if (axis >= 0) {
            // The axis's type is the mode the master asks for.
            if (SdoAbort a = setAxis(AxisParam::ATYPE, static_cast<double>(firstBusAxisType + v -
                                                                           cyclicPositionMode));
                a != SdoAbort::None)
                return a;
        }
        store->mode = static_cast<int>(v);
        return SdoAbort::None;
    case Object::TargetPosition:
        // The controller writes a driven axis's target every servo cycle.
        if (axis >= 0)
            return SdoAbort::DeviceState;
        store->targetPosition = v;
        return SdoAbort::None;
    case Object::ProfileVelocity: {
        if (axis < 0) {
            store->profileVelocity = v;
            return SdoAbort::None;
        }
        const double units = s.parameters.get(AxisParam::UNITS, axis);
        if (units == 0)
            return SdoAbort::DeviceState;
        return setAxis(AxisParam::SPEED, static_cast<double>(v) / units);
    }
    case Object::TargetTorque:
        store->targetTorque = static_cast<int>(v);
        return SdoAbort::None;
    case Object::MaxTorque:
        store->maxTorque = static_cast<int>(v);
        return SdoAbort::None;
    case Object::InterpolationPeriod:
        if (v == 0)
            return SdoAbort::ValueRange;
        store->interpolationPeriod = static_cast<int>(v);
        return SdoAbort::None;
    case Object::InterpolationExponent:
        if (v < -6 || v > -3) // 1 µs to 1 ms
            return SdoAbort::ValueRange;
        store->interpolationExponent = static_cast<int>(v);
        return SdoAbort::None;
    case Object::Output:
        if (v != 0 && v != 1)
            return SdoAbort::ValueRange;
        s.io.setOutput(node.channels.firstDigital + e.k, v != 0);
        return SdoAbort::None;
    case Object::AnalogOutput:
        s.io.setAnalogOutput(node.channels.firstAnalog + e.k, static_cast<double>(v));
        return SdoAbort::None;
    default:
        return SdoAbort::WriteReadOnly;
    }
}

uint64_t mask(int bytes)
{
    return bytes >= 8 ? ~0ull : (1ull << (8 * bytes)) - 1;
}

// The value the raw bits of a type stand for.
int64_t fromBits(uint64_t raw, const TypeSpec& t)
{
    raw &= mask(t.bytes);
    if (t.isSigned && (raw >> (8 * t.bytes - 1)) & 1)
        return static_cast<int64_t>(raw | ~mask(t.bytes));
    return static_cast<int64_t>(raw);
}

} // namespace

bool validSdoType(int code)
{
    return code >= 1 && code <= static_cast<int>(std::size(typeSpecs));
}

std::string_view sdoAbortText(SdoAbort abort)
{
    switch (abort) {
#define KORVAN_SDO_ABORT_TEXT(name, code, text)                                                    \
    case SdoAbort::name:                                                                           \
        return text;
        KORVAN_SDO_ABORTS(KORVAN_SDO_ABORT_TEXT)
#undef KORVAN_SDO_ABORT_TEXT
    }
    return "";
}

bool fitsSdoType(SdoType type, double value)
{
    if (!std::isfinite(value) || value != std::trunc(value))
        return false;
    if (type == SdoType::Bool)
        return value == 0 || value == 1;
    const TypeSpec& t = spec(type);
    const double range = std::ldexp(1.0, 8 * t.bytes);
    if (t.isSigned)
        return value >= -range / 2 && value < range / 2;
    if (type == SdoType::Uint32)
        return value >= -range / 2 && value < range;
    return value >= 0 && value < range;
}

SdoAbort sdoRead(const ControllerState& s, const BusNodeState& node, int index, int subIndex,
                 SdoType type, double& value)
{
    Entry e;
    if (SdoAbort a = find(node, index, subIndex, e); a != SdoAbort::None)
        return a;
    const TypeSpec& want = spec(type);
    const TypeSpec& has = spec(e.type);
    if (want.bytes != has.bytes)
        return SdoAbort::TypeMismatch;
    const auto raw = static_cast<uint64_t>(readObject(s, node, e));
    if (type == SdoType::Bool)
        value = (raw & mask(want.bytes)) != 0 ? 1 : 0;
    else
        value = static_cast<double>(fromBits(raw, want));
    return SdoAbort::None;
}

SdoAbort sdoWrite(ControllerState& s, BusNodeState& node, int index, int subIndex, SdoType type,
                  int64_t value)
{
    Entry e;
    if (SdoAbort a = find(node, index, subIndex, e); a != SdoAbort::None)
        return a;
    if (spec(type).bytes != spec(e.type).bytes)
        return SdoAbort::TypeMismatch;
    if (!e.writable)
        return SdoAbort::WriteReadOnly;
    return writeObject(s, node, e, fromBits(static_cast<uint64_t>(value), spec(e.type)));
}

} // namespace korvan::controller
