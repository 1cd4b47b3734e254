#include "controller/areas.h"

#include "controller/controller_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace korvan::controller {

using basic::ErrorCode;
using basic::HostResult;

namespace {

constexpr AreaSpec areas[] = {
#define KORVAN_AREA_SPEC(name, readOnly) {#name, readOnly, Area::name},
    KORVAN_AREAS(KORVAN_AREA_SPEC)
#undef KORVAN_AREA_SPEC
};

constexpr SystemValueSpec systemValues[] = {
#define KORVAN_SYSTEM_SPEC(name, readOnly) {#name, readOnly, SystemValue::name},
    KORVAN_SYSTEM_VALUES(KORVAN_SYSTEM_SPEC)
#undef KORVAN_SYSTEM_SPEC
};

HostResult outOfRange(std::string_view name, int index)
{
    return HostResult::fail(ErrorCode::IndexRange,
                            std::string(name) + "(" + std::to_string(index) + ")");
}

uint32_t registerPair(const std::vector<uint16_t>& regs, int index)
{
    const auto i = static_cast<std::size_t>(index);
    return static_cast<uint32_t>(regs[i]) | (static_cast<uint32_t>(regs[i + 1]) << 16);
}

void setRegisterPair(std::vector<uint16_t>& regs, int index, uint32_t value)
{
    const auto i = static_cast<std::size_t>(index);
    regs[i] = static_cast<uint16_t>(value & 0xffffu);
    regs[i + 1] = static_cast<uint16_t>(value >> 16);
}

bool isBit(double v)
{
    return v == 0.0 || v == 1.0;
}

} // namespace

const AreaSpec* findArea(std::string_view upperName)
{
    for (const AreaSpec& a : areas) {
        if (a.name == upperName)
            return &a;
    }
    return nullptr;
}

int areaSize(const ControllerState& s, Area area)
{
    switch (area) {
    case Area::IN:
    case Area::INVERT_IN:
        return s.io.inputRange();
    case Area::OP:
        return s.io.outputRange();
    case Area::AIN:
        return s.io.analogInputRange();
    case Area::AOUT:
        return s.io.analogOutputRange();
    case Area::PWM_DUTY:
    case Area::PWM_FREQ:
        return s.io.pwmCount();
    case Area::VR:
    case Area::VR_INT:
        return static_cast<int>(s.memory.vr.size());
    case Area::TABLE:
        return static_cast<int>(s.memory.table.size());
    case Area::MODBUS_BIT:
        return static_cast<int>(s.memory.modbusBits.size());
    case Area::MODBUS_REG:
        return static_cast<int>(s.memory.modbusRegisters.size());
    case Area::MODBUS_LONG:
    case Area::MODBUS_IEEE:
        return s.memory.modbusRegisters.empty()
                   ? 0
                   : static_cast<int>(s.memory.modbusRegisters.size()) - 1;
    }
    return 0;
}

HostResult readArea(const ControllerState& s, Area area, int index, double& out)
{
    const std::string_view name = areas[static_cast<std::size_t>(area)].name;
    if (index < 0 || index >= areaSize(s, area))
        return outOfRange(name, index);
    const auto i = static_cast<std::size_t>(index);
    switch (area) {
    case Area::IN:
        if (!s.io.hasInput(index))
            return outOfRange(name, index);
        out = s.io.input(index);
        break;
    case Area::INVERT_IN:
        if (!s.io.hasInput(index))
            return outOfRange(name, index);
        out = s.io.inversion(index);
        break;
    case Area::OP:
        if (!s.io.hasOutput(index))
            return outOfRange(name, index);
        out = s.io.output(index);
        break;
    case Area::AIN:
        if (!s.io.hasAnalogInput(index))
            return outOfRange(name, index);
        out = s.io.analogInput(index);
        break;
    case Area::AOUT:
        if (!s.io.hasAnalogOutput(index))
            return outOfRange(name, index);
        out = s.io.analogOutput(index);
        break;
    case Area::PWM_DUTY:
        out = s.io.pwmDuty(index);
        break;
    case Area::PWM_FREQ:
        out = s.io.pwmFrequency(index);
        break;
    case Area::VR:
        out = s.memory.vr[i];
        break;
    case Area::VR_INT:
        // The register as a 32-bit integer: "%d" readers take what it prints.
        out = std::clamp(std::trunc(s.memory.vr[i]), -2147483648.0, 2147483647.0);
        break;
    case Area::TABLE:
        out = s.memory.table[i];
        break;
    case Area::MODBUS_BIT:
        out = s.memory.modbusBits[i];
        break;
    case Area::MODBUS_REG:
        out = s.memory.modbusRegisters[i];
        break;
    case Area::MODBUS_LONG:
        out = static_cast<int32_t>(registerPair(s.memory.modbusRegisters, index));
        break;
    case Area::MODBUS_IEEE: {
        const uint32_t bits = registerPair(s.memory.modbusRegisters, index);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        out = f;
        break;
    }
    }
    return HostResult::ok();
}

HostResult writeArea(ControllerState& s, Area area, int index, double value)
{
    const AreaSpec& spec = areas[static_cast<std::size_t>(area)];
    if (spec.readOnly)
        return HostResult::fail(ErrorCode::ReadOnly, std::string(spec.name));
    if (index < 0 || index >= areaSize(s, area))
        return outOfRange(spec.name, index);
    if (!std::isfinite(value))
        return HostResult::fail(ErrorCode::BadArgument, "value of " + std::string(spec.name));
    const auto i = static_cast<std::size_t>(index);
    switch (area) {
    case Area::IN:
    case Area::AIN:
        break;
    case Area::OP:
        if (!s.io.hasOutput(index))
            return outOfRange(spec.name, index);
        s.io.setOutput(index, value != 0.0);
        break;
    case Area::INVERT_IN:
        if (!s.io.hasInput(index))
            return outOfRange(spec.name, index);
        if (!isBit(value))
            return HostResult::fail(ErrorCode::BadArgument, "inversion is 0 or 1");
        s.io.setInversion(index, value != 0.0);
        break;
    case Area::AOUT:
        if (!s.io.hasAnalogOutput(index))
            return outOfRange(spec.name, index);
        if (value < 0 || value > 65535)
            return HostResult::fail(ErrorCode::BadArgument, "AOUT raw value 0..65535");
        s.io.setAnalogOutput(index, value);
        break;
    case Area::PWM_DUTY:
        if (value < 0 || value > 1)
            return HostResult::fail(ErrorCode::BadArgument, "PWM duty 0..1");
        s.io.setPwmDuty(index, value);
        break;
    case Area::PWM_FREQ:
        if (value < 0 || value > 10e6)
            return HostResult::fail(ErrorCode::BadArgument, "PWM frequency 0..10000000");
        s.io.setPwmFrequency(index, value);
        break;
    case Area::VR:
        s.memory.vr[i] = value;
        break;
    case Area::VR_INT:
        if (value < -2147483648.0 || value >= 2147483648.0)
            return HostResult::fail(ErrorCode::BadArgument, "VR_INT holds a 32-bit integer");
        s.memory.vr[i] = std::trunc(value);
        break;
    case Area::TABLE:
        s.memory.table[i] = value;
        break;
    case Area::MODBUS_BIT:
        if (!isBit(value))
            return HostResult::fail(ErrorCode::BadArgument, "a bit is 0 or 1");
        s.memory.modbusBits[i] = static_cast<uint8_t>(value);
        break;
    case Area::MODBUS_REG:
        if (value < -32768 || value > 65535)
            return HostResult::fail(ErrorCode::BadArgument, "16-bit register value");
        s.memory.modbusRegisters[i] =
            static_cast<uint16_t>(static_cast<int32_t>(std::trunc(value)) & 0xffff);
        break;
    case Area::MODBUS_LONG:
        if (value < -2147483648.0 || value > 4294967295.0)
            return HostResult::fail(ErrorCode::BadArgument, "32-bit register value");
        setRegisterPair(s.memory.modbusRegisters, index,
                        static_cast<uint32_t>(static_cast<int64_t>(std::trunc(value))));
        break;
    case Area::MODBUS_IEEE: {
        const float f = static_cast<float>(value);
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        setRegisterPair(s.memory.modbusRegisters, index, bits);
        break;
    }
    }
    return HostResult::ok();
}

const SystemValueSpec* findSystemValue(std::string_view upperName)
{
    for (const SystemValueSpec& v : systemValues) {
        if (v.name == upperName)
            return &v;
    }
    return nullptr;
}

HostResult readSystemValue(const ControllerState& s, SystemValue id, basic::Value& out)
{
    switch (id) {
    case SystemValue::TSIZE:
        out = basic::Value::ofNumber(static_cast<double>(s.memory.table.size()));
        break;
    case SystemValue::VRSIZE:
        out = basic::Value::ofNumber(static_cast<double>(s.memory.vr.size()));
        break;
    case SystemValue::IP_ADDRESS:
        // Printed as a signed 32-bit integer so that "%d" reads it back.
        out = basic::Value::ofNumber(static_cast<int32_t>(s.ipAddress));
        break;
    case SystemValue::VERSION:
        out = basic::Value::ofNumber(s.profile.softVersion);
        break;
    case SystemValue::MAX_AXIS:
        out = basic::Value::ofNumber(s.profile.virtualAxes);
        break;
    case SystemValue::SERVO_PERIOD:
        // In microseconds, as the profile's servoPeriod (ms) gives the motion engine's tick.
        out = basic::Value::ofNumber(std::round(s.profile.servoPeriodMs * 1000));
        break;
    case SystemValue::SCOPE_POS:
        out = basic::Value::ofNumber(s.scope.position());
        break;
    case SystemValue::WDOG:
        out = basic::Value::ofNumber(s.bus.watchdog() ? 1 : 0);
        break;
    }
    return HostResult::ok();
}

HostResult writeSystemValue(ControllerState& s, SystemValue id, double value)
{
    const SystemValueSpec& spec = systemValues[static_cast<std::size_t>(id)];
    if (spec.readOnly)
        return HostResult::fail(ErrorCode::ReadOnly, std::string(spec.name));
    if (id == SystemValue::IP_ADDRESS) {
        if (value < -2147483648.0 || value > 4294967295.0 || value != std::trunc(value))
            return HostResult::fail(ErrorCode::BadArgument, "IP address");
        s.ipAddress = static_cast<uint32_t>(static_cast<int64_t>(value));
        // The controller takes the address at once and drops the link.
        s.dropLinkRequested = true;
        s.persistRequested = true;
    }
    if (id == SystemValue::WDOG) {
        // Any value other than 0 switches the drives' enable on, as SERVO does.
        if (!std::isfinite(value))
            return HostResult::fail(ErrorCode::BadArgument, "WDOG");
        s.bus.setWatchdog(value != 0);
    }
    return HostResult::ok();
}

} // namespace korvan::controller
