#include "controller/scope/scope_commands.h"

#include "controller/command_host.h"
#include "controller/command_registry.h"
#include "controller/controller_state.h"

namespace korvan::controller {

using basic::ErrorCode;
using basic::HostResult;

namespace {

basic::NameRef referenceOf(const ScopeSource& source)
{
    basic::NameRef ref;
    ref.name = source.name;
    ref.args = source.args;
    ref.hasArgs = source.hasArgs;
    ref.axis = source.axis;
    return ref;
}

// Reads sources as a task of its own would, so that no session's BASE or
// variables leak into a recording.
class SourceReader
{
public:
    explicit SourceReader(ControllerState& state) : m_host(state, m_task, m_ignored) {}
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    bool operator()(const ScopeSource& source, double& value)
    {
        basic::Value v;
        if (m_host.read(referenceOf(source), v).failed() || v.isText)
            return false;
        value = v.number;
        return true;
    }

private:
    TaskContext m_task;
    std::string m_ignored;
    CommandHost m_host;
};

// The reply text the oscilloscope panel shows, and the code.
HostResult refuse(CommandContext& c, ErrorCode code, const std::string& why)
{
    c.output += "ERROR: SCOPE: " + why + "\r\n";
    return HostResult::fail(code, "SCOPE: " + why);
}

HostResult scope(CommandContext& c)
{
    const std::vector<double>& a = c.ref.args;
    if (!integral(a[0]) || (a[0] != 0 && a[0] != 1))
        return refuse(c, ErrorCode::BadArgument, "mode must be 0 or 1");
    if (a[0] == 0) {
        if (a.size() != 1)
            return refuse(c, ErrorCode::BadArgument, "SCOPE(0) takes no more arguments");
        c.state.scope.stop();
        return HostResult::ok();
    }
    if (a.size() < 5)
        return refuse(c, ErrorCode::BadArgument, "SCOPE(1,interval,first,last,source,...)");
    for (std::size_t i = 1; i < 4; ++i) {
        if (!integral(a[i]) || !c.ref.sources[i].name.empty())
            return refuse(c, ErrorCode::BadArgument, "interval, first and last are integers");
    }
    const long interval = static_cast<long>(a[1]);
    const long first = static_cast<long>(a[2]);
    const long last = static_cast<long>(a[3]);
    const long tableSize = static_cast<long>(c.state.memory.table.size());
    if (interval < 1 || interval > 100000)
        return refuse(c, ErrorCode::BadArgument, "interval out of range");
    if (first < 0 || last < first || last >= tableSize)
        return refuse(c, ErrorCode::IndexRange,
                      "TABLE range " + std::to_string(first) + ".." + std::to_string(last) +
                          " outside 0.." + std::to_string(tableSize - 1));
    const long channels = static_cast<long>(a.size()) - 4;
    if (channels > c.state.profile.scopeChannels)
        return refuse(c, ErrorCode::BadArgument,
                      "more than " + std::to_string(c.state.profile.scopeChannels) + " channels");
    const long depth = (last - first + 1) / channels;
    if (depth < 1)
        return refuse(c, ErrorCode::IndexRange, "TABLE range too small for the channels");

    ScopeSetup setup;
    setup.interval = static_cast<int>(interval);
    setup.first = static_cast<int>(first);
    setup.depth = static_cast<int>(depth);
    SourceReader read(c.state);
    for (std::size_t i = 4; i < a.size(); ++i) {
        const basic::NameRef& ref = c.ref.sources[i];
        if (ref.name.empty())
            return refuse(c, ErrorCode::BadArgument,
                          "source " + std::to_string(i - 3) + " is not a parameter or array");
        ScopeSource source{std::string(ref.name), ref.args, ref.hasArgs, ref.axis};
        double probe = 0;
        if (!read(source, probe))
            return refuse(c, ErrorCode::BadArgument,
                          "cannot record " + source.name +
                              (ref.args.empty()
                                   ? ""
                                   : "(" + std::to_string(static_cast<long>(ref.args[0])) + ")"));
        setup.sources.push_back(std::move(source));
    }
    c.state.scope.configure(std::move(setup));
    return HostResult::ok();
}

HostResult trigger(CommandContext& c)
{
    bool continuous = false;
    if (!c.ref.args.empty()) {
        const double mode = c.ref.args[0];
        if (mode != 0 && mode != 1) {
            c.output += "ERROR: TRIGGER: mode must be 0 or 1\r\n";
            return HostResult::fail(ErrorCode::BadArgument, "TRIGGER mode");
        }
        continuous = mode == 1;
    }
    if (!c.state.scope.trigger(continuous)) {
        if (continuous) {
            c.output += "ERROR: TRIGGER: no SCOPE recording is set up\r\n";
            return HostResult::fail(ErrorCode::BadArgument, "TRIGGER without SCOPE");
        }
        // A plain trigger without a recording does nothing, as a panel's
        // trigger button may be pressed at any time.
    }
    return HostResult::ok();
}

} // namespace

void registerScopeCommands(CommandRegistry& registry)
{
    registry.add({"SCOPE", 1, 4 + 64, scope});
    registry.add({"TRIGGER", 0, 1, trigger});
}

void sampleScope(ControllerState& state)
{
    if (!state.scope.capturing())
        return;
    SourceReader read(state);
    state.scope.tick(
        [&read](const ScopeSource& source, double& value) { return read(source, value); },
        state.memory.table);
}

} // namespace korvan::controller
