// Everything a controller holds, and the state of one task (a session's
// command line). Guarded by the Controller's mutex; nothing here locks.
#pragma once

#include "controller/axis_parameters.h"
#include "controller/clock.h"
#include "controller/command_registry.h"
#include "controller/io_model.h"
#include "controller/memory.h"
#include "controller/profile.h"
#include "controller/scope/scope_recorder.h"
#include "controller/variables.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvan::controller {

struct Ratio
{
    int numerator = 1;
    int denominator = 1;
};

struct ControllerState
{
    ControllerState(Profile p, const Clock& c)
        : profile(std::move(p)), clock(c), parameters(profile.virtualAxes), io(profile, clock),
          bus(profile, io.nodeChannels()), memory(profile),
          stepRatios(static_cast<std::size_t>(profile.virtualAxes)),
          encoderRatios(static_cast<std::size_t>(profile.virtualAxes))
    {}

    const Profile profile;
    const Clock& clock;
    ParameterTable parameters;
    IoModel io;
    FieldBus bus;
    Memory memory;
    VariableStore globals;
    std::vector<Ratio> stepRatios;
    std::vector<Ratio> encoderRatios;
    CommandRegistry commands;
    ScopeRecorder scope;
    /// The address "?IP_ADDRESS" reports, first octet in the lowest byte.
    uint32_t ipAddress = 0;
    /// Set by "reboot"; the Controller carries it out after the reply.
    bool rebootRequested = false;
    /// Set by an IP address change: the link drops after the reply.
    bool dropLinkRequested = false;
    /// Set by an IP address change so that the new address is stored.
    bool persistRequested = false;
};

struct TaskContext
{
    std::vector<int> base{0};
    VariableStore locals;
};

/// Values one user may declare in all, so that no text exhausts memory.
inline constexpr std::size_t maxDeclaredValues = 4 * 1024 * 1024;

} // namespace korvan::controller
