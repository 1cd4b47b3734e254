// Hands the motion parameters and status values of a Controller to the
// motion engine: every axis parameter the engine knows by name is bound to
// the engine's getter and setter, and the engine drives outputs and reads
// input inversion through the controller's I/O. The engine is a servo hook
// of the controller; tick() runs one servo period of the controller (engine,
// scope, program tasks); startServo() does so on a thread every millisecond. Motion commands are
// registered by the motion module itself (see command_registry.h). A reboot of
// the controller starts the engine afresh with the factory values.
#pragma once

#include "controller/controller.h"
#include "controller/motion/motion_engine.h"

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace korvan::controller {

class MotionLink final : private motion::MotionHost
{
public:
    /// Binds the parameters; the controller must outlive the link.
    explicit MotionLink(Controller& controller);
    ~MotionLink() override;
    MotionLink(const MotionLink&) = delete;
    MotionLink& operator=(const MotionLink&) = delete;

    /// One servo period.
    void tick();
    /// Ticks every servo period on a thread until stopServo() or destruction.
    void startServo();
    void stopServo();

private:
    // Registers every motion statement of the engine's command table.
    void registerMotionCommands(CommandRegistry& registry);
    // Sets every engine value the controller names to valueOf(parameter, axis).
    void loadParameters(const std::function<double(AxisParam, int)>& valueOf);
    // Gives the engine the switches and the analogue output scale of the profile.
    void applyProfile(const Profile& profile);
    // Puts the sensor levels of the last tick on their input wires.
    void publishSensorInputs(ControllerState& state);
    bool inputInverted(int input) const override;
    bool inputLevel(int input) const override;
    motion::GearRatio encoderRatio(int axis) const override;
    void setOutput(int output, bool state) override;
    void setAnalogOutput(int channel, double value) override;
    int tableSize() const override;
    double tableValue(int index) const override;
    bool driveCanFollow(int axis) const override;

    Controller& m_controller;
    ControllerState* m_state = nullptr; // valid while the lock is held
    motion::MotionEngine m_engine;
    std::vector<int> m_sensorInputs; // inputs the profile's switches drive
    int m_servoHook = 0;
    int m_rebootHook = 0;
    std::atomic<bool> m_running{false};
    std::thread m_servo;
};

} // namespace korvan::controller
