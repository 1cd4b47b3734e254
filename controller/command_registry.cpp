#include "controller/command_registry.h"

#include "controller/controller_state.h"

namespace korvan::controller {

int CommandContext::axis() const
{
    if (ref.axis)
        return *ref.axis;
    return task.base.empty() ? 0 : task.base.front();
}

const std::vector<int>& CommandContext::baseAxes() const
{
    return task.base;
}

void CommandRegistry::add(CommandSpec spec)
{
    for (CommandSpec& existing : m_commands) {
        if (existing.name == spec.name) {
            existing = std::move(spec);
            return;
        }
    }
    m_commands.push_back(std::move(spec));
}

const CommandSpec* CommandRegistry::find(std::string_view upperName) const
{
    for (const CommandSpec& spec : m_commands) {
        if (spec.name == upperName)
            return &spec;
    }
    return nullptr;
}

void CommandRegistry::addFunction(FunctionSpec spec)
{
    for (FunctionSpec& existing : m_functions) {
        if (existing.name == spec.name) {
            existing = std::move(spec);
            return;
        }
    }
    m_functions.push_back(std::move(spec));
}

const FunctionSpec* CommandRegistry::findFunction(std::string_view upperName) const
{
    for (const FunctionSpec& spec : m_functions) {
        if (spec.name == upperName)
            return &spec;
    }
    return nullptr;
}

} // namespace korvan::controller
