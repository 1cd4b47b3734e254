#pragma once
// Korbasic motion commands by name, so an interpreter binds them in one loop:
// for every entry it registers name, argument counts and a handler that calls run()
// with the BASE list (or only the AXIS(n) axis when the statement names one) and the
// evaluated arguments.

#include "controller/motion/motion_engine.h"

#include <span>
#include <string_view>

namespace korvan::motion {

// Arguments of one motion statement.
struct MotionCall
{
    std::span<const int> base;    // BASE list, or {n} for AXIS(n)
    std::span<const double> args; // evaluated arguments
    std::string_view nameArg;     // a bare name given as the first argument (MOVE_PARA)
};

struct MotionCommand
{
    std::string_view name; // upper case
    int minArgs;
    int maxArgs; // -1: one per BASE axis
    MotionResult (*run)(MotionEngine&, const MotionCall&);
    bool takesName = false; // the first argument is a parameter name, not a value
};

// All motion commands, sorted by name.
std::span<const MotionCommand> motionCommands();
// The command of that name (any case), or null.
const MotionCommand* findMotionCommand(std::string_view name);

} // namespace korvan::motion
