// Resolves the names of a Korbasic statement against one controller for one
// task: axis parameters, areas, controller values, reports, variables and
// registered commands, in that order.
#pragma once

#include "controller/basic/interpreter.h"
#include "controller/controller_state.h"

namespace korvan::controller {

class CommandHost final : public basic::Host
{
public:
    CommandHost(ControllerState& state, TaskContext& task, std::string& output);

    basic::HostResult read(const basic::NameRef& ref, basic::Value& out) override;
    basic::HostResult write(const basic::NameRef& ref, double value) override;
    basic::HostResult call(const basic::NameRef& ref) override;
    basic::HostResult printBlock(const basic::NameRef& ref, std::string& out) override;
    basic::HostResult declare(std::string_view name, long size, basic::Scope scope) override;
    void pushFrame() override;
    void popFrame() override;
    bool interrupted() const override { return m_task.interrupt; }
    bool takesSources(std::string_view command) const override;
    bool reservesName(std::string_view upperName) const override;

private:
    bool unsupported(std::string_view name) const;
    basic::HostResult axisOf(const AxisParameterSpec& spec, const basic::NameRef& ref,
                             int& axis) const;
    basic::HostResult variableElement(const basic::NameRef& ref, Variable*& variable,
                                      std::size_t& index);
    basic::HostResult range(const basic::NameRef& ref, int size, int& start, int& count) const;
    Variable* findVariable(std::string_view name);

    ControllerState& m_state;
    TaskContext& m_task;
    std::string& m_output;
};

/// True for an upper-case name the controller gives a meaning: an axis
/// parameter, area, controller value, command or value function.
bool isControllerName(const ControllerState& state, std::string_view upperName);

/// Adds the controller's own commands (BASE, STEP_RATIO, ENCODER_RATIO,
/// REBOOT) and the task commands to the registry.
void registerControllerCommands(CommandRegistry& registry);

} // namespace korvan::controller
