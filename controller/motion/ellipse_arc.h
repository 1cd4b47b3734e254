#pragma once
// An arc of an ellipse whose semi-axes lie along the first two axes of a move, evaluated
// by arc length. The arc length of an ellipse has no closed form, so the arc keeps a
// small table of lengths at fixed parameter steps and solves within one step.

#include "controller/motion/motion_types.h"

#include <array>

namespace korvan::motion {

class EllipseArc
{
public:
    using Point = std::array<double, 2>;

    // An arc round the centre from start to end (both relative to the centre) on the
    // ellipse with semi-axes a (first axis) and b (second axis); fullTurn goes once round
    // back to the start. Points may lie off the ellipse by a rounding error; the arc then
    // scales smoothly from the start's to the end's so both are met exactly. Points
    // plainly off the ellipse give OffEllipse, bad numbers BadArgument.
    static MotionResult make(const Point& start, const Point& end, double a, double b,
                             bool clockwise, bool fullTurn, EllipseArc& out);

    double length() const { return m_cumulative[kIntervals]; }
    // Point relative to the centre at arc length s (0..length()). A move asks for a point
    // a little further on every tick, so the last point solved is kept as the start of
    // the next search.
    Point pointAt(double s) const;
    // Unit tangent at the start and at the end.
    Point startDirection() const { return unit(derivative(0)); }
    Point endDirection() const { return unit(derivative(1)); }
    // Smallest radius of curvature along the ellipse.
    double minRadius() const;

private:
    static constexpr int kIntervals = 32;
    // Quadrature pieces per table step: short enough for flat ellipses, whose speed
    // along the parameter changes sharply near the ends of the long axis.
    static constexpr int kPieces = 32;

    Point pointAtParameter(double u) const;
    Point derivative(double u) const;
    double speed(double u) const;
    // Length between parameters u0 and u1 by Gauss-Legendre quadrature over pieces no
    // longer than a table step's kPieces-th part.
    double lengthBetween(double u0, double u1) const;
    static Point unit(const Point& p);

    double m_a = 0;
    double m_b = 0;
    double m_t0 = 0;    // parameter angle of the start
    double m_sweep = 0; // signed parameter angle covered
    double m_rho0 = 1;  // radial scale at the start and at the end
    double m_rho1 = 1;
    std::array<double, kIntervals + 1> m_cumulative{};
    mutable double m_lastS = -1; // the last point solved, by length and parameter
    mutable double m_lastU = 0;
};

} // namespace korvan::motion
