// Registration latches: REGIST arms one of an axis's two latch units, and the servo tick
// latches the position at which a sensor edge was crossed.
#include "controller/motion/motion_engine.h"

#include <cmath>

namespace korvan::motion {

namespace {

// The second unit's modes: which edge of R2 latches MARKC and which edge of R3 latches
// MARKD (Edge::None: that channel takes no part).
enum class Edge : std::uint8_t
{
    None,
    Rising,
    Falling,
};

struct SecondUnitMode
{
    int mode;
    Edge r2; // into MARKC / REG_POSC
    Edge r3; // into MARKD / REG_POSD
};

constexpr SecondUnitMode kSecondUnitModes[] = {
    {14, Edge::Rising, Edge::None},    {15, Edge::Falling, Edge::None},
    {16, Edge::None, Edge::Rising},    {17, Edge::None, Edge::Falling},
    {18, Edge::Rising, Edge::Rising},  {19, Edge::Rising, Edge::Falling},
    {20, Edge::Falling, Edge::Rising}, {21, Edge::Falling, Edge::Falling},
};

const SecondUnitMode* secondUnitMode(int mode)
{
    for (const SecondUnitMode& m : kSecondUnitModes)
        if (m.mode == mode)
            return &m;
    return nullptr;
}

bool firstUnitMode(int mode)
{
    return mode >= 1 && mode <= 13 && mode != 5;
}

} // namespace

MotionResult MotionEngine::regist(int axis, int mode)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    Axis& a = m_axes[axis];
    // The two units arm independently, so a latch on R2/R3 leaves a running MARK/MARKB
    // latch alone.
    if (firstUnitMode(mode)) {
        a.regist.first = {mode, true};
        a.status.mark = 0;
        a.status.markB = 0;
        return MotionResult::Ok;
    }
    if (secondUnitMode(mode)) {
        a.regist.second = {mode, true};
        a.status.markC = 0;
        a.status.markD = 0;
        return MotionResult::Ok;
    }
    return MotionResult::BadArgument;
}

bool MotionEngine::edge(const PositionWindow& w, double p0, double p1, bool rising,
                        double& at) const
{
    // The first window boundary crossed from p0 towards p1 where the sensor turns on
    // (rising) or off. Boundaries are searched rather than states compared, so a pulse
    // narrower than one tick's travel is still seen. The window is closed: moving
    // forward it turns on at low and off just past high.
    if (!w.present || p0 == p1)
        return false;
    const bool forward = p1 > p0;
    const double base = rising == forward ? w.low : w.high;
    // Rising edges lie in (p0, p1] forwards and [p1, p0) backwards; falling edges the
    // other way round.
    const bool closedAtStart = rising != forward;
    double b = base;
    if (w.period > 0) {
        const double k =
            forward ? std::ceil((p0 - base) / w.period) : std::floor((p0 - base) / w.period);
        b = base + k * w.period;
        const bool pastStart = forward ? b > p0 : b < p0;
        if (!pastStart && !(closedAtStart && b == p0))
            b += forward ? w.period : -w.period;
    }
    const bool afterStart =
        forward ? (b > p0 || (closedAtStart && b == p0)) : (b < p0 || (closedAtStart && b == p0));
    const bool beforeEnd =
        forward ? (b < p1 || (!closedAtStart && b == p1)) : (b > p1 || (!closedAtStart && b == p1));
    if (!afterStart || !beforeEnd)
        return false;
    at = b;
    return true;
}

void MotionEngine::updateRegistration(int axis)
{
    Axis& a = m_axes[axis];
    if (!a.regist.first.armed && !a.regist.second.armed)
        return;
    const double p0 = a.prevMpos + a.physicalOffset;
    const double p1 = a.status.mpos + a.physicalOffset;
    auto latch = [&](const PositionWindow& w, bool rising, double& out, int& mark) {
        double at = 0;
        if (mark == -1 || !edge(w, p0, p1, rising, at))
            return;
        out = at - a.physicalOffset;
        mark = -1;
    };
    AxisStatus& st = a.status;
    if (a.regist.first.armed) {
        const int m = a.regist.first.mode;
        switch (m) {
        case 1:
            latch(a.switches.zPulse, true, st.regPos, st.mark);
            break;
        case 2:
            latch(a.switches.zPulse, false, st.regPos, st.mark);
            break;
        case 3:
            latch(a.switches.r0, true, st.regPos, st.mark);
            break;
        case 4:
            latch(a.switches.r0, false, st.regPos, st.mark);
            break;
        default:
            if (m >= 6 && m <= 9) {
                // The Z latch takes the first index pulse after R0.
                const bool r0Before = st.mark == -1;
                latch(a.switches.r0, m == 6 || m == 7, st.regPos, st.mark);
                if (r0Before)
                    latch(a.switches.zPulse, m == 6 || m == 8, st.regPosB, st.markB);
            } else if (m >= 10 && m <= 13) {
                latch(a.switches.r0, m == 10 || m == 11, st.regPos, st.mark);
                latch(a.switches.r1, m == 10 || m == 12, st.regPosB, st.markB);
            }
            break;
        }
        if (m <= 4 ? st.mark == -1 : (st.mark == -1 && st.markB == -1))
            a.regist.first.armed = false;
    }
    if (a.regist.second.armed) {
        const SecondUnitMode* m = secondUnitMode(a.regist.second.mode);
        if (m->r2 != Edge::None)
            latch(a.switches.r2, m->r2 == Edge::Rising, st.regPosC, st.markC);
        if (m->r3 != Edge::None)
            latch(a.switches.r3, m->r3 == Edge::Rising, st.regPosD, st.markD);
        const bool cDone = m->r2 == Edge::None || st.markC == -1;
        const bool dDone = m->r3 == Edge::None || st.markD == -1;
        if (cDone && dDone)
            a.regist.second.armed = false;
    }
}

} // namespace korvan::motion
