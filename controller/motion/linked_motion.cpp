// Linked motion: CAM runs a TABLE profile over a distance of its own, CAMBOX the same
// profile over a distance of a master's movement, MOVELINK a move with ramps over a
// distance of a master's movement, CONNPATH follows the path length a master's
// interpolated moves cover, and CONNECT a master's demand position. Masters are read as
// they stand when the slave's turn in the tick comes, so a master with a higher axis
// number is seen one tick late, as on a controller that updates its axes in order.
#include "controller/motion/motion_engine.h"

#include <algorithm>
#include <cmath>

namespace korvan::motion {

namespace {
// An entry of the slave axis, linked to a master (none for CAM).
BufferEntry linkedEntry(int axis, EntryKind kind, MoveType type, int master = -1, int options = 0,
                        double linkPosition = 0)
{
    BufferEntry e;
    e.kind = kind;
    e.mtype = type;
    e.bufferType = BufferType::Line;
    e.axisCount = 1;
    e.axes[0] = axis;
    e.link.master = master;
    e.link.options = options;
    e.link.linkPosition = linkPosition;
    return e;
}

bool finite(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}
} // namespace

MotionResult MotionEngine::checkLink(int axis, int master, int options) const
{
    const int base[1] = {axis};
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (!validAxis(master))
        return MotionResult::BadAxis;
    if (master == axis || options < 0 || (options & ~link_options::All))
        return MotionResult::BadArgument;
    return MotionResult::Ok;
}

MotionResult MotionEngine::checkTableRange(int first, int last) const
{
    const int size = m_host ? m_host->tableSize() : 0;
    if (first < 0 || last < 0 || first >= size || last >= size || first == last)
        return MotionResult::BadArgument;
    return MotionResult::Ok;
}

double MotionEngine::tableProfile(const LinkSpec& link, double p) const
{
    const int span = std::abs(link.last - link.first);
    const int step = link.last > link.first ? 1 : -1;
    const double x = std::clamp(p, 0.0, 1.0) * span;
    const int i = static_cast<int>(std::floor(x));
    if (i >= span)
        return m_host->tableValue(link.last);
    const int index = link.first + step * i;
    const double here = m_host->tableValue(index);
    return here + (x - i) * (m_host->tableValue(index + step) - here);
}

double MotionEngine::linkedTravel(const BufferEntry& entry, double p) const
{
    const LinkSpec& link = entry.link;
    if (entry.kind != EntryKind::MoveLink)
        return link.scale * (tableProfile(link, p) - m_host->tableValue(link.first));
    if (p >= 1)
        return link.scale;
    // The slave's speed ratio rises linearly over the first accelDistance of the master's
    // movement, holds, and falls linearly over the last decelDistance; its integral
    // over the whole link distance is the slave's distance.
    const double total = std::abs(link.distance);
    const double up = link.accelDistance;
    const double down = link.decelDistance;
    const double ratio = link.scale / (total - (up + down) / 2);
    const double m = std::max(0.0, p) * total;
    if (m < up)
        return ratio * m * m / (2 * up);
    if (m <= total - down)
        return ratio * (m - up / 2);
    const double left = total - m;
    return link.scale - ratio * left * left / (2 * down);
}

MotionResult MotionEngine::cam(int axis, int first, int last, double multiplier, double distance)
{
    const int base[1] = {axis};
    if (const auto r = checkBase(base); r != MotionResult::Ok)
        return r;
    if (const auto r = checkTableRange(first, last); r != MotionResult::Ok)
        return r;
    if (!finite({multiplier, distance}) || !(distance > 0))
        return MotionResult::BadArgument;
    BufferEntry e = linkedEntry(axis, EntryKind::Cam, MoveType::Cam);
    e.link.first = first;
    e.link.last = last;
    e.link.scale = multiplier;
    e.link.distance = distance;
    e.link.travel = linkedTravel(e, 1);
    return push(e);
}

MotionResult MotionEngine::camBox(int axis, int first, int last, double multiplier,
                                  double linkDistance, int master, int options, double linkPosition)
{
    if (const auto r = checkLink(axis, master, options); r != MotionResult::Ok)
        return r;
    if (const auto r = checkTableRange(first, last); r != MotionResult::Ok)
        return r;
    if (!finite({multiplier, linkDistance, linkPosition}) || linkDistance == 0)
        return MotionResult::BadArgument;
    BufferEntry e =
        linkedEntry(axis, EntryKind::CamBox, MoveType::CamBox, master, options, linkPosition);
    e.link.first = first;
    e.link.last = last;
    e.link.scale = multiplier;
    e.link.distance = linkDistance;
    e.link.travel = linkedTravel(e, 1);
    return push(e);
}

MotionResult MotionEngine::moveLink(int axis, double distance, double linkDistance,
                                    double accelDistance, double decelDistance, int master,
                                    int options, double linkPosition)
{
    if (const auto r = checkLink(axis, master, options); r != MotionResult::Ok)
        return r;
    if (!finite({distance, linkDistance, accelDistance, decelDistance, linkPosition}) ||
        linkDistance == 0 || accelDistance < 0 || decelDistance < 0 ||
        accelDistance + decelDistance > std::abs(linkDistance))
        return MotionResult::BadArgument;
    BufferEntry e =
        linkedEntry(axis, EntryKind::MoveLink, MoveType::MoveLink, master, options, linkPosition);
    e.link.scale = distance;
    e.link.distance = linkDistance;
    e.link.accelDistance = accelDistance;
    e.link.decelDistance = decelDistance;
    e.link.travel = distance;
    return push(e);
}

MotionResult MotionEngine::connPath(int axis, double ratio, int master)
{
    if (const auto r = checkLink(axis, master, 0); r != MotionResult::Ok)
        return r;
    if (!std::isfinite(ratio))
        return MotionResult::BadArgument;
    BufferEntry e = linkedEntry(axis, EntryKind::ConnPath, MoveType::ConnPath, master);
    e.link.scale = ratio;
    return push(e);
}

double MotionEngine::linkTarget(int lead, BufferEntry& e, bool& complete)
{
    Axis& a = m_axes[lead];
    Activity& act = a.activity;
    complete = false;
    const Axis& m = m_axes[e.kind == EntryKind::Connect ? e.number : e.link.master];
    const double master = e.kind == EntryKind::ConnPath ? m.pathTravelled : m.status.dpos;
    const double previous = act.elapsed;
    act.elapsed = master;
    if (e.kind == EntryKind::Connect || e.kind == EntryKind::ConnPath)
        return a.status.dpos +
               (e.kind == EntryKind::Connect ? e.value : e.link.scale) * (master - previous);
    const LinkSpec& link = e.link;
    if (act.waiting) {
        // Starts when the master reaches the link position, moving the way of the link.
        const double at = link.linkPosition;
        const bool reached =
            link.distance > 0 ? previous <= at && master >= at : previous >= at && master <= at;
        if (!reached)
            return a.status.dpos;
        act.waiting = false;
        act.linkStart = at;
    }
    double p = (master - act.linkStart) / link.distance;
    if (p >= 1 && (link.options & link_options::Repeat)) {
        // Every run completed starts the next from where it ended.
        const double runs = std::floor(p);
        act.origin += runs * linkedTravel(e, 1);
        act.linkStart += runs * link.distance;
        p -= runs;
    }
    complete = p >= 1;
    return act.origin + linkedTravel(e, p);
}

void MotionEngine::advanceLinked(int lead, BufferEntry& e)
{
    Axis& a = m_axes[lead];
    Activity& act = a.activity;
    const double before = a.status.dpos;
    bool complete = false;
    const double target = linkTarget(lead, e, complete);
    if (!act.stopping) {
        a.status.dpos = target;
        act.speed = (target - before) / m_period;
        if (complete) {
            finish(lead);
            a.activity.speed = 0;
        }
        return;
    }
    // Cancelled: the slave leaves the master and ramps down from its own speed, unless
    // following the master would slow it down sooner.
    const double v0 = act.speed;
    const double dv = act.stopRate * m_period;
    const double v1 = v0 > 0 ? std::max(0.0, v0 - dv) : std::min(0.0, v0 + dv);
    const double ramp = (v0 + v1) / 2 * m_period;
    const double follow = target - before;
    const bool followSlower = std::abs(follow) <= std::abs(ramp) && follow * ramp >= 0;
    a.status.dpos += followSlower ? follow : ramp;
    act.speed = followSlower ? follow / m_period : v1;
    if (act.speed == 0 || (complete && followSlower)) {
        finish(lead);
        a.activity.speed = 0;
    }
}

} // namespace korvan::motion
