#pragma once
// Small helpers for stepping the engine deterministically in tests.

#include "controller/motion/motion_engine.h"

#include <map>
#include <vector>

namespace korvan::motion::testing {

// Records outputs and answers inversion questions.
class RecordingHost final : public MotionHost
{
public:
    bool inputInverted(int input) const final
    {
        return inverted.count(input) && inverted.at(input);
    }
    void setOutput(int output, bool state) final
    {
        outputs[output] = state;
        outputLog.push_back({output, state});
    }
    void setAnalogOutput(int channel, double value) final { analog[channel] = value; }

    std::map<int, bool> inverted;
    std::map<int, bool> outputs;
    std::vector<std::pair<int, bool>> outputLog;
    std::map<int, double> analog;
};

// Ticks until every listed axis is idle; returns the ticks taken (or limit+1).
inline int runUntilIdle(MotionEngine& e, std::initializer_list<int> axes, int limit = 200000)
{
    for (int t = 1; t <= limit; ++t) {
        e.tick();
        bool idle = true;
        for (int a : axes)
            idle = idle && e.status(a).idle == -1;
        if (idle)
            return t;
    }
    return limit + 1;
}

inline void runTicks(MotionEngine& e, int n)
{
    for (int i = 0; i < n; ++i)
        e.tick();
}

} // namespace korvan::motion::testing
