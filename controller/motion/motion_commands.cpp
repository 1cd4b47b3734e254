// Command entry points of the motion engine: checks, then queueing into the buffers.
#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <cmath>

namespace korvan::motion {

namespace {
bool isBusAxis(const AxisParameters& p)
{
    return p.atype >= 50;
}
} // namespace

MotionEngine::MotionEngine(int axisCount, double periodSeconds, MotionHost* host)
    : m_axes(static_cast<std::size_t>(std::max(1, axisCount))), m_wireLevel(kSensorInputs, 0),
      m_wireStamp(kSensorInputs, 0), m_period(periodSeconds), m_host(host)
{}

MotionResult MotionEngine::checkBase(std::span<const int> base) const
{
    if (base.empty() || base.size() > static_cast<std::size_t>(kMaxPathAxes))
        return MotionResult::BadArgument;
    for (std::size_t i = 0; i < base.size(); ++i) {
        if (!validAxis(base[i]))
            return MotionResult::BadAxis;
        for (std::size_t j = 0; j < i; ++j)
            if (base[j] == base[i])
                return MotionResult::BadArgument;
        if (!busAxisReady(base[i]))
            return MotionResult::AxisDisabled;
    }
    return MotionResult::Ok;
}

bool MotionEngine::busAxisReady(int axis) const
{
    const Axis& a = m_axes[axis];
    if (!isBusAxis(a.params))
        return true;
    return a.status.enabled != 0 && (!m_host || m_host->driveCanFollow(axis));
}

void MotionEngine::stopUnfollowedDrives()
{
    if (!m_host)
        return;
    for (int axis = 0; axis < axisCount(); ++axis) {
        const Axis& a = m_axes[axis];
        if (isBusAxis(a.params) && !a.refs.empty() && !m_host->driveCanFollow(axis))
            dropBuffered(axis, true);
    }
}

double MotionEngine::queuedEnd(int axis) const
{
    const Axis& a = m_axes[axis];
    return a.refs.empty() ? a.status.dpos : a.status.endmoveBuffer;
}

MotionResult MotionEngine::push(BufferEntry& entry)
{
    for (int i = 0; i < entry.axisCount; ++i)
        if (m_axes[entry.axes[i]].refs.full())
            return MotionResult::BufferFull;
    const int lead = entry.axes[0];
    Axis& leadAxis = m_axes[lead];
    entry.id = m_nextId++;
    entry.mark = leadAxis.params.moveMark;
    // A single CAM, CAMBOX or MOVELINK ends a known distance from where it starts.
    const bool knownTravel =
        entry.kind == EntryKind::Cam ||
        ((entry.kind == EntryKind::CamBox || entry.kind == EntryKind::MoveLink) &&
         !(entry.link.options & link_options::Repeat));
    for (int i = 0; i < entry.axisCount; ++i) {
        Axis& a = m_axes[entry.axes[i]];
        const double queuedStart = queuedEnd(entry.axes[i]);
        a.refs.push({entry.id, lead});
        a.status.idle = 0; // busy from the moment it is queued, not from the next tick
        if (entry.kind == EntryKind::Path)
            a.status.endmoveBuffer = entry.geometry.endPoint()[i];
        else if (knownTravel)
            a.status.endmoveBuffer = queuedStart + entry.link.travel;
        else if (a.refs.size() == 1)
            a.status.endmoveBuffer = a.status.dpos;
    }
    leadAxis.owned.push(entry);
    // The running path planned its end for what was queued then; with MERGE it may now
    // run on into the moves queued since.
    Activity& act = leadAxis.activity;
    if (act.active && !act.stopping && leadAxis.params.merge &&
        leadAxis.owned.front().kind == EntryKind::Path)
        act.replan = true;
    return MotionResult::Ok;
}

MotionResult MotionEngine::queuePath(std::span<const int> base, const AxisVector& target,
                                     MoveType type, bool absolute, bool sp)
{
    BufferEntry e;
    e.kind = EntryKind::Path;
    e.mtype = type;
    e.bufferType = BufferType::Line;
    e.axisCount = static_cast<int>(base.size());
    e.absolute = absolute;
    AxisVector start{};
    AxisVector delta{};
    for (int i = 0; i < e.axisCount; ++i) {
        e.axes[i] = base[i];
        start[i] = queuedEnd(base[i]);
        delta[i] = absolute ? target[i] - start[i] : target[i];
        if (!std::isfinite(delta[i]))
            return MotionResult::BadArgument;
    }
    e.geometry = absolute ? PathGeometry::lineTo(e.axisCount, start, target)
                          : PathGeometry::line(e.axisCount, start, delta);
    if (sp) {
        const AxisParameters& p = m_axes[base[0]].params;
        e.speed = p.forceSpeed;
        e.startSpeed = p.startMoveSpeed;
        e.endSpeed = p.endMoveSpeed;
    }
    return pushLine(e);
}

namespace {
AxisVector toVector(std::span<const double> values)
{
    AxisVector v{};
    for (std::size_t i = 0; i < values.size() && i < v.size(); ++i)
        v[i] = values[i];
    return v;
}
} // namespace

MotionResult MotionEngine::move(std::span<const int> base, std::span<const double> distances)
{
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (distances.size() != base.size())
        return MotionResult::BadArgument;
    return queuePath(base, toVector(distances), MoveType::Move, false, false);
}

MotionResult MotionEngine::moveAbs(std::span<const int> base, std::span<const double> positions)
{
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (positions.size() != base.size())
        return MotionResult::BadArgument;
    return queuePath(base, toVector(positions), MoveType::MoveAbs, true, false);
}

MotionResult MotionEngine::moveSp(std::span<const int> base, std::span<const double> distances)
{
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (distances.size() != base.size())
        return MotionResult::BadArgument;
    return queuePath(base, toVector(distances), MoveType::MoveSp, false, true);
}

MotionResult MotionEngine::moveAbsSp(std::span<const int> base, std::span<const double> positions)
{
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (positions.size() != base.size())
        return MotionResult::BadArgument;
    return queuePath(base, toVector(positions), MoveType::MoveAbsSp, true, true);
}

MotionResult MotionEngine::moveModify(int axis, double position)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    if (!std::isfinite(position))
        return MotionResult::BadArgument;
    Axis& a = m_axes[axis];
    if (a.owned.empty() || !a.activity.active) {
        // Nothing to modify: move there instead of jumping the demand position.
        const int base[1] = {axis};
        const double target[1] = {position};
        return moveAbs(base, target);
    }
    BufferEntry& e = a.owned.front();
    if (e.kind != EntryKind::Path || e.axisCount != 1 || e.geometry.isArc())
        return MotionResult::BadArgument;
    // Re-plan from the current position and speed towards the new end.
    AxisVector start{};
    start[0] = a.status.dpos;
    AxisVector delta{};
    delta[0] = position - start[0];
    const double dir = e.geometry.startDirection()[0];
    if (delta[0] * dir < 0 && a.activity.speed > 0) {
        // Reversal: stop first, the rest becomes a new move.
        beginStop(axis, decelOf(axis));
        dropBuffered(axis, false);
        const int keep[1] = {axis};
        const double target[1] = {position};
        return moveAbs(keep, target);
    }
    AxisVector end{};
    end[0] = position;
    e.geometry = PathGeometry::lineTo(1, start, end);
    e.absolute = true;
    e.mtype = MoveType::MoveModify;
    a.activity.s = 0;
    a.activity.t = 0;
    a.activity.offset = 0;
    a.activity.replan = false;
    a.activity.profile = SpeedProfile::plan(e.geometry.length(), a.activity.speed, 0, limitsFor(e));
    a.status.endmoveBuffer = position;
    return MotionResult::Ok;
}

MotionResult MotionEngine::vmove(int axis, int direction)
{
    const int base[1] = {axis};
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (direction == 0)
        return MotionResult::BadArgument;
    const std::uint32_t bits = m_axes[axis].status.axisStatus;
    if ((direction > 0 && (bits & (status_bits::FwdHardLimit | status_bits::FwdSoftLimit))) ||
        (direction < 0 && (bits & (status_bits::RevHardLimit | status_bits::RevSoftLimit))))
        return MotionResult::LimitActive;
    // A VMOVE replaces a running VMOVE of the axis.
    Axis& a = m_axes[axis];
    if (!a.owned.empty() && a.activity.active && a.owned.front().kind == EntryKind::Velocity) {
        a.owned.front().direction = direction > 0 ? 1 : -1;
        a.owned.front().mtype = direction > 0 ? MoveType::VmoveForward : MoveType::VmoveReverse;
        a.activity.stopping = false;
        return MotionResult::Ok;
    }
    BufferEntry e;
    e.kind = EntryKind::Velocity;
    e.mtype = direction > 0 ? MoveType::VmoveForward : MoveType::VmoveReverse;
    e.direction = direction > 0 ? 1 : -1;
    e.axisCount = 1;
    e.axes[0] = axis;
    return push(e);
}

MotionResult MotionEngine::queueArc(std::span<const int> base, PathGeometry geometry, MoveType type,
                                    bool sp)
{
    BufferEntry e;
    e.kind = EntryKind::Path;
    e.mtype = type;
    e.bufferType = BufferType::Arc;
    e.axisCount = static_cast<int>(base.size());
    for (int i = 0; i < e.axisCount; ++i)
        e.axes[i] = base[i];
    e.geometry = geometry;
    if (sp) {
        const AxisParameters& p = m_axes[base[0]].params;
        e.speed = p.forceSpeed;
        e.startSpeed = p.startMoveSpeed;
        e.endSpeed = p.endMoveSpeed;
    }
    return push(e);
}

MotionResult MotionEngine::moveCirc(std::span<const int> base, double end0, double end1,
                                    double centre0, double centre1, int direction, bool absolute,
                                    bool sp)
{
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (base.size() < 2)
        return MotionResult::BadArgument;
    AxisVector start{};
    for (std::size_t i = 0; i < base.size(); ++i)
        start[i] = queuedEnd(base[i]);
    AxisVector end{};
    end[0] = absolute ? end0 - start[0] : end0;
    end[1] = absolute ? end1 - start[1] : end1;
    const double c0 = absolute ? centre0 - start[0] : centre0;
    const double c1 = absolute ? centre1 - start[1] : centre1;
    PathGeometry g;
    if (const auto r = PathGeometry::arcCentre(static_cast<int>(base.size()), start, end, c0, c1,
                                               direction == 1, g);
        r != MotionResult::Ok)
        return r;
    return queueArc(base, g, MoveType::Circ, sp);
}

MotionResult MotionEngine::moveCirc2(std::span<const int> base, double mid0, double mid1,
                                     double end0, double end1, bool absolute, bool sp)
{
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (base.size() < 2)
        return MotionResult::BadArgument;
    AxisVector start{};
    for (std::size_t i = 0; i < base.size(); ++i)
        start[i] = queuedEnd(base[i]);
    AxisVector mid{};
    AxisVector end{};
    mid[0] = absolute ? mid0 - start[0] : mid0;
    mid[1] = absolute ? mid1 - start[1] : mid1;
    end[0] = absolute ? end0 - start[0] : end0;
    end[1] = absolute ? end1 - start[1] : end1;
    PathGeometry g;
    const bool full = std::abs(end[0]) < 1e-12 && std::abs(end[1]) < 1e-12;
    if (full)
        return MotionResult::BadArc;
    if (const auto r = PathGeometry::arcThrough(2, 2, start, mid, end, false, g);
        r != MotionResult::Ok)
        return r;
    return queueArc(base.first(2), g, MoveType::Circ, sp);
}

AxisVector MotionEngine::queuedStart(std::span<const int> base) const
{
    AxisVector start{};
    for (std::size_t i = 0; i < base.size() && i < start.size(); ++i)
        start[i] = queuedEnd(base[i]);
    return start;
}

MotionResult MotionEngine::checkHelical(std::span<const int> base, int mode) const
{
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    return base.size() < 3 || (mode != 0 && mode != 1) ? MotionResult::BadArgument
                                                       : MotionResult::Ok;
}

MotionResult MotionEngine::queueHelix(std::span<const int> base, PathGeometry geometry, int mode,
                                      bool sp)
{
    if (mode == 0)
        geometry.countLinearAxesInLength();
    return queueArc(base.first(3), geometry, MoveType::Helical, sp);
}

namespace {
// A coordinate as an offset from the start of the move.
double offsetOf(double value, double start, bool absolute)
{
    return absolute ? value - start : value;
}
} // namespace

MotionResult MotionEngine::mhelical(std::span<const int> base, double end0, double end1,
                                    double centre0, double centre1, int direction, double distance3,
                                    int mode, bool absolute, bool sp)
{
    if (const auto r = checkHelical(base, mode); r != MotionResult::Ok)
        return r;
    const AxisVector start = queuedStart(base.first(3));
    const AxisVector end{offsetOf(end0, start[0], absolute), offsetOf(end1, start[1], absolute),
                         offsetOf(distance3, start[2], absolute)};
    PathGeometry g;
    if (const auto r =
            PathGeometry::arcCentre(3, start, end, offsetOf(centre0, start[0], absolute),
                                    offsetOf(centre1, start[1], absolute), direction == 1, g);
        r != MotionResult::Ok)
        return r;
    return queueHelix(base, g, mode, sp);
}

MotionResult MotionEngine::mhelical2(std::span<const int> base, double mid0, double mid1,
                                     double end0, double end1, double distance3, int mode,
                                     bool absolute, bool sp)
{
    if (const auto r = checkHelical(base, mode); r != MotionResult::Ok)
        return r;
    const AxisVector start = queuedStart(base.first(3));
    const AxisVector mid{offsetOf(mid0, start[0], absolute), offsetOf(mid1, start[1], absolute)};
    const AxisVector end{offsetOf(end0, start[0], absolute), offsetOf(end1, start[1], absolute),
                         offsetOf(distance3, start[2], absolute)};
    PathGeometry g;
    if (const auto r = PathGeometry::arcThrough(3, 2, start, mid, end, false, g);
        r != MotionResult::Ok)
        return r;
    return queueHelix(base, g, mode, sp);
}

MotionResult MotionEngine::meclipse(std::span<const int> base, double end0, double end1,
                                    double centre0, double centre1, int direction, double a,
                                    double b, bool hasThird, double distance3, bool absolute,
                                    bool sp)
{
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    const std::size_t n = hasThird ? 3 : 2;
    if (base.size() < n)
        return MotionResult::BadArgument;
    const AxisVector start = queuedStart(base.first(n));
    AxisVector end{offsetOf(end0, start[0], absolute), offsetOf(end1, start[1], absolute)};
    if (hasThird)
        end[2] = offsetOf(distance3, start[2], absolute);
    PathGeometry g;
    if (const auto r = PathGeometry::ellipse(
            static_cast<int>(n), start, end, offsetOf(centre0, start[0], absolute),
            offsetOf(centre1, start[1], absolute), a, b, direction == 1, g);
        r != MotionResult::Ok)
        return r;
    // The path speed is the speed along the whole move, the third axis included.
    g.countLinearAxesInLength();
    return queueArc(base.first(n), g, MoveType::Ellipse, sp);
}

MotionResult MotionEngine::mspherical(std::span<const int> base, const std::array<double, 3>& end,
                                      const std::array<double, 3>& middle, int mode, double extra4,
                                      double extra5, bool sp)
{
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (base.size() < 2 || (mode != 0 && mode != 2))
        return MotionResult::BadArgument;
    // Two BASE axes, or a third with no travel in the arc, give a planar arc.
    const int n = static_cast<int>(base.size());
    const int plane = n >= 3 ? 3 : 2;
    AxisVector start{};
    AxisVector e{};
    AxisVector m{};
    for (int i = 0; i < n; ++i)
        start[i] = queuedEnd(base[i]);
    for (int i = 0; i < plane; ++i) {
        e[i] = end[i];
        m[i] = middle[i];
    }
    if (n > 3)
        e[3] = extra4;
    if (n > 4)
        e[4] = extra5;
    PathGeometry g;
    if (const auto r = PathGeometry::arcThrough(std::min(n, 5), plane, start, m, e, mode == 2, g);
        r != MotionResult::Ok)
        return r;
    return queueArc(base.first(std::min(n, 5)), g, MoveType::Spherical, sp);
}

MotionResult MotionEngine::cancel(int axis, int mode)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    if (mode < 0 || mode > 3)
        return MotionResult::BadArgument;
    Axis& a = m_axes[axis];
    // The entry the axis takes part in is led by the lead of its first reference.
    const int lead = a.refs.empty() ? axis : a.refs.front().lead;
    if (mode == 1) {
        dropBuffered(lead, false);
        return MotionResult::Ok;
    }
    if (mode != 0)
        dropBuffered(lead, false);
    if (m_axes[lead].activity.active)
        beginStop(lead, mode == 3 ? fastDecelOf(lead) : decelOf(lead));
    return MotionResult::Ok;
}

MotionResult MotionEngine::rapidStop(int mode)
{
    if (mode < 0 || mode > 3)
        return MotionResult::BadArgument;
    for (int i = 0; i < axisCount(); ++i) {
        dropBuffered(i, false);
        if (m_axes[i].activity.active)
            beginStop(i, fastDecelOf(i));
    }
    return MotionResult::Ok;
}

MotionResult MotionEngine::movePause(std::span<const int> base)
{
    if (base.empty() || !validAxis(base[0]))
        return MotionResult::BadAxis;
    Axis& a = m_axes[base[0]];
    a.activity.paused = true;
    return MotionResult::Ok;
}

MotionResult MotionEngine::moveResume(std::span<const int> base)
{
    if (base.empty() || !validAxis(base[0]))
        return MotionResult::BadAxis;
    m_axes[base[0]].activity.paused = false;
    return MotionResult::Ok;
}

MotionResult MotionEngine::defpos(std::span<const int> base, std::span<const double> positions)
{
    if (base.size() != positions.size() || base.empty())
        return MotionResult::BadArgument;
    for (const double p : positions)
        if (!std::isfinite(p))
            return MotionResult::BadArgument;
    for (std::size_t i = 0; i < base.size(); ++i) {
        if (!validAxis(base[i]))
            return MotionResult::BadAxis;
        Axis& a = m_axes[base[i]];
        const double shift = positions[i] - a.status.dpos;
        a.physicalOffset -= shift;
        a.status.dpos += shift;
        a.status.mpos += shift;
        a.status.endmoveBuffer += shift;
        a.prevDpos += shift;
        a.prevMpos += shift;
    }
    return MotionResult::Ok;
}

MotionResult MotionEngine::setDpos(int axis, double position)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    const int base[1] = {axis};
    const double pos[1] = {position};
    return defpos(base, pos);
}

MotionResult MotionEngine::setMpos(int axis, double position)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    Axis& a = m_axes[axis];
    // MPOS= moves the measured frame; the demand follows so that no move results.
    const double shift = position - a.status.mpos;
    a.physicalOffset -= shift;
    a.status.mpos += shift;
    a.prevMpos += shift;
    a.status.dpos += shift;
    a.prevDpos += shift;
    a.status.endmoveBuffer += shift;
    return MotionResult::Ok;
}

MotionResult MotionEngine::pswitch(int number, int enable, int axis, int output, int state,
                                   double pos1, double pos2)
{
    if (number < 0 || number >= kComparatorCount || !std::isfinite(pos1) || !std::isfinite(pos2))
        return MotionResult::BadArgument;
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    Comparator& c = m_comparators[number];
    if (c.driving && m_host)
        m_host->setOutput(c.output, !c.state);
    c = Comparator{};
    c.enabled = enable != 0;
    c.axis = axis;
    c.output = output;
    c.state = state != 0;
    c.low = std::min(pos1, pos2);
    c.high = std::max(pos1, pos2);
    return MotionResult::Ok;
}

MotionResult MotionEngine::connect(int axis, double ratio, int master)
{
    const int base[1] = {axis};
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (!validAxis(master))
        return MotionResult::BadAxis;
    if (master == axis || !std::isfinite(ratio))
        return MotionResult::BadArgument;
    BufferEntry e;
    e.kind = EntryKind::Connect;
    e.mtype = MoveType::Connect;
    e.axisCount = 1;
    e.axes[0] = axis;
    e.number = master;
    e.value = ratio;
    return push(e);
}

MotionResult MotionEngine::setAxisEnable(int axis, bool enable)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    Axis& a = m_axes[axis];
    a.status.enabled = enable ? 1 : 0;
    if (!enable && isBusAxis(a.params)) {
        // A drive switched off stops at once; its buffer is dropped.
        dropBuffered(axis, true);
    }
    return MotionResult::Ok;
}

MotionResult MotionEngine::driveClear(int axis)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    Axis& a = m_axes[axis];
    a.switches.driveAlarm = false;
    a.status.axisStatus &= ~(status_bits::DriveAlarm | status_bits::ServoAlarm |
                             status_bits::RemoteComms | status_bits::FollowingError);
    return MotionResult::Ok;
}

MotionResult MotionEngine::setStopReason(int axis, std::uint32_t value)
{
    if (!validAxis(axis))
        return MotionResult::BadAxis;
    m_axes[axis].status.stopReason = value;
    return MotionResult::Ok;
}

int MotionEngine::remainBuffer(int axis, int type) const
{
    if (!validAxis(axis))
        return -1;
    // No type (REMAIN_BUFFER() or REMAIN_BUFFER(0)) asks for room of any kind.
    if (type == 0)
        type = static_cast<int>(BufferType::Any);
    switch (static_cast<BufferType>(type)) {
    case BufferType::Any:
    case BufferType::Line:
    case BufferType::Output:
    case BufferType::Wait:
    case BufferType::Arc:
        break;
    default:
        return -1;
    }
    const Axis& a = m_axes[axis];
    // The executing move does not take a buffer place.
    int queued = a.refs.size();
    if (!a.refs.empty()) {
        const Axis& lead = m_axes[a.refs.front().lead];
        if (lead.activity.active && !lead.owned.empty() &&
            lead.owned.front().id == a.refs.front().id)
            --queued;
    }
    const int room = kBufferDepth - queued;
    // Arcs carry twice the data of a line.
    return static_cast<BufferType>(type) == BufferType::Arc ? room / 2 : room;
}

} // namespace korvan::motion
