#include "controller/command_registry.h"

#include "controller/controller_state.h"

namespace korvan::controller {

namespace {

template <typename Spec> void addOrReplace(std::vector<Spec>& specs, Spec spec)
{
    for (Spec& existing : specs) {
        if (existing.name == spec.name) {
            existing = std::move(spec);
            return;
        }
    }
    specs.push_back(std::move(spec));
}

template <typename Spec> const Spec* byName(const std::vector<Spec>& specs, std::string_view name)
{
    for (const Spec& spec : specs) {
        if (spec.name == name)
            return &spec;
    }
    return nullptr;
}

} // namespace

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
    addOrReplace(m_commands, std::move(spec));
}

const CommandSpec* CommandRegistry::find(std::string_view upperName) const
{
    return byName(m_commands, upperName);
}

void CommandRegistry::addFunction(FunctionSpec spec)
{
    addOrReplace(m_functions, std::move(spec));
}

const FunctionSpec* CommandRegistry::findFunction(std::string_view upperName) const
{
    return byName(m_functions, upperName);
}

} // namespace korvan::controller
