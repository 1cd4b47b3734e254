// A controller in-process with a stepped clock, and helpers to talk to it.
#pragma once

#include "controller/controller.h"
#include "controller/profile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace korvan::controller::testing {

// 8 axes of which 4 real, 24 in / 16 out, 2 AIN / 2 AOUT, 4 PWM, one module.
inline Profile testProfile()
{
    return parseProfile(R"({
      "axes": {"virtual": 8, "real": 4, "features": [17, 17, 2048, 2048], "types": [1, 1, 65, 65]},
      "io": {"inputs": 24, "outputs": 16, "analogInputs": 2, "analogOutputs": 2, "pwm": 4,
             "analogSignals": [{"shape": "sine", "offset": 2048, "amplitude": 1000, "period": 4},
                               {"shape": "constant", "offset": 100}]},
      "memory": {"modbusBits": 1000, "modbusRegisters": 2000, "table": 5000, "vr": 100,
                 "flash": 100, "romKb": 512, "flashKb": 1024},
      "scope": {"channels": 8, "dtRegisters": true},
      "identity": {"softType": "Korvan VC-8", "softVersion": 2.5, "softDate": 20260315,
                   "hardId": 65539, "controllerId": 4242, "ip": "127.0.0.60"},
      "modules": [{"canId": 1, "hardId": 801, "inputs": 16, "outputs": 16, "axes": 2}],
      "bus": [{"type": "EtherCAT", "nodes": [{"kind": "drive"}]}, {"type": "rtex"}]
    })");
}

class ControllerTest : public ::testing::Test
{
protected:
    explicit ControllerTest(Profile profile = testProfile())
    {
        ControllerOptions options;
        options.clock = &clock;
        controller = std::make_unique<Controller>(std::move(profile), options);
    }

    /// Runs text and expects success; returns the printed output.
    std::string ok(const std::string& text)
    {
        const Outcome o = controller->execute(task, text);
        EXPECT_EQ(o.code, 0) << text << "\n" << o.messages;
        return o.output;
    }

    /// Runs text and returns its code.
    int32_t code(const std::string& text) { return controller->execute(task, text).code; }

    ManualClock clock;
    TaskContext task;
    std::unique_ptr<Controller> controller;
};

} // namespace korvan::controller::testing
