// The registration point for Korbasic commands. A module (the controller's
// own commands, the motion engine's MOVE/VMOVE/CANCEL/..., the bus)
// adds a CommandSpec with its name, argument counts and handler; the
// interpreter's host looks every command statement up here. Handlers run
// with the controller's lock held and must not block.
//
//     registry.add({"VMOVE", 1, 1, [&](CommandContext& c) {
//         return engine.vmove(c.axis(), c.ref.args[0]);
//     }});
#pragma once

#include "controller/basic/interpreter.h"

#include <cmath>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::controller {

struct ControllerState;
struct TaskContext;

// What a command handler sees.
struct CommandContext
{
    ControllerState& state;
    TaskContext& task;
    const basic::NameRef& ref;
    std::string& output;

    /// The axis the command acts on: AXIS(n) if given, else the first BASE axis.
    int axis() const;
    /// The axes of the task's BASE list.
    const std::vector<int>& baseAxes() const;
};

using CommandHandler = std::function<basic::HostResult(CommandContext&)>;
/// Gives the value of a function ("?NODE_COUNT(0)").
using FunctionReader = std::function<basic::HostResult(CommandContext&, double& out)>;

/// True for a finite whole number small enough to be an index or a count.
inline bool integral(double v)
{
    return std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e9;
}

struct CommandSpec
{
    std::string name; // upper case
    int minArgs = 0;
    int maxArgs = 0; // -1: any number
    CommandHandler handler;
};

// A controller value with arguments, read in expressions and prints.
struct FunctionSpec
{
    std::string name; // upper case
    int minArgs = 0;
    int maxArgs = 0;
    FunctionReader reader;
};

class CommandRegistry
{
public:
    /// Adds a command, replacing one of the same name.
    void add(CommandSpec spec);
    /// The command of that upper-case name, or null.
    const CommandSpec* find(std::string_view upperName) const;
    /// Adds a function, replacing one of the same name.
    void addFunction(FunctionSpec spec);
    /// The function of that upper-case name, or null.
    const FunctionSpec* findFunction(std::string_view upperName) const;

private:
    std::vector<CommandSpec> m_commands;
    std::vector<FunctionSpec> m_functions;
};

} // namespace korvan::controller
