// The servo tick: starts ready buffer entries, advances profiles, runs feedback,
// sensors, limits, latches and comparators.
#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvan::motion {

namespace {
constexpr double kFeedbackSnap = 1e-9;

bool hasEncoderFeedback(int atype)
{
    return atype == 3 || atype == 4 || (atype >= 65 && atype <= 67);
}

double cornerAngle(const AxisVector& a, const AxisVector& b, int n)
{
    double d = 0;
    for (int i = 0; i < n; ++i)
        d += a[i] * b[i];
    return std::acos(std::clamp(d, -1.0, 1.0));
}
} // namespace

bool PositionWindow::contains(double position) const
{
    if (!present)
        return false;
    if (period > 0) {
        const double r = position - std::floor((position - low) / period) * period;
        return r >= low && r <= high;
    }
    return position >= low && position <= high;
}

double MotionEngine::physicalPosition(int axis) const
{
    return m_axes[axis].status.mpos + m_axes[axis].physicalOffset;
}

bool MotionEngine::inputState(int input, bool* wired) const
{
    if (wired)
        *wired = false;
    if (input < 0)
        return false;
    const bool inverted = m_host && m_host->inputInverted(input);
    for (const Axis& a : m_axes) {
        const AxisParameters& p = a.params;
        const AxisSwitches& w = a.switches;
        bool raw = false;
        bool found = true;
        if (input == p.datumIn && w.origin.present)
            raw = w.origin.contains(a.status.mpos + a.physicalOffset);
        else if (input == p.fwdIn && w.fwdLimit.present)
            raw = w.fwdLimit.contains(a.status.mpos + a.physicalOffset);
        else if (input == p.revIn && w.revLimit.present)
            raw = w.revLimit.contains(a.status.mpos + a.physicalOffset);
        else if (input == p.almIn)
            raw = w.driveAlarm;
        else if (input == w.r0Input && w.r0.present)
            raw = w.r0.contains(a.status.mpos + a.physicalOffset);
        else if (input == w.r1Input && w.r1.present)
            raw = w.r1.contains(a.status.mpos + a.physicalOffset);
        else
            found = false;
        if (found) {
            if (wired)
                *wired = true;
            return raw != inverted;
        }
    }
    return false;
}

double MotionEngine::decelOf(int axis) const
{
    const AxisParameters& p = m_axes[axis].params;
    return p.decel > 0 ? p.decel : p.accel;
}

double MotionEngine::fastDecelOf(int axis) const
{
    const AxisParameters& p = m_axes[axis].params;
    return p.fastdec > 0 ? p.fastdec : decelOf(axis);
}

double MotionEngine::pathSpeed(const BufferEntry& entry) const
{
    return entry.speed > 0 ? entry.speed : m_axes[entry.axes[0]].params.speed;
}

ProfileLimits MotionEngine::limitsFor(const BufferEntry& entry) const
{
    const int lead = entry.axes[0];
    const AxisParameters& p = m_axes[lead].params;
    ProfileLimits l;
    l.speed = pathSpeed(entry);
    l.accel = p.accel;
    l.decel = decelOf(lead);
    l.srampSeconds = p.sramp / 1000;
    // Small circles slow down in proportion to their radius.
    if ((p.cornerMode & 8) && entry.geometry.isArc() && p.fullSpRadius > 0 &&
        entry.geometry.radius() < p.fullSpRadius)
        l.speed *= entry.geometry.radius() / p.fullSpRadius;
    return l;
}

double MotionEngine::junctionSpeed(int lead, const BufferEntry& entry) const
{
    const Axis& a = m_axes[lead];
    if (!a.params.merge || a.owned.size() < 2)
        return entry.endSpeed >= 0 ? entry.endSpeed : 0;
    const BufferEntry& next = a.owned.at(1);
    if (next.kind != EntryKind::Path || next.axisCount != entry.axisCount)
        return 0;
    for (int i = 0; i < entry.axisCount; ++i)
        if (next.axes[i] != entry.axes[i])
            return 0;
    double v = std::min(limitsFor(entry).speed, limitsFor(next).speed);
    if (entry.endSpeed >= 0)
        v = std::min(v, entry.endSpeed);
    // The next move must be able to stop within its own length.
    const ProfileLimits nl = limitsFor(next);
    v = std::min(v,
                 SpeedProfile::stoppableSpeed(next.geometry.length(), nl.decel, nl.srampSeconds));
    if (a.params.cornerMode & 2) {
        const double angle = cornerAngle(entry.geometry.endDirection(),
                                         next.geometry.startDirection(), entry.axisCount);
        const double start = a.params.decelAngle;
        const double stop = a.params.stopAngle;
        if (angle >= stop)
            v = 0;
        else if (angle > start && stop > start)
            v *= (stop - angle) / (stop - start);
    }
    return v;
}

AxisVector MotionEngine::startOf(const BufferEntry& entry) const
{
    AxisVector p{};
    for (int i = 0; i < entry.axisCount; ++i)
        p[i] = m_axes[entry.axes[i]].status.dpos;
    return p;
}

bool MotionEngine::entryReady(int lead) const
{
    const Axis& a = m_axes[lead];
    if (a.owned.empty() || a.activity.active)
        return false;
    const BufferEntry& e = a.owned.front();
    for (int i = 0; i < e.axisCount; ++i) {
        const Axis& m = m_axes[e.axes[i]];
        if (m.refs.empty() || m.refs.front().id != e.id)
            return false;
    }
    return true;
}

void MotionEngine::activate(int lead)
{
    Axis& a = m_axes[lead];
    BufferEntry& e = a.owned.front();
    Activity& act = a.activity;
    const double carriedSpeed = act.speed;
    const bool paused = act.paused;
    act = Activity{};
    act.active = true;
    act.paused = paused;
    switch (e.kind) {
    case EntryKind::Path: {
        const AxisVector start = startOf(e);
        bool moved = false;
        AxisVector queuedStart{};
        e.geometry.positionAt(0, queuedStart);
        for (int i = 0; i < e.axisCount; ++i)
            moved = moved || std::abs(queuedStart[i] - start[i]) > 1e-12;
        if (moved)
            e.geometry.rebase(start, e.absolute);
        const ProfileLimits limits = limitsFor(e);
        double v0 = carriedSpeed;
        if (v0 <= 0)
            v0 = e.startSpeed >= 0 ? e.startSpeed : std::min(a.params.lspeed, limits.speed);
        act.profile = SpeedProfile::plan(e.geometry.length(), v0, junctionSpeed(lead, e), limits);
        act.speed = v0;
        break;
    }
    case EntryKind::Velocity:
        act.speed = std::min(a.params.lspeed, a.params.speed);
        break;
    case EntryKind::Output:
        if (m_host)
            m_host->setOutput(e.number, e.value != 0);
        break;
    case EntryKind::AnalogOutput:
        if (m_host)
            m_host->setAnalogOutput(e.number, e.value);
        break;
    case EntryKind::Datum:
        startHoming(lead, e);
        break;
    case EntryKind::Connect:
        act.elapsed = m_axes[e.number].status.dpos; // last seen master position
        break;
    case EntryKind::Wait:
        break;
    }
    for (int i = 0; i < e.axisCount; ++i) {
        Axis& m = m_axes[e.axes[i]];
        m.status.mtype = static_cast<int>(e.mtype);
        m.status.moveCurmark = e.mark;
        if (e.kind == EntryKind::Path)
            m.status.endmove = e.geometry.endPoint()[i];
    }
}

void MotionEngine::finish(int lead)
{
    Axis& a = m_axes[lead];
    const BufferEntry& e = a.owned.front();
    for (int i = 0; i < e.axisCount; ++i) {
        Axis& m = m_axes[e.axes[i]];
        if (!m.refs.empty() && m.refs.front().id == e.id)
            m.refs.popFront();
        m.status.axisStatus &= ~status_bits::Cancelling;
    }
    const double speed = a.activity.stopping ? 0 : a.activity.speed;
    const bool paused = a.activity.paused;
    a.owned.popFront();
    a.activity = Activity{};
    a.activity.speed = speed;
    a.activity.paused = paused;
}

void MotionEngine::beginStop(int lead, double rate)
{
    Activity& act = m_axes[lead].activity;
    if (!act.active)
        return;
    act.stopping = true;
    act.stopRate = std::max(rate, 1e-9);
    const BufferEntry& e = m_axes[lead].owned.front();
    for (int i = 0; i < e.axisCount; ++i)
        m_axes[e.axes[i]].status.axisStatus |= status_bits::Cancelling;
}

void MotionEngine::dropBuffered(int axis, bool includeActive)
{
    // Drops every entry led by this axis or referenced by it (except the active one).
    Axis& a = m_axes[axis];
    const int keep = (a.activity.active && !includeActive) ? 1 : 0;
    for (int k = keep; k < a.owned.size(); ++k) {
        const BufferEntry& e = a.owned.at(k);
        for (int i = 0; i < e.axisCount; ++i) {
            Axis& m = m_axes[e.axes[i]];
            // Remove the reference from the member's ring, keeping order.
            int w = 0;
            for (int r = 0; r < m.refs.size(); ++r)
                if (m.refs.at(r).id != e.id)
                    m.refs.at(w++) = m.refs.at(r);
            m.refs.truncate(w);
        }
    }
    a.owned.truncate(keep);
    if (includeActive) {
        a.activity = Activity{};
    }
    a.status.endmoveBuffer = a.refs.empty() ? a.status.dpos : a.status.endmove;
}

void MotionEngine::advancePath(int lead, BufferEntry& entry)
{
    Axis& a = m_axes[lead];
    Activity& act = a.activity;
    const double length = entry.geometry.length();
    if (act.stopping) {
        const double v1 = std::max(0.0, act.speed - act.stopRate * m_period);
        act.s = std::min(length, act.s + (act.speed + v1) / 2 * m_period);
        act.speed = v1;
    } else if (!act.paused) {
        act.t += m_period;
        act.s = act.profile.positionAt(act.t);
        act.speed = act.profile.speedAt(act.t);
    } else {
        // Pausing ramps down along the path, resuming replans from rest.
        const double v1 = std::max(0.0, act.speed - decelOf(lead) * m_period);
        act.s = std::min(length, act.s + (act.speed + v1) / 2 * m_period);
        act.speed = v1;
        if (v1 <= 0 && act.s < length) {
            act.profile =
                SpeedProfile::plan(length - act.s, 0, junctionSpeed(lead, entry), limitsFor(entry));
            act.t = 0;
            act.elapsed = act.s; // path offset of the re-planned rest
        }
    }
    double s = act.s;
    if (!act.stopping && !act.paused && act.elapsed > 0)
        s = std::min(length, act.elapsed + act.profile.positionAt(act.t));
    act.s = s;
    AxisVector pos{};
    entry.geometry.positionAt(s, pos);
    for (int i = 0; i < entry.axisCount; ++i)
        m_axes[entry.axes[i]].status.dpos = pos[i];
    const bool done = s >= length || (act.stopping && act.speed <= 0);
    if (!done)
        return;
    const double overshoot = act.t - act.profile.duration();
    const bool blends = !act.stopping && act.speed > 0;
    finish(lead);
    if (blends && entryReady(lead)) {
        // Continue into the next move within this tick, without losing time.
        activate(lead);
        Activity& next = m_axes[lead].activity;
        if (m_axes[lead].owned.front().kind == EntryKind::Path && overshoot > 0) {
            next.t = overshoot;
            BufferEntry& ne = m_axes[lead].owned.front();
            next.s = next.profile.positionAt(next.t);
            next.speed = next.profile.speedAt(next.t);
            AxisVector p{};
            ne.geometry.positionAt(next.s, p);
            for (int i = 0; i < ne.axisCount; ++i)
                m_axes[ne.axes[i]].status.dpos = p[i];
        }
    } else {
        m_axes[lead].activity.speed = 0;
    }
}

void MotionEngine::advanceVelocity(int lead, BufferEntry& entry)
{
    Axis& a = m_axes[lead];
    Activity& act = a.activity;
    const double target = (act.stopping || act.paused) ? 0 : a.params.speed;
    const double v0 = act.speed;
    double v1 = v0;
    if (target > v0)
        v1 = std::min(target, v0 + a.params.accel * m_period);
    else
        v1 = std::max(target, v0 - (act.stopping ? act.stopRate : decelOf(lead)) * m_period);
    act.speed = v1;
    a.status.dpos += entry.direction * (v0 + v1) / 2 * m_period;
    if (act.stopping && v1 <= 0) {
        finish(lead);
        a.activity.speed = 0;
    }
}

void MotionEngine::applyConnect(int lead, const BufferEntry& entry)
{
    Axis& a = m_axes[lead];
    const double master = m_axes[entry.number].status.dpos;
    const double delta = master - a.activity.elapsed;
    a.activity.elapsed = master;
    if (a.activity.stopping) {
        finish(lead);
        a.activity.speed = 0;
        return;
    }
    a.status.dpos += entry.value * delta;
}

void MotionEngine::advance(int lead)
{
    Axis& a = m_axes[lead];
    // Entries that take no time may follow one another within a tick.
    for (int guard = 0; guard < kBufferDepth; ++guard) {
        if (!a.activity.active && !entryReady(lead))
            return;
        if (!a.activity.active)
            activate(lead);
        BufferEntry& e = a.owned.front();
        switch (e.kind) {
        case EntryKind::Path:
            advancePath(lead, e);
            return;
        case EntryKind::Velocity:
            advanceVelocity(lead, e);
            return;
        case EntryKind::Connect:
            applyConnect(lead, e);
            return;
        case EntryKind::Datum: {
            const AxisSignals before = a.signals;
            if (!homingStep(lead, e, before))
                return;
            finish(lead);
            a.activity.speed = 0;
            return;
        }
        case EntryKind::Wait:
            if (a.activity.stopping) {
                finish(lead);
                continue;
            }
            if (a.activity.paused)
                return;
            a.activity.elapsed += m_period * 1000;
            if (a.activity.elapsed + 1e-9 < e.value)
                return;
            finish(lead);
            a.activity.speed = 0;
            return;
        case EntryKind::Output:
        case EntryKind::AnalogOutput:
            finish(lead);
            a.activity.speed = 0;
            continue;
        }
    }
}

void MotionEngine::tick()
{
    const int n = axisCount();
    for (int i = 0; i < n; ++i) {
        m_axes[i].prevDpos = m_axes[i].status.dpos;
        m_axes[i].prevMpos = m_axes[i].status.mpos;
    }
    for (int i = 0; i < n; ++i)
        advance(i);
    for (int i = 0; i < n; ++i) {
        const AxisSignals before = m_axes[i].signals;
        checkLimits(i);
        updateFeedback(i);
        updateSignals(i);
        updateRegistration(i, before);
        updateStatus(i);
    }
    updateComparators();
}

void MotionEngine::checkLimits(int axis)
{
    Axis& a = m_axes[axis];
    AxisStatus& st = a.status;
    const double step = st.dpos - a.prevDpos;
    std::uint32_t stopBits = 0;
    if (a.params.fsLimit > a.params.rsLimit) {
        if (st.dpos >= a.params.fsLimit && step > 0) {
            st.dpos = a.params.fsLimit;
            stopBits |= status_bits::FwdSoftLimit;
        }
        if (st.dpos <= a.params.rsLimit && step < 0) {
            st.dpos = a.params.rsLimit;
            stopBits |= status_bits::RevSoftLimit;
        }
    }
    const bool homing = a.homing.phase != HomingPhase::None;
    if (!homing) {
        if (a.signals.fwdLimit && step > 0)
            stopBits |= status_bits::FwdHardLimit;
        if (a.signals.revLimit && step < 0)
            stopBits |= status_bits::RevHardLimit;
    }
    if (a.signals.alarm)
        stopBits |= status_bits::DriveAlarm;
    if (!stopBits)
        return;
    st.stopReason |= stopBits;
    // The move that drives this axis ends here; the buffer is dropped.
    const int lead = a.refs.empty() ? axis : a.refs.front().lead;
    Axis& leadAxis = m_axes[lead];
    if (stopBits &
        (status_bits::FwdSoftLimit | status_bits::RevSoftLimit | status_bits::DriveAlarm)) {
        // Soft limits and alarms stop at once, at the limit.
        if (leadAxis.activity.active && !leadAxis.owned.empty()) {
            const BufferEntry& e = leadAxis.owned.front();
            for (int i = 0; i < e.axisCount; ++i)
                if (e.axes[i] != axis)
                    m_axes[e.axes[i]].status.dpos = m_axes[e.axes[i]].prevDpos;
            dropBuffered(lead, false);
            leadAxis.activity.stopping = true;
            leadAxis.activity.speed = 0;
            finish(lead);
            leadAxis.activity.speed = 0;
        }
    } else if (leadAxis.activity.active && !leadAxis.activity.stopping) {
        dropBuffered(lead, false);
        beginStop(lead, fastDecelOf(lead));
    }
}

void MotionEngine::updateFeedback(int axis)
{
    Axis& a = m_axes[axis];
    AxisStatus& st = a.status;
    if (hasEncoderFeedback(a.params.atype) && a.params.servoLagSeconds > 0) {
        const double k = 1 - std::exp(-m_period / a.params.servoLagSeconds);
        st.mpos += (st.dpos - st.mpos) * k;
        if (std::abs(st.dpos - st.mpos) < kFeedbackSnap)
            st.mpos = st.dpos;
    } else {
        st.mpos = st.dpos;
    }
}

void MotionEngine::updateSignals(int axis)
{
    Axis& a = m_axes[axis];
    const double phys = a.status.mpos + a.physicalOffset;
    auto logical = [&](int input, bool raw) {
        const bool inv = input >= 0 && m_host && m_host->inputInverted(input);
        return raw != inv;
    };
    const AxisParameters& p = a.params;
    const AxisSwitches& w = a.switches;
    AxisSignals& s = a.signals;
    s.origin = p.datumIn >= 0 && logical(p.datumIn, w.origin.contains(phys));
    s.fwdLimit = p.fwdIn >= 0 && logical(p.fwdIn, w.fwdLimit.contains(phys));
    s.revLimit = p.revIn >= 0 && logical(p.revIn, w.revLimit.contains(phys));
    s.alarm = p.almIn >= 0 && logical(p.almIn, w.driveAlarm);
    s.z = w.zPulse.contains(phys);
    s.r0 = w.r0Input >= 0 ? logical(w.r0Input, w.r0.contains(phys)) : w.r0.contains(phys);
    s.r1 = w.r1Input >= 0 ? logical(w.r1Input, w.r1.contains(phys)) : w.r1.contains(phys);
}

bool MotionEngine::edge(const PositionWindow& w, double p0, double p1, bool rising,
                        double& at) const
{
    // The window boundary crossed between two positions, for a sensor turning on
    // (rising) or off.
    if (!w.present || p0 == p1)
        return false;
    const bool s0 = w.contains(p0);
    const bool s1 = w.contains(p1);
    if (s0 == s1 || s1 != rising)
        return false;
    const double lo = std::min(p0, p1);
    const double hi = std::max(p0, p1);
    double best = p1;
    double bestDist = 1e300;
    auto consider = [&](double b) {
        if (b >= lo && b <= hi && std::abs(b - p0) < bestDist) {
            bestDist = std::abs(b - p0);
            best = b;
        }
    };
    if (w.period > 0) {
        const double k = std::floor((lo - w.low) / w.period);
        for (int i = 0; i < 3; ++i) {
            consider(w.low + (k + i) * w.period);
            consider(w.high + (k + i) * w.period);
        }
    } else {
        consider(w.low);
        consider(w.high);
    }
    at = best;
    return true;
}

void MotionEngine::updateRegistration(int axis, const AxisSignals& before)
{
    Axis& a = m_axes[axis];
    if (!a.regist.armed)
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
    const int m = a.regist.mode;
    AxisStatus& st = a.status;
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
    const bool complete = m <= 4 ? st.mark == -1 : (st.mark == -1 && st.markB == -1);
    if (complete)
        a.regist.armed = false;
}

void MotionEngine::updateComparators()
{
    if (!m_host)
        return;
    for (Comparator& c : m_comparators) {
        if (!c.enabled)
            continue;
        const double pos = m_axes[c.axis].status.dpos;
        const bool inside = pos >= c.low && pos <= c.high;
        if (inside != c.driving) {
            c.driving = inside;
            m_host->setOutput(c.output, inside ? c.state : !c.state);
        }
    }
}

void MotionEngine::updateStatus(int axis)
{
    Axis& a = m_axes[axis];
    AxisStatus& st = a.status;
    const double period = m_period;
    st.vpSpeed = (st.dpos - a.prevDpos) / period;
    st.mspeed = (st.mpos - a.prevMpos) / period;
    st.encoder = static_cast<std::int64_t>(std::llround(
        st.mpos * a.params.units * a.params.encoderRatioDen / a.params.encoderRatioNum));
    const bool busy = !a.refs.empty();
    st.idle = busy ? 0 : -1;
    if (!busy) {
        st.mtype = static_cast<int>(MoveType::Idle);
        st.endmoveBuffer = st.dpos;
        st.endmove = st.dpos;
    }
    st.loaded = a.refs.size() > 1 ? 0 : -1;
    double buffered = 0;
    for (int k = 0; k < a.owned.size(); ++k)
        if (a.owned.at(k).kind == EntryKind::Path)
            buffered += a.owned.at(k).geometry.length();
    if (a.activity.active && !a.owned.empty() && a.owned.front().kind == EntryKind::Path)
        buffered -= a.activity.s;
    st.vectorBuffered = buffered;
    std::uint32_t bits = st.axisStatus & (status_bits::Cancelling | status_bits::DriveAlarm |
                                          status_bits::ServoAlarm | status_bits::RemoteComms);
    if (a.signals.fwdLimit)
        bits |= status_bits::FwdHardLimit;
    if (a.signals.revLimit)
        bits |= status_bits::RevHardLimit;
    if (a.signals.alarm) {
        bits |= status_bits::DriveAlarm;
        if (a.params.atype >= 50)
            bits |= status_bits::ServoAlarm;
    }
    if (a.params.fsLimit > a.params.rsLimit) {
        if (st.dpos >= a.params.fsLimit)
            bits |= status_bits::FwdSoftLimit;
        if (st.dpos <= a.params.rsLimit)
            bits |= status_bits::RevSoftLimit;
    }
    if (a.homing.phase != HomingPhase::None)
        bits |= status_bits::Homing;
    if (std::abs(st.dpos - st.mpos) > a.params.feLimit)
        bits |= status_bits::FollowingError;
    const int lead = a.refs.empty() ? axis : a.refs.front().lead;
    if (m_axes[lead].activity.paused && busy)
        bits |= status_bits::Paused;
    if (!busy)
        bits &= ~status_bits::Cancelling;
    st.axisStatus = bits;
}

} // namespace korvan::motion
