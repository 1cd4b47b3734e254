// The position loop of each axis: how the measured position follows the demand, the
// SERVO switch that opens the loop, and the analogue speed command (DAC_OUT) of axes
// that drive an analogue speed input.
#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <cmath>

namespace korvan::motion {

namespace {
constexpr double kFeedbackSnap = 1e-9;

constexpr int kEncoderAxis = 3; // encoder feedback, analogue speed command

// Axes whose measured position comes from an encoder rather than from the pulses sent.
bool hasEncoderFeedback(int atype)
{
    return atype == kEncoderAxis || atype == 4 || (atype >= 65 && atype <= 67);
}
} // namespace

MotionResult MotionEngine::setServo(int axis, bool closed)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    m_axes[axis].params.servo = closed ? 1 : 0;
    return MotionResult::Ok;
}

void MotionEngine::updateFeedback(int axis)
{
    Axis& a = m_axes[axis];
    AxisStatus& st = a.status;
    double command = 0; // the loop's speed command, units/s
    if (!hasEncoderFeedback(a.params.atype)) {
        // MPOS counts the pulses sent: there is no loop to open.
        st.mpos = st.dpos;
    } else if (!a.params.servo) {
        // An open loop commands nothing: the motor stays where it is while the demand
        // goes on, and the following error grows.
    } else if (a.params.servoLagSeconds > 0) {
        // A proportional loop whose speed drive follows at once: the feedback closes
        // on the demand with the lag's time constant.
        const double k = 1 - std::exp(-m_period / a.params.servoLagSeconds);
        command = (st.dpos - st.mpos) * k / m_period;
        st.mpos += command * m_period;
        if (std::abs(st.dpos - st.mpos) < kFeedbackSnap)
            st.mpos = st.dpos;
    } else {
        st.mpos = st.dpos;
    }
    st.dacOut = 0;
    if (a.params.atype == kEncoderAxis && a.params.dacFullScaleSpeed > 0) {
        const double fraction = command * a.params.units / a.params.dacFullScaleSpeed;
        st.dacOut = static_cast<int>(
            std::lround(std::clamp(fraction, -1.0, 1.0) * static_cast<double>(kDacFullScale)));
    }
}

} // namespace korvan::motion
