#include "controller/motion/path_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvan::motion {

namespace {
using Vec3 = std::array<double, 3>;
constexpr double kTwoPi = 2 * std::numbers::pi;

Vec3 sub(const Vec3& a, const Vec3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec3 add(const Vec3& a, const Vec3& b)
{
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
Vec3 scale(const Vec3& a, double k)
{
    return {a[0] * k, a[1] * k, a[2] * k};
}
double dot(const Vec3& a, const Vec3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double norm(const Vec3& a)
{
    return std::sqrt(dot(a, a));
}

double angleOf(const Vec3& p, const Vec3& c, const Vec3& u, const Vec3& v)
{
    const Vec3 d = sub(p, c);
    double a = std::atan2(dot(d, v), dot(d, u));
    if (a < 0)
        a += kTwoPi;
    return a;
}

AxisVector widen(const Vec3& v)
{
    return {v[0], v[1], v[2]};
}

double dotN(const AxisVector& a, const AxisVector& b, int n)
{
    double sum = 0;
    for (int i = 0; i < n; ++i)
        sum += a[i] * b[i];
    return sum;
}

void normalise(AxisVector& v, int n)
{
    double sum = 0;
    for (int i = 0; i < n; ++i)
        sum += v[i] * v[i];
    const double len = std::sqrt(sum);
    if (len > 0)
        for (int i = 0; i < n; ++i)
            v[i] /= len;
}
} // namespace

PathGeometry PathGeometry::line(int axisCount, const AxisVector& start, const AxisVector& delta)
{
    PathGeometry g;
    g.m_axes = axisCount;
    g.m_start = start;
    g.m_delta = delta;
    double sum = 0;
    for (int i = 0; i < axisCount; ++i) {
        g.m_end[i] = start[i] + delta[i];
        sum += delta[i] * delta[i];
    }
    g.m_length = std::sqrt(sum);
    g.m_startDir = delta;
    normalise(g.m_startDir, axisCount);
    g.m_endDir = g.m_startDir;
    return g;
}

PathGeometry PathGeometry::lineTo(int axisCount, const AxisVector& start, const AxisVector& end)
{
    AxisVector delta{};
    for (int i = 0; i < axisCount; ++i)
        delta[i] = end[i] - start[i];
    PathGeometry g = line(axisCount, start, delta);
    g.m_end = end;
    return g;
}

MotionResult PathGeometry::arcThrough(int axisCount, int planeAxes, const AxisVector& start,
                                      const AxisVector& middle, const AxisVector& end,
                                      bool fullCircle, PathGeometry& out)
{
    if (planeAxes < 2 || planeAxes > 3 || axisCount < planeAxes)
        return MotionResult::BadArgument;
    for (int i = 0; i < axisCount; ++i)
        if (!std::isfinite(start[i]) || !std::isfinite(middle[i]) || !std::isfinite(end[i]))
            return MotionResult::BadArgument;
    PathGeometry g;
    g.m_axes = axisCount;
    g.m_shape = Shape::Arc;
    g.m_planeAxes = planeAxes;
    g.m_start = start;
    // Circumcentre of (0, a, b) with a = middle, b = end, relative to start.
    const Vec3 a{middle[0], middle[1], planeAxes == 3 ? middle[2] : 0};
    const Vec3 b{end[0], end[1], planeAxes == 3 ? end[2] : 0};
    Vec3 n = cross(a, b);
    const double n2 = dot(n, n);
    const double scaleRef = std::max(dot(a, a), dot(b, b));
    if (n2 <= 1e-18 * scaleRef * scaleRef || scaleRef <= 0)
        return MotionResult::BadArc;
    const Vec3 c = scale(cross(sub(scale(b, dot(a, a)), scale(a, dot(b, b))), n), 1 / (2 * n2));
    g.m_radius = norm(c);
    const Vec3 origin{0, 0, 0};
    const Vec3 u = scale(sub(origin, c), 1 / g.m_radius);
    n = scale(n, 1 / std::sqrt(n2));
    Vec3 v = cross(n, u);
    // Travel so that the middle point comes before the end point.
    double am = angleOf(a, c, u, v);
    double ae = angleOf(b, c, u, v);
    if (am > ae) {
        v = scale(v, -1);
        am = kTwoPi - am;
        ae = kTwoPi - ae;
    }
    g.m_u = widen(u);
    g.m_v = widen(v);
    g.m_sweep = fullCircle ? kTwoPi : ae;
    const Vec3 base{start[0], start[1], planeAxes == 3 ? start[2] : 0};
    g.m_centre = widen(add(base, c));
    g.m_length = g.m_radius * g.m_sweep;
    for (int i = 0; i < axisCount; ++i) {
        if (i < planeAxes)
            g.m_end[i] = fullCircle ? start[i] : start[i] + end[i];
        else {
            g.m_delta[i] = end[i];
            g.m_end[i] = start[i] + end[i];
        }
    }
    for (int i = 0; i < planeAxes; ++i) {
        g.m_startDir[i] = g.m_v[i];
        g.m_endDir[i] = -std::sin(g.m_sweep) * g.m_u[i] + std::cos(g.m_sweep) * g.m_v[i];
    }
    out = g;
    return MotionResult::Ok;
}

MotionResult PathGeometry::arcCentre(int axisCount, const AxisVector& start, const AxisVector& end,
                                     double centre0, double centre1, bool clockwise,
                                     PathGeometry& out)
{
    // Convert to a middle point on the requested side and reuse the three-point form.
    if (!std::isfinite(centre0) || !std::isfinite(centre1) || !std::isfinite(end[0]) ||
        !std::isfinite(end[1]))
        return MotionResult::BadArgument;
    const double r0 = std::hypot(centre0, centre1);
    if (r0 <= 0)
        return MotionResult::BadArc;
    const double a0 = std::atan2(-centre1, -centre0);
    const double a1 = std::atan2(end[1] - centre1, end[0] - centre0);
    double sweep = a1 - a0;
    if (clockwise) {
        while (sweep >= 0)
            sweep -= kTwoPi;
    } else {
        while (sweep <= 0)
            sweep += kTwoPi;
    }
    const bool full = std::abs(end[0]) < 1e-12 && std::abs(end[1]) < 1e-12;
    if (full)
        sweep = clockwise ? -kTwoPi : kTwoPi;
    AxisVector middle = end;
    const double am = a0 + sweep / (full ? 3 : 2);
    middle[0] = centre0 + r0 * std::cos(am);
    middle[1] = centre1 + r0 * std::sin(am);
    AxisVector target = end;
    if (full) {
        const double ae = a0 + 2 * sweep / 3;
        target[0] = centre0 + r0 * std::cos(ae);
        target[1] = centre1 + r0 * std::sin(ae);
    }
    return arcThrough(axisCount, 2, start, middle, target, full, out);
}

MotionResult PathGeometry::ellipse(int axisCount, const AxisVector& start, const AxisVector& end,
                                   double centre0, double centre1, double a, double b,
                                   bool clockwise, PathGeometry& out)
{
    if (axisCount < 2)
        return MotionResult::BadArgument;
    for (int i = 0; i < axisCount; ++i)
        if (!std::isfinite(start[i]) || !std::isfinite(end[i]))
            return MotionResult::BadArgument;
    const bool fullTurn = std::abs(end[0]) < 1e-12 && std::abs(end[1]) < 1e-12;
    PathGeometry g;
    if (const auto r = EllipseArc::make({-centre0, -centre1}, {end[0] - centre0, end[1] - centre1},
                                        a, b, clockwise, fullTurn, g.m_ellipse);
        r != MotionResult::Ok)
        return r;
    g.m_axes = axisCount;
    g.m_shape = Shape::Ellipse;
    g.m_planeAxes = 2;
    g.m_start = start;
    g.m_centre[0] = start[0] + centre0;
    g.m_centre[1] = start[1] + centre1;
    g.m_radius = g.m_ellipse.minRadius();
    g.m_length = g.m_ellipse.length();
    for (int i = 0; i < axisCount; ++i) {
        if (i >= 2)
            g.m_delta[i] = end[i];
        g.m_end[i] = start[i] + end[i];
    }
    const EllipseArc::Point first = g.m_ellipse.startDirection();
    const EllipseArc::Point last = g.m_ellipse.endDirection();
    g.m_startDir = {first[0], first[1]};
    g.m_endDir = {last[0], last[1]};
    out = g;
    return MotionResult::Ok;
}

bool PathGeometry::cornerBlend(int axisCount, const AxisVector& corner, const AxisVector& inDir,
                               const AxisVector& outDir, double distance, PathGeometry& out)
{
    // The turn angle between the two directions; straight or reversing corners get no
    // blend (the arc would be endless or have no radius).
    const double cosTurn = std::clamp(dotN(inDir, outDir, axisCount), -1.0, 1.0);
    const double turn = std::acos(cosTurn);
    if (!(distance > 0) || turn < kStraightOn || turn > std::numbers::pi - kStraightOn)
        return false;
    // Unit normal in the plane of both directions, pointing into the turn.
    AxisVector normal{};
    for (int i = 0; i < axisCount; ++i)
        normal[i] = outDir[i] - cosTurn * inDir[i];
    normalise(normal, axisCount);
    PathGeometry g;
    g.m_axes = axisCount;
    g.m_shape = Shape::Arc;
    g.m_planeAxes = axisCount;
    g.m_radius = distance / std::tan(turn / 2);
    g.m_sweep = turn;
    g.m_length = g.m_radius * turn;
    for (int i = 0; i < axisCount; ++i) {
        g.m_start[i] = corner[i] - distance * inDir[i];
        g.m_end[i] = corner[i] + distance * outDir[i];
        g.m_centre[i] = g.m_start[i] + g.m_radius * normal[i];
        g.m_u[i] = -normal[i];
        g.m_v[i] = inDir[i];
        g.m_delta[i] = g.m_end[i] - g.m_start[i];
    }
    g.m_startDir = inDir;
    g.m_endDir = outDir;
    out = g;
    return true;
}

double PathGeometry::curveLength() const
{
    return m_shape == Shape::Ellipse ? m_ellipse.length() : m_radius * m_sweep;
}

void PathGeometry::countLinearAxesInLength()
{
    if (!isArc())
        return;
    double sum = curveLength() * curveLength();
    for (int i = m_planeAxes; i < m_axes; ++i)
        sum += m_delta[i] * m_delta[i];
    m_length = std::sqrt(sum);
}

void PathGeometry::shift(int axisIndex, double distance)
{
    m_start[axisIndex] += distance;
    m_end[axisIndex] += distance;
    if (isArc() && axisIndex < m_planeAxes)
        m_centre[axisIndex] += distance;
}

void PathGeometry::rebase(const AxisVector& start, bool keepLineEnd)
{
    if (!isArc()) {
        if (keepLineEnd) {
            *this = lineTo(m_axes, start, m_end);
            return;
        }
        *this = line(m_axes, start, m_delta);
        return;
    }
    for (int i = 0; i < m_axes; ++i) {
        const double shift = start[i] - m_start[i];
        if (i < m_planeAxes)
            m_centre[i] += shift;
        m_end[i] += shift;
    }
    m_start = start;
}

void PathGeometry::positionAt(double s, AxisVector& out) const
{
    if (s >= m_length) {
        out = m_end;
        return;
    }
    const double f = m_length > 0 ? std::max(0.0, s) / m_length : 1;
    if (m_shape == Shape::Line) {
        for (int i = 0; i < m_axes; ++i)
            out[i] = m_start[i] + m_delta[i] * f;
        return;
    }
    if (m_shape == Shape::Ellipse) {
        const EllipseArc::Point p = m_ellipse.pointAt(m_ellipse.length() * f);
        out[0] = m_centre[0] + p[0];
        out[1] = m_centre[1] + p[1];
        for (int i = 2; i < m_axes; ++i)
            out[i] = m_start[i] + m_delta[i] * f;
        return;
    }
    const double angle = m_sweep * f;
    const double cu = m_radius * std::cos(angle);
    const double sv = m_radius * std::sin(angle);
    for (int i = 0; i < m_planeAxes; ++i)
        out[i] = m_centre[i] + cu * m_u[i] + sv * m_v[i];
    for (int i = m_planeAxes; i < m_axes; ++i)
        out[i] = m_start[i] + m_delta[i] * f;
}

} // namespace korvan::motion
