// The ZSMOOTH chamfer. With MERGE on and CORNER_MODE bit 32, the corner between two
// buffered lines of the same axes is rounded by an arc tangent to both lines: it leaves
// the first line ZSMOOTH before the corner and joins the second ZSMOOTH after it (less
// where a line is shorter than twice that), so the path never strays further than
// ZSMOOTH from the corner. The arc is a buffer entry of its own between the two lines and
// runs at one speed that keeps its centripetal acceleration within ACCEL and DECEL.
#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <cmath>

namespace korvan::motion {

namespace {
constexpr int kChamferBit = 32;
constexpr double kShortestChamfer = 1e-9;
} // namespace

MotionResult MotionEngine::pushLine(BufferEntry& entry)
{
    const int lead = entry.axes[0];
    Axis& a = m_axes[lead];
    // What a chamfer changes, to put back if the running path cannot take it.
    const int ownedBefore = a.owned.size();
    const BufferEntry* prev = ownedBefore > 0 ? &a.owned.at(ownedBefore - 1) : nullptr;
    const PathGeometry prevGeometry = prev ? prev->geometry : PathGeometry{};
    const PathGeometry nextGeometry = entry.geometry;
    AxisVector endmove{};
    AxisVector endmoveBuffer{};
    for (int i = 0; i < entry.axisCount; ++i) {
        endmove[i] = m_axes[entry.axes[i]].status.endmove;
        endmoveBuffer[i] = m_axes[entry.axes[i]].status.endmoveBuffer;
    }
    BufferEntry blend;
    if (!prepareCornerBlend(entry, blend))
        return push(entry);
    // Room for both entries was checked before anything changed.
    if (const MotionResult r = push(blend); r != MotionResult::Ok)
        return r;
    if (const MotionResult r = push(entry); r != MotionResult::Ok)
        return r;
    if (runningPathCanKeepUp(lead))
        return MotionResult::Ok;
    // Too late for this corner: take both entries out and queue the line as it came.
    a.owned.truncate(ownedBefore);
    for (int i = 0; i < entry.axisCount; ++i) {
        Axis& m = m_axes[entry.axes[i]];
        m.refs.truncate(m.refs.size() - 2);
        m.status.endmove = endmove[i];
        m.status.endmoveBuffer = endmoveBuffer[i];
    }
    a.owned.at(ownedBefore - 1).geometry = prevGeometry;
    entry.geometry = nextGeometry;
    return push(entry);
}

bool MotionEngine::runningPathCanKeepUp(int lead) const
{
    const Axis& a = m_axes[lead];
    const Activity& act = a.activity;
    if (!act.active || a.owned.empty() || a.owned.front().kind != EntryKind::Path)
        return true;
    const BufferEntry& running = a.owned.front();
    const double end = junctionSpeed(lead);
    if (act.speed <= end)
        return true;
    const ProfileLimits l = limitsFor(running);
    const double room = entryLength(running) - act.s;
    return SpeedProfile::rampDistance(act.speed, end, l.decel, l.srampSeconds) <= room + 1e-12;
}

bool MotionEngine::prepareCornerBlend(BufferEntry& next, BufferEntry& blend)
{
    const int lead = next.axes[0];
    Axis& a = m_axes[lead];
    const AxisParameters& p = a.params;
    if (!p.merge || !(p.cornerMode & kChamferBit) || !(p.zsmooth > 0) || a.owned.empty())
        return false;
    BufferEntry& prev = a.owned.at(a.owned.size() - 1);
    if (prev.kind != EntryKind::Path || prev.cornerBlend || prev.geometry.isArc() ||
        next.geometry.isArc() || prev.axisCount != next.axisCount)
        return false;
    const bool prevRunning = a.activity.active && a.owned.size() == 1;
    if (prevRunning && (a.activity.stopping || a.activity.paused))
        return false;
    for (int i = 0; i < next.axisCount; ++i) {
        if (prev.axes[i] != next.axes[i])
            return false;
        // The two lines follow one another on every axis, and both entries fit.
        const Axis& m = m_axes[next.axes[i]];
        if (m.refs.empty() || m.refs.at(m.refs.size() - 1).id != prev.id ||
            m.refs.size() + 2 > kBufferDepth)
            return false;
    }
    const int n = next.axisCount;
    double distance = std::min({p.zsmooth, prev.geometry.length() / 2, next.geometry.length() / 2});
    if (prevRunning) {
        // The running line must keep the room to brake before its new end.
        const double braking =
            SpeedProfile::rampDistance(a.activity.speed, 0, decelOf(lead), p.sramp / 1000);
        distance = std::min(distance, prev.geometry.length() - a.activity.s - braking);
    }
    if (!(distance > kShortestChamfer))
        return false;
    const AxisVector corner = prev.geometry.endPoint();
    const AxisVector inDir = prev.geometry.endDirection();
    const AxisVector outDir = next.geometry.startDirection();
    PathGeometry arc;
    if (!PathGeometry::cornerBlend(n, corner, inDir, outDir, distance, arc))
        return false;
    // One speed along the arc, at which its curvature asks for no more than ACCEL and
    // DECEL allow.
    const double rate = std::min(p.accel, decelOf(lead));
    const double cap = std::sqrt(std::max(0.0, rate) * arc.radius());
    if (!(cap > 0))
        return false;

    AxisVector prevStart{};
    prev.geometry.positionAt(0, prevStart);
    AxisVector prevEnd{};
    AxisVector nextStart{};
    for (int i = 0; i < n; ++i) {
        prevEnd[i] = corner[i] - distance * inDir[i];
        nextStart[i] = corner[i] + distance * outDir[i];
    }
    prev.geometry = PathGeometry::lineTo(n, prevStart, prevEnd);
    next.geometry = PathGeometry::lineTo(n, nextStart, next.geometry.endPoint());
    if (prevRunning) {
        a.activity.replan = true;
        for (int i = 0; i < n; ++i)
            m_axes[prev.axes[i]].status.endmove = prevEnd[i];
    }
    blend = BufferEntry{};
    blend.kind = EntryKind::Path;
    blend.mtype = next.mtype;
    blend.bufferType = BufferType::Line;
    blend.axisCount = n;
    blend.axes = next.axes;
    blend.geometry = arc;
    blend.absolute = true;
    blend.cornerBlend = true;
    blend.speed = next.speed;
    blend.speedCap = cap;
    return true;
}

} // namespace korvan::motion
