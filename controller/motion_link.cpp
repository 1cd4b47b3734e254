#include "controller/motion_link.h"

#include "controller/motion/axis_parameters.h"
#include "controller/motion/motion_command_table.h"

#include <chrono>

namespace korvan::controller {

namespace {

basic::ErrorCode toErrorCode(motion::MotionResult r)
{
    switch (r) {
    case motion::MotionResult::Ok:
        return basic::ErrorCode::None;
    case motion::MotionResult::BadAxis:
        return basic::ErrorCode::IndexRange;
    case motion::MotionResult::ReadOnly:
        return basic::ErrorCode::ReadOnly;
    case motion::MotionResult::UnknownName:
        return basic::ErrorCode::Unsupported;
    default:
        return basic::ErrorCode::BadArgument;
    }
}

} // namespace

MotionLink::MotionLink(Controller& controller)
    : m_controller(controller), m_engine(controller.profile().virtualAxes, 0.001, this)
{
    m_controller.withState([this](ControllerState& state) {
        m_state = &state;
        for (int i = 0; i < static_cast<int>(AxisParam::Count); ++i) {
            const AxisParameterSpec& spec = axisParameterSpec(static_cast<AxisParam>(i));
            const motion::ParameterBinding* b = motion::findParameter(spec.name);
            if (!b)
                continue;
            // The engine starts from the controller's factory values.
            if (b->set) {
                for (int axis = 0; axis < state.parameters.axisCount(); ++axis)
                    b->set(m_engine, axis, state.parameters.get(spec.id, axis));
            }
            ParameterBinding binding;
            binding.get = [this, b](int axis) { return b->get(m_engine, axis); };
            if (b->set && !(spec.flags & ParamFlag::ReadOnly))
                binding.set = [this, b](int axis, double v) {
                    return toErrorCode(b->set(m_engine, axis, v));
                };
            state.parameters.bind(spec.id, std::move(binding));
        }
        registerMotionCommands(state.commands);
    });
    m_servoHook = m_controller.addServoHook([this](ControllerState&) { m_engine.tick(); });
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
                          const motion::MotionResult r = command.run(m_engine, {axes, c.ref.args});
                          if (r == motion::MotionResult::Ok)
                              return basic::HostResult::ok();
                          return basic::HostResult::fail(toErrorCode(r));
                      }});
    }
}

MotionLink::~MotionLink()
{
    stopServo();
    m_controller.removeServoHook(m_servoHook);
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
        auto next = std::chrono::steady_clock::now();
        while (m_running.load()) {
            tick();
            next += std::chrono::milliseconds(1);
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
void MotionLink::setOutput(int output, bool state)
{
    m_state->io.setOutput(output, state);
}
void MotionLink::setAnalogOutput(int channel, double value)
{
    m_state->io.setAnalogOutput(channel, value);
}

} // namespace korvan::controller
