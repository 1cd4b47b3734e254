// Homing: DATUM modes against the wired origin, limit switches and Z pulses.
//
// 11/12  creep forward/reverse to the Z pulse.
// 13/14  fast forward/reverse to the origin, creep back until it turns off (the axis
//        stands just past the edge, the origin off; the edge is the home point).
// 15/16  as 13/14, then creep on to the next Z pulse.
// 18/19  fast forward/reverse to the origin, back out of it, creep in until it turns on.
// 1-9    as 11-19 (7 as 17 does not exist), but a limit in the search direction ends the
//        run with the limit's stop reason instead of turning it round.
// With 11-19 a limit in the search direction turns the search round; the origin found
// from the wrong side is passed and approached again, so every mode homes on the same
// edge from either side. The home point becomes DATUM_OFFSET.
//
// DATUM(21, method) runs a bus drive's own homing on its own sensors (no DATUM_IN):
// 1/2 reverse/forward limit switch then Z, 3-14 origin then Z (odd methods search in
// reverse), 17/18 reverse/forward limit switch, 19-30 origin only, 33/34 Z in reverse /
// forward, 35/37 the current position.
#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <cmath>

namespace korvan::motion {

namespace {
// The 11-19 equivalent of a mode, or 0 when the mode does not home.
int searchKind(int mode)
{
    const int kind = mode < 10 ? mode + 10 : mode;
    return kind >= 11 && kind <= 19 && kind != 17 ? kind : 0;
}

// Forward kinds: 11, 13, 15, 18; reverse: 12, 14, 16, 19.
int searchDirection(int kind)
{
    if (kind >= 18)
        return kind == 18 ? 1 : -1;
    return kind % 2 == 1 ? 1 : -1;
}

bool usesHomeSwitch(int kind)
{
    return kind >= 13;
}

// A drive's homing method as a search kind on one of its switches.
struct DriveMethod
{
    int kind = 0;
    HomeSwitch home = HomeSwitch::Origin;
    bool here = false;
};

bool driveMethod(int method, DriveMethod& out)
{
    if (method == 1 || method == 2)
        out = {method == 1 ? 16 : 15, method == 1 ? HomeSwitch::RevLimit : HomeSwitch::FwdLimit};
    else if (method >= 3 && method <= 14)
        out = {method % 2 ? 16 : 15, HomeSwitch::Origin};
    else if (method == 17 || method == 18)
        out = {method == 17 ? 14 : 13, method == 17 ? HomeSwitch::RevLimit : HomeSwitch::FwdLimit};
    else if (method >= 19 && method <= 30)
        out = {method % 2 ? 14 : 13, HomeSwitch::Origin};
    else if (method == 33 || method == 34)
        out = {method == 33 ? 12 : 11, HomeSwitch::ZOnly};
    else if (method == 35 || method == 37)
        out = {0, HomeSwitch::ZOnly, true};
    else
        return false;
    return true;
}
} // namespace

MotionResult MotionEngine::queueDatum(int axis, BufferEntry& e)
{
    const int base[1] = {axis};
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    e.kind = EntryKind::Datum;
    e.mtype = MoveType::Datum;
    e.bufferType = BufferType::Any;
    e.axisCount = 1;
    e.axes[0] = axis;
    return push(e);
}

MotionResult MotionEngine::datum(int axis, int mode)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    Axis& a = m_axes[axis];
    if (mode == 0) {
        // Clears alarms and the stop reason; the drive alarm input stays as wired.
        a.status.axisStatus &= ~(status_bits::FollowingError | status_bits::DriveAlarm |
                                 status_bits::ServoAlarm | status_bits::RemoteComms);
        a.status.stopReason = 0;
        return MotionResult::Ok;
    }
    const int kind = searchKind(mode);
    if (kind == 0)
        return MotionResult::BadArgument;
    if (usesHomeSwitch(kind) && a.params.datumIn < 0)
        return MotionResult::NoOriginInput;
    BufferEntry e;
    e.mode = mode;
    return queueDatum(axis, e);
}

MotionResult MotionEngine::datumDrive(int axis, int method)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    if (m_axes[axis].params.atype < 50)
        return MotionResult::NotBusAxis;
    DriveMethod m;
    if (!driveMethod(method, m))
        return MotionResult::BadArgument;
    BufferEntry e;
    e.mode = m.kind;
    e.homeSwitch = m.home;
    e.driveHoming = true;
    e.homeHere = m.here;
    return queueDatum(axis, e);
}

void MotionEngine::startHoming(int axis, BufferEntry& entry)
{
    Axis& a = m_axes[axis];
    HomingState h;
    h.mode = entry.mode;
    h.drive = entry.driveHoming;
    h.atCurrent = entry.homeHere;
    h.turnAtLimit = entry.driveHoming || entry.mode > 10;
    const int kind = searchKind(entry.mode);
    h.home = entry.driveHoming ? entry.homeSwitch
                               : (usesHomeSwitch(kind) ? HomeSwitch::Origin : HomeSwitch::ZOnly);
    h.searchDir = searchDirection(kind);
    h.creepDir = -h.searchDir;
    if (!usesHomeSwitch(kind)) {
        h.phase = HomingPhase::ZSeek;
        h.creepDir = h.searchDir;
    } else {
        h.phase = HomingPhase::Search;
        h.zAfterBackOff = kind == 15 || kind == 16;
        h.approachAfterBackOff = kind >= 18;
    }
    a.homing = h;
}

void MotionEngine::finishHoming(int axis, bool found, double edgePhysical, double standPhysical)
{
    Axis& a = m_axes[axis];
    a.homing = HomingState{};
    if (!found)
        return;
    // Stop where the run ended and call the edge DATUM_OFFSET.
    const double offset = a.params.datumOffset;
    const double at = offset + (standPhysical - edgePhysical);
    a.physicalOffset = edgePhysical - offset;
    a.status.dpos = at;
    a.status.mpos = at;
    a.status.endmoveBuffer = at;
    a.prevDpos = at;
    a.prevMpos = at;
}

const PositionWindow* MotionEngine::homeWindow(const Axis& a) const
{
    const HomingState& h = a.homing;
    const AxisSwitches& w = a.switches;
    switch (h.home) {
    case HomeSwitch::Origin:
        // DATUM_IN reads the axis's own switch only when it names the switch's input.
        if (h.drive || (a.params.datumIn >= 0 && a.params.datumIn == w.originInput))
            return w.origin.present ? &w.origin : nullptr;
        return nullptr;
    case HomeSwitch::FwdLimit:
        return w.fwdLimit.present ? &w.fwdLimit : nullptr;
    case HomeSwitch::RevLimit:
        return w.revLimit.present ? &w.revLimit : nullptr;
    case HomeSwitch::ZOnly:
        return nullptr;
    }
    return nullptr;
}

bool MotionEngine::homeSwitchAt(const Axis& a, double physical) const
{
    if (a.homing.home == HomeSwitch::ZOnly)
        return false;
    if (a.homing.drive) {
        const PositionWindow* w = homeWindow(a);
        return w && w->contains(physical);
    }
    return originAt(a, physical);
}

bool MotionEngine::homingStep(int axis, BufferEntry& entry, const AxisSignals& before)
{
    Axis& a = m_axes[axis];
    HomingState& h = a.homing;
    if (h.phase == HomingPhase::None)
        startHoming(axis, entry);
    if (h.atCurrent) {
        const double here = a.status.dpos + a.physicalOffset;
        finishHoming(axis, true, here, here);
        return true;
    }
    const AxisParameters& p = a.params;
    if (a.activity.stopping) {
        // CANCEL, or a limit that ends the run, ramps the axis down.
        const double v = h.velocity;
        const double dv = a.activity.stopRate * m_period;
        h.velocity = v > 0 ? std::max(0.0, v - dv) : std::min(0.0, v + dv);
        a.status.dpos += (v + h.velocity) / 2 * m_period;
        if (h.velocity == 0) {
            a.homing = HomingState{};
            return true;
        }
        return false;
    }
    double target = 0;
    switch (h.phase) {
    case HomingPhase::Search:
    case HomingPhase::Escape:
        target = h.searchDir * p.speed;
        break;
    case HomingPhase::BackOff:
    case HomingPhase::ZSeek:
        target = h.creepDir * p.creep;
        break;
    case HomingPhase::Approach:
        target = -h.creepDir * p.creep;
        break;
    case HomingPhase::Settle:
    case HomingPhase::None:
        break;
    }
    const double v0 = h.velocity;
    const double up = p.accel * m_period;
    const double down = decelOf(axis) * m_period;
    const bool speedingUp = std::abs(target) > std::abs(v0) && target * v0 >= 0;
    const double step = speedingUp ? up : down;
    h.velocity = target > v0 ? std::min(target, v0 + step) : std::max(target, v0 - step);
    const double p0 = a.status.dpos + a.physicalOffset;
    a.status.dpos += (v0 + h.velocity) / 2 * m_period;
    const double p1 = a.status.dpos + a.physicalOffset;
    const bool home0 = homeSwitchAt(a, p0);
    const bool home1 = homeSwitchAt(a, p1);
    const int moving = h.velocity > 0 ? 1 : (h.velocity < 0 ? -1 : 0);
    // A drive watches its own limit switches; the controller its FWD_IN and REV_IN.
    // The limit that is the home switch is no obstacle.
    const AxisSwitches& w = a.switches;
    const bool fwdLimit =
        h.home != HomeSwitch::FwdLimit && (h.drive ? w.fwdLimit.contains(p1) : before.fwdLimit);
    const bool revLimit =
        h.home != HomeSwitch::RevLimit && (h.drive ? w.revLimit.contains(p1) : before.revLimit);
    const bool limitAhead = (moving > 0 && fwdLimit) || (moving < 0 && revLimit);
    // A rising edge ends the run on it, with the switch on. Creeping back
    // until the switch turns off ends where the tick that saw it off took
    // the axis, just past the edge, so the switch reads off afterwards.
    auto homeAtEdge = [&](bool rising) {
        double at = p1;
        if (const PositionWindow* hw = homeWindow(a))
            edge(*hw, p0, p1, rising, at);
        finishHoming(axis, true, at, rising ? at : p1);
        return true;
    };
    auto fail = [&] {
        // The run ends without a home point and ramps down at FASTDEC.
        a.status.stopReason |= moving > 0 ? status_bits::FwdHardLimit : status_bits::RevHardLimit;
        beginStop(axis, fastDecelOf(axis));
        return false;
    };
    auto turnOrFail = [&](int& direction) {
        if (h.reversed || !h.turnAtLimit)
            return fail();
        h.reversed = true;
        direction = -direction;
        return false;
    };
    switch (h.phase) {
    case HomingPhase::Search:
        if (home1) {
            h.seenOn = true;
            if (h.reversed) {
                h.phase = HomingPhase::Escape;
            } else {
                h.phase = HomingPhase::Settle;
                h.next = HomingPhase::BackOff;
            }
        } else if (limitAhead && moving == h.searchDir) {
            return turnOrFail(h.searchDir);
        }
        break;
    case HomingPhase::Escape:
        // Runs on through the origin to the side the search should come from.
        if (home1)
            h.seenOn = true;
        if (h.seenOn && !home1) {
            h.reversed = false;
            h.searchDir = -h.searchDir;
            h.phase = HomingPhase::Settle;
            h.next = HomingPhase::Search;
        } else if (limitAhead) {
            return fail();
        }
        break;
    case HomingPhase::Settle:
        if (h.velocity == 0) {
            h.phase = h.next;
            h.creepDir = -h.searchDir;
            h.seenOn = home1;
        }
        break;
    case HomingPhase::BackOff:
        if (home1)
            h.seenOn = true;
        if (h.seenOn && home0 && !home1) {
            if (h.zAfterBackOff) {
                h.phase = HomingPhase::ZSeek;
            } else if (h.approachAfterBackOff) {
                h.phase = HomingPhase::Settle;
                h.next = HomingPhase::Approach;
            } else {
                return homeAtEdge(false);
            }
        } else if (limitAhead) {
            return fail();
        }
        break;
    case HomingPhase::Approach:
        if (!home0 && home1)
            return homeAtEdge(true);
        if (limitAhead)
            return fail();
        break;
    case HomingPhase::ZSeek: {
        double at = 0;
        if (edge(a.switches.zPulse, p0, p1, true, at)) {
            finishHoming(axis, true, at, at);
            return true;
        }
        if (limitAhead && moving == h.creepDir)
            return turnOrFail(h.creepDir);
        break;
    }
    case HomingPhase::None:
        return true;
    }
    return false;
}

} // namespace korvan::motion
