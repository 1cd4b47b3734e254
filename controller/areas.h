// Indexed areas (I/O, memory, Modbus) and controller-wide values, each from
// one table so that names and dispatch cannot drift apart.
#pragma once

#include "controller/basic/interpreter.h"

#include <string_view>

namespace korvan::controller {

struct ControllerState;

// X(NAME, read-only)
#define KORVAN_AREAS(X)                                                                            \
    X(IN, true)                                                                                    \
    X(OP, false)                                                                                   \
    X(INVERT_IN, false)                                                                            \
    X(AIN, true)                                                                                   \
    X(AOUT, false)                                                                                 \
    X(PWM_DUTY, false)                                                                             \
    X(PWM_FREQ, false)                                                                             \
    X(VR, false)                                                                                   \
    X(VR_INT, false)                                                                               \
    X(TABLE, false)                                                                                \
    X(MODBUS_BIT, false)                                                                           \
    X(MODBUS_REG, false)                                                                           \
    X(MODBUS_LONG, false)                                                                          \
    X(MODBUS_IEEE, false)

enum class Area
{
#define KORVAN_AREA_ENUM(name, readOnly) name,
    KORVAN_AREAS(KORVAN_AREA_ENUM)
#undef KORVAN_AREA_ENUM
};

struct AreaSpec
{
    std::string_view name;
    bool readOnly;
    Area id;
};

/// The area of that upper-case name, or null.
const AreaSpec* findArea(std::string_view upperName);
/// One past the highest index of the area.
int areaSize(const ControllerState& state, Area area);
basic::HostResult readArea(const ControllerState& state, Area area, int index, double& out);
basic::HostResult writeArea(ControllerState& state, Area area, int index, double value);

// X(NAME, read-only)
#define KORVAN_SYSTEM_VALUES(X)                                                                    \
    X(TSIZE, true)                                                                                 \
    X(VRSIZE, true)                                                                                \
    X(IP_ADDRESS, false)                                                                           \
    X(VERSION, true)                                                                               \
    X(MAX_AXIS, true)                                                                              \
    X(SERVO_PERIOD, true)                                                                          \
    X(SCOPE_POS, true)                                                                             \
    X(WDOG, false)

enum class SystemValue
{
#define KORVAN_SYSTEM_ENUM(name, readOnly) name,
    KORVAN_SYSTEM_VALUES(KORVAN_SYSTEM_ENUM)
#undef KORVAN_SYSTEM_ENUM
};

struct SystemValueSpec
{
    std::string_view name;
    bool readOnly;
    SystemValue id;
};

const SystemValueSpec* findSystemValue(std::string_view upperName);
basic::HostResult readSystemValue(const ControllerState& state, SystemValue id, basic::Value& out);
basic::HostResult writeSystemValue(ControllerState& state, SystemValue id, double value);

} // namespace korvan::controller
