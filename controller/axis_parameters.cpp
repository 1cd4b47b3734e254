#include "controller/axis_parameters.h"

#include <cmath>

namespace korvan::controller {

namespace {

constexpr AxisParameterSpec specs[] = {
#define KORVAN_AXIS_PARAM_SPEC(name, factory, flags) {#name, factory, flags, AxisParam::name},
    KORVAN_AXIS_PARAMETERS(KORVAN_AXIS_PARAM_SPEC)
#undef KORVAN_AXIS_PARAM_SPEC
};

} // namespace

const AxisParameterSpec* findAxisParameter(std::string_view upperName)
{
    for (const AxisParameterSpec& spec : specs) {
        if (spec.name == upperName)
            return &spec;
    }
    return nullptr;
}

const AxisParameterSpec& axisParameterSpec(AxisParam id)
{
    return specs[static_cast<std::size_t>(id)];
}

ParameterTable::ParameterTable(int axisCount) : m_axisCount(axisCount)
{
    m_entries.resize(static_cast<std::size_t>(AxisParam::Count));
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        m_entries[i].factory.assign(static_cast<std::size_t>(axisCount), specs[i].factory);
        m_entries[i].values = m_entries[i].factory;
    }
}

double ParameterTable::get(AxisParam id, int axis) const
{
    const Entry& e = m_entries[static_cast<std::size_t>(id)];
    if (axis < 0 || axis >= m_axisCount)
        return 0.0;
    if (e.binding)
        return e.binding->get(axis);
    return e.values[static_cast<std::size_t>(axis)];
}

double ParameterTable::get(AxisParam id, int axis, int mode) const
{
    const Entry& e = m_entries[static_cast<std::size_t>(id)];
    if (axis >= 0 && axis < m_axisCount && e.binding && e.modeGetter)
        return e.modeGetter(axis, mode);
    return get(id, axis);
}

basic::ErrorCode ParameterTable::set(AxisParam id, int axis, double value)
{
    Entry& e = m_entries[static_cast<std::size_t>(id)];
    if (axis < 0 || axis >= m_axisCount)
        return basic::ErrorCode::IndexRange;
    if (!std::isfinite(value))
        return basic::ErrorCode::BadArgument;
    const unsigned flags = specs[static_cast<std::size_t>(id)].flags;
    if (flags & ParamFlag::Integer)
        value = std::trunc(value);
    if (e.binding) {
        if (!e.binding->set)
            return basic::ErrorCode::ReadOnly;
        return e.binding->set(axis, value);
    }
    if (flags & ParamFlag::ReadOnly)
        return basic::ErrorCode::ReadOnly;
    e.values[static_cast<std::size_t>(axis)] = value;
    return basic::ErrorCode::None;
}

void ParameterTable::store(AxisParam id, int axis, double value)
{
    Entry& e = m_entries[static_cast<std::size_t>(id)];
    if (axis >= 0 && axis < m_axisCount)
        e.values[static_cast<std::size_t>(axis)] = value;
}

void ParameterTable::bind(AxisParam id, ParameterBinding binding)
{
    m_entries[static_cast<std::size_t>(id)].binding = std::move(binding);
}

void ParameterTable::bindMode(AxisParam id, ModeGetter getter)
{
    m_entries[static_cast<std::size_t>(id)].modeGetter = std::move(getter);
}

void ParameterTable::unbind(AxisParam id)
{
    Entry& e = m_entries[static_cast<std::size_t>(id)];
    e.binding.reset();
    e.modeGetter = nullptr;
}

double ParameterTable::factory(AxisParam id, int axis) const
{
    const Entry& e = m_entries[static_cast<std::size_t>(id)];
    if (axis < 0 || axis >= m_axisCount)
        return 0.0;
    return e.factory[static_cast<std::size_t>(axis)];
}

void ParameterTable::setFactory(AxisParam id, int axis, double value)
{
    Entry& e = m_entries[static_cast<std::size_t>(id)];
    if (axis >= 0 && axis < m_axisCount)
        e.factory[static_cast<std::size_t>(axis)] = value;
}

void ParameterTable::reset()
{
    for (Entry& e : m_entries)
        e.values = e.factory;
}

} // namespace korvan::controller
