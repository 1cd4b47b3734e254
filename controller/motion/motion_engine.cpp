// The servo tick: starts ready buffer entries, advances profiles, runs feedback,
// sensors, limits, latches and comparators.
#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvan::motion {

namespace {
// Highest pulse output rate of an axis, pulses per second.
constexpr double kMaxPulseRate = 10e6;

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

bool MotionEngine::wireLevel(int input, bool* driven) const
{
    const bool stamped = input >= 0 && input < kSensorInputs && m_tickCount != 0 &&
                         m_wireStamp[static_cast<std::size_t>(input)] == m_tickCount;
    if (driven)
        *driven = stamped;
    return stamped && m_wireLevel[static_cast<std::size_t>(input)] != 0;
}

bool MotionEngine::inputLevel(int input) const
{
    bool driven = false;
    const bool level = wireLevel(input, &driven);
    if (driven)
        return level;
    return m_host && input >= 0 && m_host->inputLevel(input);
}

bool MotionEngine::logicalInput(int input) const
{
    if (input < 0)
        return false;
    const bool inverted = m_host && m_host->inputInverted(input);
    return inputLevel(input) != inverted;
}

bool MotionEngine::originAt(const Axis& a, double physical) const
{
    const int input = a.params.datumIn;
    if (input < 0)
        return false;
    if (input != a.switches.originInput || !a.switches.origin.present)
        return logicalInput(input);
    const bool inverted = m_host && m_host->inputInverted(input);
    return a.switches.origin.contains(physical) != inverted;
}

void MotionEngine::publishSensors(int axis)
{
    const Axis& a = m_axes[axis];
    const AxisSwitches& w = a.switches;
    const double phys = a.status.mpos + a.physicalOffset;
    auto drive = [this](int input, bool level) {
        if (input < 0 || input >= kSensorInputs)
            return;
        m_wireLevel[static_cast<std::size_t>(input)] = level ? 1 : 0;
        m_wireStamp[static_cast<std::size_t>(input)] = m_tickCount;
    };
    if (w.origin.present)
        drive(w.originInput, w.origin.contains(phys));
    if (w.fwdLimit.present)
        drive(w.fwdInput, w.fwdLimit.contains(phys));
    if (w.revLimit.present)
        drive(w.revInput, w.revLimit.contains(phys));
    if (w.r0.present)
        drive(w.r0Input, w.r0.contains(phys));
    if (w.r1.present)
        drive(w.r1Input, w.r1.contains(phys));
    if (w.r2.present)
        drive(w.r2Input, w.r2.contains(phys));
    if (w.r3.present)
        drive(w.r3Input, w.r3.contains(phys));
    drive(w.alarmInput, w.driveAlarm);
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
    if (entry.speedCap > 0)
        l.speed = std::min(l.speed, entry.speedCap);
    return l;
}

double MotionEngine::cornerSpeed(const Axis& a, int k) const
{
    const BufferEntry& entry = a.owned.at(k);
    if (entry.kind != EntryKind::Path)
        return 0;
    if (!a.params.merge || k + 1 >= a.owned.size())
        return entry.endSpeed >= 0 ? entry.endSpeed : 0;
    const BufferEntry& next = a.owned.at(k + 1);
    if (next.kind != EntryKind::Path || next.axisCount != entry.axisCount)
        return 0;
    for (int i = 0; i < entry.axisCount; ++i)
        if (next.axes[i] != entry.axes[i])
            return 0;
    const double angle =
        cornerAngle(entry.geometry.endDirection(), next.geometry.startDirection(), entry.axisCount);
    // Turning straight back cannot be blended at any speed.
    if (angle > std::numbers::pi - kStraightOn)
        return 0;
    double v = std::min(limitsFor(entry).speed, limitsFor(next).speed);
    if (entry.endSpeed >= 0)
        v = std::min(v, entry.endSpeed);
    if (a.params.cornerMode & 2) {
        const double start = a.params.decelAngle;
        const double stop = a.params.stopAngle;
        if (angle >= stop)
            v = 0;
        else if (angle > start && stop > start)
            v *= (stop - angle) / (stop - start);
    }
    return v;
}

double MotionEngine::junctionSpeed(int lead) const
{
    // Look ahead along the moves that blend into one another, up to the first that must
    // stop (or the end of the buffer), then back: each move may start no faster than it
    // can slow down from to keep the speed its end allows. A chamfer keeps one speed.
    const Axis& a = m_axes[lead];
    int last = 0;
    while (last + 1 < a.owned.size() && cornerSpeed(a, last) > 0)
        ++last;
    double limit = cornerSpeed(a, last);
    for (int j = last; j > 0; --j) {
        const BufferEntry& e = a.owned.at(j);
        const ProfileLimits l = limitsFor(e);
        // A hair less than the whole length, so that rounding never leaves the plan
        // short of room.
        const double start = e.cornerBlend
                                 ? limit
                                 : SpeedProfile::reachableSpeed(limit, entryLength(e) * (1 - 1e-9),
                                                                l.decel, l.srampSeconds);
        limit = std::min(cornerSpeed(a, j - 1), start);
    }
    return limit;
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
        if (moved && e.cornerBlend) {
            // The line before the chamfer ended elsewhere (cancelled): go straight on.
            e.geometry = PathGeometry::lineTo(e.axisCount, start, e.geometry.endPoint());
        } else if (moved) {
            e.geometry.rebase(start, e.absolute);
        }
        const ProfileLimits limits = limitsFor(e);
        double v0 = carriedSpeed;
        if (v0 <= 0)
            v0 = e.startSpeed >= 0 ? e.startSpeed : std::min(a.params.lspeed, limits.speed);
        ProfileLimits run = limits;
        if (e.cornerBlend && v0 > 0)
            run.speed = std::min(run.speed, v0); // a chamfer runs at the speed it enters with
        act.profile = SpeedProfile::plan(e.geometry.length(), v0, junctionSpeed(lead), run);
        act.plannedSpeed = limits.speed;
        act.speed = v0;
        break;
    }
    case EntryKind::Cam: {
        act.origin = a.status.dpos;
        const ProfileLimits limits = limitsFor(e);
        const double v0 = std::min(a.params.lspeed, limits.speed);
        act.profile = SpeedProfile::plan(e.link.distance, v0, 0, limits);
        act.plannedSpeed = limits.speed;
        act.speed = v0;
        break;
    }
    case EntryKind::Connect:
    case EntryKind::CamBox:
    case EntryKind::MoveLink:
    case EntryKind::ConnPath: {
        const int master = e.kind == EntryKind::Connect ? e.number : e.link.master;
        // The link takes in the master's movement of this whole tick, whether the master
        // has had its turn in it yet or not.
        const Axis& m = m_axes[master];
        act.origin = a.status.dpos;
        act.elapsed = e.kind == EntryKind::ConnPath ? m.prevPathTravelled : m.prevDpos;
        act.linkStart = m.prevDpos;
        act.waiting = (e.link.options & link_options::StartAtPosition) != 0;
        break;
    }
    case EntryKind::Velocity:
        act.speed = std::min(a.params.lspeed, a.params.speed);
        break;
    case EntryKind::Output:
        fireOutput(e);
        break;
    case EntryKind::Parameter:
        e.parameter->set(*this, e.number, e.value);
        break;
    case EntryKind::AnalogOutput:
        if (m_host)
            m_host->setAnalogOutput(e.number, e.value);
        break;
    case EntryKind::Datum:
        startHoming(lead, e);
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
        else if (e.kind == EntryKind::Cam ||
                 ((e.kind == EntryKind::CamBox || e.kind == EntryKind::MoveLink) &&
                  !(e.link.options & link_options::Repeat)))
            m.status.endmove = act.origin + linkedTravel(e, 1);
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
    if (e.kind == EntryKind::Datum)
        a.homing = HomingState{};
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
    const double length = entryLength(entry);
    const double sBefore = act.s;
    if (act.stopping || act.paused) {
        // Stops and pauses ramp down along the path; a pause re-plans on resume.
        const double rate = act.stopping ? act.stopRate : decelOf(lead);
        const double v1 = std::max(0.0, act.speed - rate * m_period);
        act.s = std::min(length, act.s + (act.speed + v1) / 2 * m_period);
        act.speed = v1;
        act.replan = act.paused;
    } else {
        // SPEED written during a move applies at once, through a ramp.
        if (std::abs(limitsFor(entry).speed - act.plannedSpeed) > 1e-12)
            act.replan = true;
        if (act.replan) {
            act.plannedSpeed = limitsFor(entry).speed;
            act.profile = SpeedProfile::plan(length - act.s, act.speed, junctionSpeed(lead),
                                             limitsFor(entry));
            act.t = 0;
            act.offset = act.s;
            act.replan = false;
        }
        act.t += m_period;
        act.s = std::min(length, act.offset + act.profile.positionAt(act.t));
        act.speed = act.profile.speedAt(act.t);
    }
    const double s = act.s;
    placeAxes(lead, entry, s);
    addPathTravel(entry, s - sBefore);
    const bool done = s >= length || (act.stopping && act.speed <= 0);
    if (!done)
        return;
    double overshoot = act.t - act.profile.duration();
    bool blends = !act.stopping && act.speed > 0;
    finish(lead);
    // Continue into the next moves within this tick, without losing time; a move shorter
    // than what is left of the tick is passed through.
    for (int guard = 0; blends && entryReady(lead) && guard < kBufferDepth; ++guard) {
        activate(lead);
        Activity& next = m_axes[lead].activity;
        const BufferEntry& ne = m_axes[lead].owned.front();
        if (ne.kind != EntryKind::Path || !(overshoot > 0))
            return;
        next.t = overshoot;
        next.s = next.profile.positionAt(next.t);
        next.speed = next.profile.speedAt(next.t);
        placeAxes(lead, ne, next.s);
        addPathTravel(ne, next.s);
        if (next.t < next.profile.duration())
            return;
        overshoot = next.t - next.profile.duration();
        blends = next.speed > 0;
        finish(lead);
    }
    m_axes[lead].activity.speed = 0;
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
    a.pathTravelled += (v0 + v1) / 2 * m_period;
    if (act.stopping && v1 <= 0) {
        finish(lead);
        a.activity.speed = 0;
    }
}

double MotionEngine::entryLength(const BufferEntry& entry) const
{
    return entry.kind == EntryKind::Cam ? entry.link.distance : entry.geometry.length();
}

void MotionEngine::placeAxes(int lead, const BufferEntry& entry, double s)
{
    if (entry.kind == EntryKind::Cam) {
        const double length = entryLength(entry);
        const double p = s >= length ? 1 : s / length;
        m_axes[lead].status.dpos = m_axes[lead].activity.origin + linkedTravel(entry, p);
        return;
    }
    AxisVector pos{};
    entry.geometry.positionAt(s, pos);
    for (int i = 0; i < entry.axisCount; ++i)
        m_axes[entry.axes[i]].status.dpos = pos[i];
}

void MotionEngine::addPathTravel(const BufferEntry& entry, double ds)
{
    if (entry.kind != EntryKind::Path)
        return;
    for (int i = 0; i < entry.axisCount; ++i)
        m_axes[entry.axes[i]].pathTravelled += ds;
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
        case EntryKind::Cam:
            advancePath(lead, e);
            return;
        case EntryKind::Velocity:
            advanceVelocity(lead, e);
            return;
        case EntryKind::Connect:
        case EntryKind::CamBox:
        case EntryKind::MoveLink:
        case EntryKind::ConnPath:
            advanceLinked(lead, e);
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
        case EntryKind::Parameter:
            finish(lead);
            a.activity.speed = 0;
            continue;
        }
    }
}

void MotionEngine::tick()
{
    stopUnfollowedDrives();
    const int n = axisCount();
    for (int i = 0; i < n; ++i) {
        m_axes[i].prevDpos = m_axes[i].status.dpos;
        m_axes[i].prevMpos = m_axes[i].status.mpos;
        m_axes[i].prevPathTravelled = m_axes[i].pathTravelled;
    }
    for (int i = 0; i < n; ++i)
        advance(i);
    applyAddedAxes();
    // Every sensor drives its wire before any axis reads an input.
    ++m_tickCount;
    for (int i = 0; i < n; ++i) {
        checkLimits(i);
        updateFeedback(i);
        publishSensors(i);
    }
    for (int i = 0; i < n; ++i) {
        updateSignals(i);
        updateRegistration(i);
        updateStatus(i);
    }
    updateComparators();
    updatePulses();
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

void MotionEngine::updateSignals(int axis)
{
    Axis& a = m_axes[axis];
    const double phys = a.status.mpos + a.physicalOffset;
    const AxisParameters& p = a.params;
    const AxisSwitches& w = a.switches;
    AxisSignals& s = a.signals;
    s.origin = logicalInput(p.datumIn);
    s.fwdLimit = logicalInput(p.fwdIn);
    s.revLimit = logicalInput(p.revIn);
    // A bus drive reports its alarm over the bus, a local drive through ALM_IN.
    s.alarm = logicalInput(p.almIn) || (p.atype >= 50 && w.driveAlarm);
    s.z = w.zPulse.contains(phys);
    s.r0 = w.r0.contains(phys);
    s.r1 = w.r1.contains(phys);
    s.r2 = w.r2.contains(phys);
    s.r3 = w.r3.contains(phys);
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
    const GearRatio ratio = m_host ? m_host->encoderRatio(axis) : GearRatio{};
    const double counts = st.mpos * a.params.units;
    st.encoder = ratio.first != 0
                     ? static_cast<std::int64_t>(std::llround(counts * ratio.second / ratio.first))
                     : 0;
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
    if (std::abs(st.vpSpeed * a.params.units) > kMaxPulseRate)
        bits |= status_bits::MaxPulseFreq;
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
