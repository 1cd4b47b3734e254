// Homing: DATUM modes against the wired origin, limit switches and Z pulses.
//
// 11/12  creep forward/reverse to the Z pulse.
// 13/14  fast forward/reverse to the origin, creep back until it turns off.
// 15/16  as 13/14, then creep on to the next Z pulse.
// 18/19  fast forward/reverse to the origin, back out of it, creep in until it turns on.
// A limit in the search direction turns the search round; the origin found from the
// wrong side is passed and approached again, so every mode homes on the same edge from
// either side. The home point becomes DATUM_OFFSET. DATUM(21, method) runs the drive's
// own homing on bus axes: 33/34 Z reverse/forward, 35/37 current position, 1-14 origin
// and Z, 17-30 origin only (odd methods reverse, even forward).
#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <cmath>

namespace korvan::motion {

namespace {
bool isOriginMode(int mode)
{
    return mode >= 13 && mode <= 19 && mode != 17;
}
// Forward modes: 11, 13, 15, 18; reverse: 12, 14, 16, 19.
int searchDirection(int mode)
{
    if (mode >= 18)
        return mode == 18 ? 1 : -1;
    return mode % 2 == 1 ? 1 : -1;
}
} // namespace

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
    if (mode < 11 || mode > 19 || mode == 17)
        return MotionResult::BadArgument;
    if (isOriginMode(mode) && a.params.datumIn < 0)
        return MotionResult::BadArgument;
    const int base[1] = {axis};
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    BufferEntry e;
    e.kind = EntryKind::Datum;
    e.mtype = MoveType::Datum;
    e.bufferType = BufferType::Any;
    e.axisCount = 1;
    e.axes[0] = axis;
    e.mode = mode;
    return push(e);
}

MotionResult MotionEngine::datumDrive(int axis, int method)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    if (m_axes[axis].params.atype < 50)
        return MotionResult::BadArgument;
    int mode = 0;
    if (method == 33)
        mode = 12;
    else if (method == 34)
        mode = 11;
    else if (method == 35 || method == 37)
        mode = -1;
    else if (method >= 1 && method <= 14)
        mode = method % 2 ? 16 : 15;
    else if (method >= 17 && method <= 30)
        mode = method % 2 ? 14 : 13;
    else
        return MotionResult::BadArgument;
    if (mode > 0)
        return datum(axis, mode);
    Axis& a = m_axes[axis];
    a.prevDpos = a.status.dpos;
    finishHoming(axis, true, a.status.dpos + a.physicalOffset);
    return MotionResult::Ok;
}

void MotionEngine::startHoming(int axis, BufferEntry& entry)
{
    Axis& a = m_axes[axis];
    HomingState h;
    h.mode = entry.mode;
    h.searchDir = searchDirection(entry.mode);
    h.creepDir = -h.searchDir;
    if (entry.mode <= 12) {
        h.phase = HomingPhase::ZSeek;
        h.creepDir = h.searchDir;
    } else {
        h.phase = HomingPhase::Search;
        h.zAfterBackOff = entry.mode == 15 || entry.mode == 16;
        h.approachAfterBackOff = entry.mode >= 18;
    }
    a.homing = h;
}

void MotionEngine::finishHoming(int axis, bool found, double edgePhysical)
{
    Axis& a = m_axes[axis];
    a.homing = HomingState{};
    if (!found)
        return;
    // Stop on the edge, then call that point DATUM_OFFSET.
    const double offset = a.params.datumOffset;
    a.physicalOffset = edgePhysical - offset;
    a.status.dpos = offset;
    a.status.mpos = offset;
    a.status.endmoveBuffer = offset;
    a.prevDpos = offset;
    a.prevMpos = offset;
}

bool MotionEngine::homingStep(int axis, BufferEntry& entry, const AxisSignals& before)
{
    Axis& a = m_axes[axis];
    HomingState& h = a.homing;
    if (h.phase == HomingPhase::None)
        startHoming(axis, entry);
    const AxisParameters& p = a.params;
    if (a.activity.stopping) {
        // CANCEL ends homing with a normal ramp-down.
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
        target = h.searchDir * p.speed;
        break;
    case HomingPhase::Escape:
        target = h.searchDir * p.speed;
        break;
    case HomingPhase::Settle:
        target = 0;
        break;
    case HomingPhase::BackOff:
        target = h.creepDir * p.creep;
        break;
    case HomingPhase::Approach:
        target = -h.creepDir * p.creep;
        break;
    case HomingPhase::ZSeek:
        target = h.creepDir * p.creep;
        break;
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
    const bool inverted = p.datumIn >= 0 && m_host && m_host->inputInverted(p.datumIn);
    const bool origin0 = p.datumIn >= 0 && (a.switches.origin.contains(p0) != inverted);
    const bool origin1 = p.datumIn >= 0 && (a.switches.origin.contains(p1) != inverted);
    const int moving = h.velocity > 0 ? 1 : (h.velocity < 0 ? -1 : 0);
    const bool limitAhead = (moving > 0 && before.fwdLimit) || (moving < 0 && before.revLimit);
    auto homeAt = [&](const PositionWindow& w) {
        double at = p1;
        edge(w, p0, p1, w.contains(p1), at);
        finishHoming(axis, true, at);
        return true;
    };
    auto fail = [&] {
        a.status.stopReason |= moving > 0 ? status_bits::FwdHardLimit : status_bits::RevHardLimit;
        a.homing = HomingState{};
        return true;
    };
    switch (h.phase) {
    case HomingPhase::Search:
        if (origin1) {
            h.seenOn = true;
            if (h.reversed) {
                h.phase = HomingPhase::Escape;
            } else {
                h.phase = HomingPhase::Settle;
                h.next = HomingPhase::BackOff;
            }
        } else if (limitAhead && moving == h.searchDir) {
            if (h.reversed)
                return fail();
            h.reversed = true;
            h.searchDir = -h.searchDir;
        }
        break;
    case HomingPhase::Escape:
        // Runs on through the origin to the side the search should come from.
        if (origin1)
            h.seenOn = true;
        if (h.seenOn && !origin1) {
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
            h.seenOn = origin1;
        }
        break;
    case HomingPhase::BackOff:
        if (origin1)
            h.seenOn = true;
        if (h.seenOn && origin0 && !origin1) {
            if (h.zAfterBackOff) {
                h.phase = HomingPhase::ZSeek;
            } else if (h.approachAfterBackOff) {
                h.phase = HomingPhase::Settle;
                h.next = HomingPhase::Approach;
            } else {
                return homeAt(a.switches.origin);
            }
        } else if (limitAhead) {
            return fail();
        }
        break;
    case HomingPhase::Approach:
        if (!origin0 && origin1)
            return homeAt(a.switches.origin);
        if (limitAhead)
            return fail();
        break;
    case HomingPhase::ZSeek: {
        double at = 0;
        if (edge(a.switches.zPulse, p0, p1, true, at)) {
            finishHoming(axis, true, at);
            return true;
        }
        if (limitAhead) {
            if (h.reversed)
                return fail();
            h.reversed = true;
            h.creepDir = -h.creepDir;
        }
        break;
    }
    case HomingPhase::None:
        return true;
    }
    return false;
}

} // namespace korvan::motion
