#pragma once
// Geometry of one buffered path move: a straight line over up to kMaxPathAxes axes, a
// circular arc in the plane or in space through a middle point, or an elliptic arc of the
// first two axes, with further axes moving linearly alongside (helical motion). Positions
// are evaluated by path length s.

#include "controller/motion/ellipse_arc.h"
#include "controller/motion/motion_types.h"

#include <array>
#include <cstdint>

namespace korvan::motion {

inline constexpr int kMaxPathAxes = 6;
// Turn angle (radians) under which two directions count as running straight on, and
// within which of a half turn they count as turning straight back.
inline constexpr double kStraightOn = 1e-6;

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

    // An elliptic arc of the first two axes round centre (offset from start) with
    // semi-axes a and b along them; an end of 0,0 is a whole turn. Axes beyond the first
    // two move linearly by their end values.
    static MotionResult ellipse(int axisCount, const AxisVector& start, const AxisVector& end,
                                double centre0, double centre1, double a, double b, bool clockwise,
                                PathGeometry& out);
    // The rounded corner between two lines meeting at corner: an arc tangent to the
    // incoming direction at corner - distance * inDir and to the outgoing one at
    // corner + distance * outDir. False when the lines run straight on or turn back.
    static bool cornerBlend(int axisCount, const AxisVector& corner, const AxisVector& inDir,
                            const AxisVector& outDir, double distance, PathGeometry& out);

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
    // True for every curved path (circular and elliptic arcs).
    bool isArc() const { return m_shape != Shape::Line; }
    // Radius of a circular arc; the smallest radius of curvature of an ellipse.
    double radius() const { return m_radius; }

private:
    enum class Shape : std::uint8_t
    {
        Line,
        Arc,
        Ellipse,
    };

    // Length of the curved part alone, without the axes moving linearly beside it.
    double curveLength() const;

    int m_axes = 0;
    Shape m_shape = Shape::Line;
    int m_planeAxes = 0;
    double m_length = 0;
    AxisVector m_start{};
    AxisVector m_end{};
    AxisVector m_delta{};
    AxisVector m_startDir{};
    AxisVector m_endDir{};
    // Arc: centre, radius, orthonormal basis u, v of its plane (a corner blend's plane may
    // span every axis of the move), sweep angle. Ellipse: centre and the elliptic arc.
    AxisVector m_centre{};
    AxisVector m_u{};
    AxisVector m_v{};
    double m_radius = 0;
    double m_sweep = 0;
    EllipseArc m_ellipse;
};

} // namespace korvan::motion
