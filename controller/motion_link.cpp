#include "controller/motion_link.h"

#include "controller/bus/drive_control.h"
#include "controller/motion/axis_parameters.h"
#include "controller/motion/motion_command_table.h"

#include <array>
#include <chrono>
#include <utility>

namespace korvan::controller {

namespace {

// The engine's one code table decides the controller code; the text goes along.
basic::HostResult toHostResult(motion::MotionResult r)
{
    if (r == motion::MotionResult::Ok)
        return basic::HostResult::ok();
    return basic::HostResult::fail(static_cast<basic::ErrorCode>(motion::controllerCode(r)),
                                   std::string(motion::resultText(r)));
}

basic::ErrorCode toErrorCode(motion::MotionResult r)
{
    return toHostResult(r).code;
}

// The engine's sensor and input of each registration input R0 to R3.
using Wire = std::pair<motion::PositionWindow motion::AxisSwitches::*, int motion::AxisSwitches::*>;
constexpr std::array<Wire, registrationInputs> kRegistrationWires{{
    {&motion::AxisSwitches::r0, &motion::AxisSwitches::r0Input},
    {&motion::AxisSwitches::r1, &motion::AxisSwitches::r1Input},
    {&motion::AxisSwitches::r2, &motion::AxisSwitches::r2Input},
    {&motion::AxisSwitches::r3, &motion::AxisSwitches::r3Input},
}};

} // namespace

MotionLink::MotionLink(Controller& controller)
    : m_controller(controller),
      m_engine(controller.profile().virtualAxes, controller.profile().servoPeriodMs / 1000, this)
{
    applyProfile(controller.profile());
    m_controller.withState([this](ControllerState& state) {
        m_state = &state;
        // The engine starts from the values the controller holds.
        loadParameters([&state](AxisParam id, int axis) { return state.parameters.get(id, axis); });
        for (int i = 0; i < static_cast<int>(AxisParam::Count); ++i) {
            const AxisParameterSpec& spec = axisParameterSpec(static_cast<AxisParam>(i));
            const motion::ParameterBinding* b = motion::findParameter(spec.name);
            if (!b)
                continue;
            ParameterBinding binding;
            binding.get = [this, b](int axis) { return b->get(m_engine, axis); };
            if (b->set && !(spec.flags & ParamFlag::ReadOnly))
                binding.set = [this, b](int axis, double v) {
                    return toErrorCode(b->set(m_engine, axis, v));
                };
            state.parameters.bind(spec.id, std::move(binding));
        }
        // REMAIN_BUFFER takes the entry type, not the axis, as its argument.
        ParameterBinding room;
        room.get = [this](int axis) { return double(m_engine.remainBuffer(axis, 1)); };
        state.parameters.bind(AxisParam::REMAIN_BUFFER, std::move(room));
        state.parameters.bindMode(AxisParam::REMAIN_BUFFER, [this](int axis, int type) {
            return double(m_engine.remainBuffer(axis, type));
        });
        registerMotionCommands(state.commands);
    });
    m_servoHook = m_controller.addServoHook([this](ControllerState& state) {
        m_engine.tick();
        publishSensorInputs(state);
    });
    m_rebootHook = m_controller.addRebootHook([this](ControllerState& state) {
        // The engine's values are the controller's too: a reboot stops every
        // move and brings them back to the factory values with the rest.
        m_engine = motion::MotionEngine(m_engine.axisCount(), m_engine.period(), this);
        applyProfile(state.profile);
        loadParameters(
            [&state](AxisParam id, int axis) { return state.parameters.factory(id, axis); });
    });
}

void MotionLink::loadParameters(const std::function<double(AxisParam, int)>& valueOf)
{
    for (int i = 0; i < static_cast<int>(AxisParam::Count); ++i) {
        const AxisParameterSpec& spec = axisParameterSpec(static_cast<AxisParam>(i));
        const motion::ParameterBinding* b = motion::findParameter(spec.name);
        if (!b || !b->set)
            continue;
        for (int axis = 0; axis < m_engine.axisCount(); ++axis)
            b->set(m_engine, axis, valueOf(spec.id, axis));
    }
}

void MotionLink::applyProfile(const Profile& profile)
{
    for (int axis = 0; axis < m_engine.axisCount(); ++axis)
        m_engine.parameters(axis).dacFullScaleSpeed = profile.dacFullScaleSpeed;
    // The profile gives positions in the machine frame; limits reach to the end of travel.
    constexpr double kEndOfTravel = 1e12;
    m_sensorInputs.clear();
    for (const AxisSwitches& sw : profile.switches) {
        if (!m_engine.validAxis(sw.axis))
            continue;
        motion::AxisSwitches& w = m_engine.switches(sw.axis);
        w.originInput = sw.origin;
        w.origin = {sw.origin >= 0, sw.originLow, sw.originHigh, 0};
        w.fwdInput = sw.forwardLimit;
        w.fwdLimit = {sw.forwardLimit >= 0, sw.forwardLimitAt, kEndOfTravel, 0};
        w.revInput = sw.reverseLimit;
        w.revLimit = {sw.reverseLimit >= 0, -kEndOfTravel, sw.reverseLimitAt, 0};
        w.alarmInput = sw.alarm;
        w.zPulse = {sw.zPulseEvery > 0, 0, sw.zPulseWidth, sw.zPulseEvery};
        for (std::size_t r = 0; r < registrationInputs; ++r) {
            const RegistrationInput& in = sw.registration[r];
            const auto [window, input] = kRegistrationWires[r];
            w.*window = {in.input >= 0, in.low, in.high, 0};
            w.*input = in.input;
            if (in.input >= 0)
                m_sensorInputs.push_back(in.input);
        }
        for (const int input : {sw.origin, sw.forwardLimit, sw.reverseLimit, sw.alarm})
            if (input >= 0)
                m_sensorInputs.push_back(input);
    }
}

void MotionLink::publishSensorInputs(ControllerState& state)
{
    for (const int input : m_sensorInputs)
        state.io.setInputLevel(input, m_engine.wireLevel(input));
}

void MotionLink::registerMotionCommands(CommandRegistry& registry)
{
    for (const motion::MotionCommand& command : motion::motionCommands()) {
        registry.add({std::string(command.name), command.minArgs, command.maxArgs,
                      [this, &command](CommandContext& c) {
                          // AXIS(n) names the one axis; otherwise the task's BASE list.
                          std::vector<int> axes = c.baseAxes();
                          if (c.ref.axis || axes.empty())
                              axes = {c.axis()};
                          const std::string_view name =
                              c.ref.sources.empty() ? std::string_view{} : c.ref.sources[0].name;
                          return toHostResult(command.run(m_engine, {axes, c.ref.args, name}));
                      },
                      command.takesName});
    }
}

MotionLink::~MotionLink()
{
    stopServo();
    m_controller.removeServoHook(m_servoHook);
    m_controller.removeRebootHook(m_rebootHook);
    // Unbind so that the controller never calls into a destroyed engine.
    m_controller.withState([](ControllerState& state) {
        for (int i = 0; i < static_cast<int>(AxisParam::Count); ++i)
            state.parameters.unbind(static_cast<AxisParam>(i));
        // The registry has no removal: the motion commands are replaced by ones that
        // refuse, so none calls into the destroyed engine.
        for (const motion::MotionCommand& command : motion::motionCommands())
            state.commands.add(
                {std::string(command.name), command.minArgs, command.maxArgs, [](CommandContext&) {
                     return basic::HostResult::fail(basic::ErrorCode::Unsupported);
                 }});
    });
}

void MotionLink::tick()
{
    // The controller runs the engine's hook, the scope sample and the tasks.
    m_controller.tick();
}

void MotionLink::startServo()
{
    if (m_running.exchange(true))
        return;
    m_servo = std::thread([this] {
        const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(m_engine.period()));
        auto next = std::chrono::steady_clock::now();
        while (m_running.load()) {
            tick();
            next += period;
            std::this_thread::sleep_until(next);
        }
    });
}

void MotionLink::stopServo()
{
    m_running.store(false);
    if (m_servo.joinable())
        m_servo.join();
}

// These run inside tick() or a command, with the controller's lock held.
bool MotionLink::inputInverted(int input) const
{
    return m_state->io.inversion(input) != 0;
}
bool MotionLink::inputLevel(int input) const
{
    // The wire level is what the program sees with the inversion taken off again.
    return (m_state->io.input(input) != 0) != (m_state->io.inversion(input) != 0);
}
motion::GearRatio MotionLink::encoderRatio(int axis) const
{
    const Ratio& r = m_state->encoderRatios[static_cast<std::size_t>(axis)];
    return {r.numerator, r.denominator};
}
void MotionLink::setOutput(int output, bool state)
{
    m_state->io.setOutput(output, state);
}
void MotionLink::setAnalogOutput(int channel, double value)
{
    m_state->io.setAnalogOutput(channel, value);
}
int MotionLink::tableSize() const
{
    return static_cast<int>(m_state->memory.table.size());
}
double MotionLink::tableValue(int index) const
{
    return m_state->memory.table[static_cast<std::size_t>(index)];
}
bool MotionLink::driveCanFollow(int axis) const
{
    return controller::driveCanFollow(*m_state, axis);
}

} // namespace korvan::controller
