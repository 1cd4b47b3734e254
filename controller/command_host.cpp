#include "controller/command_host.h"

#include "controller/areas.h"
#include "controller/basic/value.h"
#include "controller/reports.h"

#include <algorithm>
#include <cmath>

namespace korvan::controller {

using basic::ErrorCode;
using basic::HostResult;
using basic::NameRef;

namespace {

/// Values a single "?*" block may print.
constexpr int maxBlockValues = 4096;

HostResult unknown(std::string_view name)
{
    return HostResult::fail(ErrorCode::Unsupported, std::string(name));
}

HostResult argumentCount(const NameRef& ref, int min, int max)
{
    return HostResult::fail(ErrorCode::BadArgument, std::string(ref.name) + " takes " +
                                                        std::to_string(min) + ".." +
                                                        std::to_string(max) + " arguments");
}

} // namespace

CommandHost::CommandHost(ControllerState& state, TaskContext& task, std::string& output)
    : m_state(state), m_task(task), m_output(output)
{}

bool CommandHost::unsupported(std::string_view name) const
{
    const auto& names = m_state.profile.errors.unsupportedNames;
    return std::find(names.begin(), names.end(), name) != names.end();
}

HostResult CommandHost::axisOf(const AxisParameterSpec& spec, const NameRef& ref, int& axis) const
{
    const bool argIsAxis = ref.hasArgs && !(spec.flags & ParamFlag::ModeArg);
    if (argIsAxis) {
        if (ref.args.size() != 1)
            return HostResult::fail(ErrorCode::BadArgument,
                                    std::string(spec.name) + " takes one axis");
        if (!integral(ref.args[0]))
            return HostResult::fail(ErrorCode::IndexRange, std::string(spec.name));
        axis = static_cast<int>(ref.args[0]);
    } else if (ref.axis) {
        axis = *ref.axis;
    } else {
        axis = m_task.base.empty() ? 0 : m_task.base.front();
    }
    if (axis < 0 || axis >= m_state.parameters.axisCount())
        return HostResult::fail(ErrorCode::IndexRange,
                                std::string(spec.name) + "(" + std::to_string(axis) + ")");
    return HostResult::ok();
}

Variable* CommandHost::findVariable(std::string_view name)
{
    Variable* variable = m_task.frames.empty() ? nullptr : m_task.frames.back().find(name);
    if (!variable)
        variable = m_task.locals.find(name);
    if (!variable)
        variable = m_state.globals.find(name);
    return variable;
}

HostResult CommandHost::variableElement(const NameRef& ref, Variable*& variable, std::size_t& index)
{
    variable = findVariable(ref.name);
    if (!variable)
        return unknown(ref.name);
    index = 0;
    if (variable->array) {
        if (ref.args.size() != 1)
            return HostResult::fail(ErrorCode::BadArgument,
                                    std::string(ref.name) + " takes one index");
        const double i = ref.args[0];
        if (!integral(i) || i < 0 || i >= static_cast<double>(variable->values.size()))
            return HostResult::fail(ErrorCode::IndexRange, std::string(ref.name));
        index = static_cast<std::size_t>(i);
    } else if (ref.hasArgs) {
        return HostResult::fail(ErrorCode::BadArgument, std::string(ref.name) + " is no array");
    }
    return HostResult::ok();
}

HostResult CommandHost::range(const NameRef& ref, int size, int& start, int& count) const
{
    if (!ref.hasArgs) {
        start = 0;
        count = size;
    } else if (ref.args.size() == 2 && integral(ref.args[0]) && integral(ref.args[1])) {
        start = static_cast<int>(ref.args[0]);
        count = static_cast<int>(ref.args[1]);
        if (start < 0 || start >= size)
            return HostResult::fail(ErrorCode::IndexRange, std::string(ref.name));
        if (count < 0)
            return HostResult::fail(ErrorCode::BadArgument, "negative count");
        // A range running past the end prints what exists.
        count = std::min(count, size - start);
    } else {
        return HostResult::fail(ErrorCode::BadArgument,
                                "?*" + std::string(ref.name) + " takes (start,count)");
    }
    if (count > maxBlockValues)
        return HostResult::fail(ErrorCode::BadArgument, "more than 4096 values in one block");
    return HostResult::ok();
}

HostResult CommandHost::read(const NameRef& ref, basic::Value& out)
{
    if (unsupported(ref.name))
        return unknown(ref.name);
    if (const AxisParameterSpec* spec = findAxisParameter(ref.name)) {
        int axis = 0;
        if (HostResult r = axisOf(*spec, ref, axis); r.failed())
            return r;
        if (spec->flags & ParamFlag::ModeArg) {
            int mode = 0;
            if (ref.args.size() > 1 || (ref.args.size() == 1 && !integral(ref.args[0])))
                return HostResult::fail(ErrorCode::BadArgument, std::string(spec->name) + "(mode)");
            if (ref.args.size() == 1)
                mode = static_cast<int>(ref.args[0]);
            out = basic::Value::ofNumber(m_state.parameters.get(spec->id, axis, mode));
            return HostResult::ok();
        }
        out = basic::Value::ofNumber(m_state.parameters.get(spec->id, axis));
        return HostResult::ok();
    }
    if (const AreaSpec* area = findArea(ref.name)) {
        if (ref.args.size() != 1 || !integral(ref.args[0]))
            return HostResult::fail(ErrorCode::BadArgument, std::string(ref.name) + "(n)");
        double v = 0;
        if (HostResult r = readArea(m_state, area->id, static_cast<int>(ref.args[0]), v);
            r.failed())
            return r;
        out = basic::Value::ofNumber(v);
        return HostResult::ok();
    }
    if (const SystemValueSpec* value = findSystemValue(ref.name)) {
        if (ref.hasArgs)
            return HostResult::fail(ErrorCode::BadArgument, std::string(ref.name));
        return readSystemValue(m_state, value->id, out);
    }
    if (ref.name == "BASE") {
        out = basic::Value::ofNumber(m_task.base.empty() ? 0 : m_task.base.front());
        return HostResult::ok();
    }
    if (ref.name == "PROC_STATUS") {
        if (ref.args.size() != 1 || !integral(ref.args[0]) || ref.args[0] < 0 ||
            ref.args[0] >= taskCount)
            return HostResult::fail(ErrorCode::IndexRange, "PROC_STATUS(task)");
        out = basic::Value::ofNumber(
            static_cast<double>(m_state.tasks.state(static_cast<int>(ref.args[0]))));
        return HostResult::ok();
    }
    if (const FunctionSpec* spec = m_state.commands.findFunction(ref.name)) {
        const int n = static_cast<int>(ref.args.size());
        if (n < spec->minArgs || n > spec->maxArgs)
            return argumentCount(ref, spec->minArgs, spec->maxArgs);
        CommandContext context{m_state, m_task, ref, m_output};
        double value = 0;
        HostResult r = spec->reader(context, value);
        out = basic::Value::ofNumber(value);
        return r;
    }
    Variable* variable = nullptr;
    std::size_t index = 0;
    if (HostResult r = variableElement(ref, variable, index); r.failed()) {
        if (r.code == ErrorCode::Unsupported && m_state.commands.find(ref.name))
            return HostResult::fail(ErrorCode::NotValue, std::string(ref.name));
        return r;
    }
    out = basic::Value::ofNumber(variable->values[index]);
    return HostResult::ok();
}

HostResult CommandHost::write(const NameRef& ref, double value)
{
    if (unsupported(ref.name))
        return unknown(ref.name);
    if (const AxisParameterSpec* spec = findAxisParameter(ref.name)) {
        int axis = 0;
        if (HostResult r = axisOf(*spec, ref, axis); r.failed())
            return r;
        const ErrorCode code = m_state.parameters.set(spec->id, axis, value);
        if (code != ErrorCode::None)
            return HostResult::fail(code, std::string(spec->name));
        return HostResult::ok();
    }
    if (const AreaSpec* area = findArea(ref.name)) {
        if (ref.args.size() != 1 || !integral(ref.args[0]))
            return HostResult::fail(ErrorCode::BadArgument, std::string(ref.name) + "(n)");
        return writeArea(m_state, area->id, static_cast<int>(ref.args[0]), value);
    }
    if (const SystemValueSpec* sys = findSystemValue(ref.name)) {
        if (ref.hasArgs)
            return HostResult::fail(ErrorCode::BadArgument, std::string(ref.name));
        return writeSystemValue(m_state, sys->id, value);
    }
    if (m_state.commands.find(ref.name) || m_state.commands.findFunction(ref.name) ||
        ref.name == "BASE")
        return HostResult::fail(ErrorCode::Reserved, std::string(ref.name));
    Variable* variable = nullptr;
    std::size_t index = 0;
    HostResult r = variableElement(ref, variable, index);
    if (r.code == ErrorCode::Unsupported && !ref.hasArgs) {
        // Assigning to a new name creates a variable of the task.
        m_task.locals.declare(ref.name, 1, false).values[0] = value;
        return HostResult::ok();
    }
    if (r.failed())
        return r;
    variable->values[index] = value;
    return HostResult::ok();
}

HostResult CommandHost::call(const NameRef& ref)
{
    for (const FailingCommand& f : m_state.profile.errors.failingCommands) {
        if (f.name == ref.name)
            return HostResult::fail(static_cast<ErrorCode>(f.code), "injected failure");
    }
    if (unsupported(ref.name))
        return unknown(ref.name);
    if (const CommandSpec* spec = m_state.commands.find(ref.name)) {
        const int n = static_cast<int>(ref.args.size());
        if (n < spec->minArgs || (spec->maxArgs >= 0 && n > spec->maxArgs))
            return argumentCount(ref, spec->minArgs, spec->maxArgs);
        CommandContext context{m_state, m_task, ref, m_output};
        return spec->handler(context);
    }
    if (const AreaSpec* area = findArea(ref.name)) {
        // "OP(n,v)", "INVERT_IN(n,v)", "TABLE(i,v1,v2,...)": values from index i on.
        if (ref.args.size() < 2 || !integral(ref.args[0]))
            return HostResult::fail(ErrorCode::BadArgument,
                                    std::string(ref.name) + "(index,value,...)");
        const int first = static_cast<int>(ref.args[0]);
        for (std::size_t i = 1; i < ref.args.size(); ++i) {
            if (HostResult r =
                    writeArea(m_state, area->id, first + static_cast<int>(i) - 1, ref.args[i]);
                r.failed())
                return r;
        }
        return HostResult::ok();
    }
    if (findAxisParameter(ref.name) || findSystemValue(ref.name))
        return HostResult::fail(ErrorCode::BadArgument, std::string(ref.name) + " needs '='");
    if (m_state.commands.findFunction(ref.name))
        return HostResult::fail(ErrorCode::BadArgument,
                                std::string(ref.name) + " is a value: print it with ?");
    return unknown(ref.name);
}

HostResult CommandHost::printBlock(const NameRef& ref, std::string& out)
{
    if (unsupported(ref.name))
        return unknown(ref.name);
    Report report;
    if (!ref.hasArgs && findReport(ref.name, report)) {
        out = reportText(m_state, report);
        return HostResult::ok();
    }
    auto join = [&out](int count, auto valueAt) {
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                out += ' ';
            out += basic::formatNumber(valueAt(i));
        }
    };
    int start = 0;
    int count = 0;
    if (const AxisParameterSpec* spec = findAxisParameter(ref.name)) {
        if (HostResult r = range(ref, m_state.parameters.axisCount(), start, count); r.failed())
            return r;
        join(count, [&](int i) { return m_state.parameters.get(spec->id, start + i); });
        return HostResult::ok();
    }
    if (const AreaSpec* area = findArea(ref.name)) {
        const int size = areaSize(m_state, area->id);
        if (!ref.hasArgs && size > maxBlockValues)
            return HostResult::fail(ErrorCode::BadArgument,
                                    "?*" + std::string(ref.name) + " needs (start,count)");
        if (HostResult r = range(ref, size, start, count); r.failed())
            return r;
        for (int i = 0; i < count; ++i) {
            double v = 0;
            // Numbers without a channel (gaps between modules) print 0.
            if (readArea(m_state, area->id, start + i, v).failed())
                v = 0;
            if (i > 0)
                out += ' ';
            out += basic::formatNumber(v);
        }
        return HostResult::ok();
    }
    if (Variable* variable = findVariable(ref.name)) {
        if (HostResult r = range(ref, static_cast<int>(variable->values.size()), start, count);
            r.failed())
            return r;
        join(count, [&](int i) { return variable->values[static_cast<std::size_t>(start + i)]; });
        return HostResult::ok();
    }
    return unknown(ref.name);
}

bool isControllerName(const ControllerState& s, std::string_view name)
{
    return findAxisParameter(name) || findArea(name) || findSystemValue(name) ||
           s.commands.find(name) || s.commands.findFunction(name) || name == "BASE" ||
           name == "AXIS" || name == "PROC_STATUS";
}

bool CommandHost::reservesName(std::string_view name) const
{
    return isControllerName(m_state, name);
}

HostResult CommandHost::declare(std::string_view name, long size, basic::Scope scope)
{
    if (unsupported(name))
        return unknown(name);
    if (const AxisParameterSpec* spec = findAxisParameter(name)) {
        // A start-up file declares the output tables it then fills; they are
        // the controller's own tables here, sized by the axis count.
        if ((spec->flags & ParamFlag::Declarable) && scope == basic::Scope::Global && size > 0 &&
            size <= m_state.parameters.axisCount())
            return HostResult::ok();
        return HostResult::fail(ErrorCode::Reserved, std::string(name));
    }
    if (isControllerName(m_state, name))
        return HostResult::fail(ErrorCode::Reserved, std::string(name));
    const std::size_t values = size < 0 ? 1 : static_cast<std::size_t>(size);
    std::size_t held = m_state.globals.totalValues() + m_task.locals.totalValues();
    for (const VariableStore& frame : m_task.frames)
        held += frame.totalValues();
    if (held + values > maxDeclaredValues)
        return HostResult::fail(ErrorCode::OutOfMemory, std::string(name));
    VariableStore* store = &m_task.locals;
    if (scope == basic::Scope::Global)
        store = &m_state.globals;
    else if (scope == basic::Scope::Local && !m_task.frames.empty())
        store = &m_task.frames.back();
    store->declare(name, values, size >= 0);
    return HostResult::ok();
}

void CommandHost::pushFrame()
{
    m_task.frames.emplace_back();
}

void CommandHost::popFrame()
{
    if (!m_task.frames.empty())
        m_task.frames.pop_back();
}

bool CommandHost::takesSources(std::string_view command) const
{
    if (command == "SCOPE")
        return true;
    const CommandSpec* spec = m_state.commands.find(command);
    return spec && spec->takesSources;
}

void registerControllerCommands(CommandRegistry& registry)
{
    registry.add({"BASE", 1, -1, [](CommandContext& c) {
                      std::vector<int> axes;
                      for (double a : c.ref.args) {
                          if (!integral(a) || a < 0 || a >= c.state.parameters.axisCount())
                              return HostResult::fail(ErrorCode::IndexRange, "BASE axis");
                          axes.push_back(static_cast<int>(a));
                      }
                      c.task.base = std::move(axes);
                      return HostResult::ok();
                  }});
    auto ratio = [](std::vector<Ratio> ControllerState::*list, bool positive) {
        return [list, positive](CommandContext& c) {
            const double a = c.ref.args[0];
            const double b = c.ref.args[1];
            const bool ok = integral(a) && integral(b) && std::fabs(a) <= 65535 &&
                            std::fabs(b) <= 65535 && a != 0 && b != 0 &&
                            (!positive || (a >= 1 && b >= 1));
            if (!ok)
                return HostResult::fail(ErrorCode::BadArgument, std::string(c.ref.name) + " terms");
            const int axis = c.axis();
            if (axis < 0 || axis >= c.state.parameters.axisCount())
                return HostResult::fail(ErrorCode::IndexRange, std::string(c.ref.name));
            (c.state.*list)[static_cast<std::size_t>(axis)] = {static_cast<int>(a),
                                                               static_cast<int>(b)};
            return HostResult::ok();
        };
    };
    registry.add({"STEP_RATIO", 2, 2, ratio(&ControllerState::stepRatios, true)});
    registry.add({"ENCODER_RATIO", 2, 2, ratio(&ControllerState::encoderRatios, false)});
    registry.add({"REBOOT", 0, 0, [](CommandContext& c) {
                      // A program that rebooted would run again and reboot for ever.
                      if (c.task.program)
                          return HostResult::fail(ErrorCode::BadArgument, "REBOOT from a program");
                      c.state.rebootRequested = true;
                      return HostResult::ok();
                  }});
    registerTaskCommands(registry);
}

} // namespace korvan::controller
