#pragma once
// Geometry of one buffered path move: a straight line over up to kMaxPathAxes axes, or a
// circular arc in the plane or in space through a middle point, with further axes moving
// linearly alongside (helical motion). Positions are evaluated by path length s.

#include "controller/motion/motion_types.h"

#include <array>

namespace korvan::motion {

inline constexpr int kMaxPathAxes = 6;

using AxisVector = std::array<double, kMaxPathAxes>;

class PathGeometry
{
public:
    // A straight line from start by the given distances.
    static PathGeometry line(int axisCount, const AxisVector& start, const AxisVector& delta);
    // A straight line from start to an exact end point.
    static PathGeometry lineTo(int axisCount, const AxisVector& start, const AxisVector& end);
    // An arc from start through middle to end (offsets from start) on the first
    // planeAxes (2 or 3) axes; fullCircle continues through end back to the start.
    // Axes beyond the plane move linearly by extra distances.
    static MotionResult arcThrough(int axisCount, int planeAxes, const AxisVector& start,
                                   const AxisVector& middle, const AxisVector& end, bool fullCircle,
                                   PathGeometry& out);
    // A planar arc with its end and centre given as offsets from start;
    // clockwise selects the direction.
    static MotionResult arcCentre(int axisCount, const AxisVector& start, const AxisVector& end,
                                  double centre0, double centre1, bool clockwise,
                                  PathGeometry& out);

    // Makes the linear axes beside an arc count in its length, so that the path speed
    // is the speed along the helix rather than along the arc.
    void countLinearAxesInLength();

    // Translates the whole path along one axis (a superimposed move, ADDAX).
    void shift(int axisIndex, double distance);

    // Moves the path to a new start; an absolute line keeps its end point instead.
    void rebase(const AxisVector& start, bool keepLineEnd);

    // Position of every axis at path length s (exact end point at s >= length()).
    void positionAt(double s, AxisVector& out) const;
    double length() const { return m_length; }
    const AxisVector& endPoint() const { return m_end; }
    // Unit direction of travel at the start and at the end (for corner angles).
    const AxisVector& startDirection() const { return m_startDir; }
    const AxisVector& endDirection() const { return m_endDir; }
    bool isArc() const { return m_arc; }
    double radius() const { return m_radius; }

private:
    int m_axes = 0;
    bool m_arc = false;
    int m_planeAxes = 0;
    double m_length = 0;
    AxisVector m_start{};
    AxisVector m_end{};
    AxisVector m_delta{};
    AxisVector m_startDir{};
    AxisVector m_endDir{};
    // Arc: centre, radius, orthonormal basis u, v in the plane, sweep angle.
    std::array<double, 3> m_centre{};
    std::array<double, 3> m_u{};
    std::array<double, 3> m_v{};
    double m_radius = 0;
    double m_sweep = 0;
};

} // namespace korvan::motion
