#include "controller/motion/ellipse_arc.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvan::motion {

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
// How far (relative) a point may lie off the ellipse and still count as on it: the
// command texts carry six decimals.
constexpr double kOnEllipseTolerance = 1e-3;
constexpr int kSearchSteps = 60;

// Eight-point Gauss-Legendre rule on [-1, 1].
constexpr std::array<double, 4> kNodes{0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                       0.9602898564975363};
constexpr std::array<double, 4> kWeights{0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                                         0.1012285362903763};
} // namespace

MotionResult EllipseArc::make(const Point& start, const Point& end, double a, double b,
                              bool clockwise, bool fullTurn, EllipseArc& out)
{
    for (const double v : {start[0], start[1], end[0], end[1], a, b})
        if (!std::isfinite(v))
            return MotionResult::BadArgument;
    if (!(a > 0) || !(b > 0))
        return MotionResult::BadArgument;
    EllipseArc e;
    e.m_a = a;
    e.m_b = b;
    e.m_rho0 = std::hypot(start[0] / a, start[1] / b);
    e.m_rho1 = fullTurn ? e.m_rho0 : std::hypot(end[0] / a, end[1] / b);
    const double tolerance = kOnEllipseTolerance + 1e-6 / std::min(a, b);
    if (std::abs(e.m_rho0 - 1) > tolerance || std::abs(e.m_rho1 - 1) > tolerance)
        return MotionResult::OffEllipse;
    e.m_t0 = std::atan2(start[1] / b, start[0] / a);
    if (fullTurn) {
        e.m_sweep = clockwise ? -kTwoPi : kTwoPi;
    } else {
        double sweep = std::atan2(end[1] / b, end[0] / a) - e.m_t0;
        if (clockwise) {
            while (sweep >= 0)
                sweep -= kTwoPi;
            while (sweep < -kTwoPi)
                sweep += kTwoPi;
        } else {
            while (sweep <= 0)
                sweep += kTwoPi;
            while (sweep > kTwoPi)
                sweep -= kTwoPi;
        }
        e.m_sweep = sweep;
    }
    e.m_cumulative[0] = 0;
    for (int k = 0; k < kIntervals; ++k)
        e.m_cumulative[k + 1] =
            e.m_cumulative[k] + e.lengthBetween(double(k) / kIntervals, double(k + 1) / kIntervals);
    out = e;
    return MotionResult::Ok;
}

EllipseArc::Point EllipseArc::pointAtParameter(double u) const
{
    const double t = m_t0 + m_sweep * u;
    const double rho = m_rho0 + (m_rho1 - m_rho0) * u;
    return {rho * m_a * std::cos(t), rho * m_b * std::sin(t)};
}

EllipseArc::Point EllipseArc::derivative(double u) const
{
    const double t = m_t0 + m_sweep * u;
    const double rho = m_rho0 + (m_rho1 - m_rho0) * u;
    const double drho = m_rho1 - m_rho0;
    const double c = std::cos(t);
    const double s = std::sin(t);
    return {m_a * (drho * c - rho * s * m_sweep), m_b * (drho * s + rho * c * m_sweep)};
}

double EllipseArc::speed(double u) const
{
    const Point d = derivative(u);
    return std::hypot(d[0], d[1]);
}

double EllipseArc::lengthBetween(double u0, double u1) const
{
    constexpr double kLongestPiece = 1.0 / (kIntervals * kPieces);
    const int pieces =
        std::max(1, static_cast<int>(std::ceil(std::abs(u1 - u0) / kLongestPiece - 1e-9)));
    const double width = (u1 - u0) / pieces;
    double sum = 0;
    for (int p = 0; p < pieces; ++p) {
        const double mid = u0 + width * (p + 0.5);
        for (std::size_t i = 0; i < kNodes.size(); ++i)
            sum += kWeights[i] *
                   (speed(mid - width / 2 * kNodes[i]) + speed(mid + width / 2 * kNodes[i]));
    }
    return sum * width / 2;
}

EllipseArc::Point EllipseArc::pointAt(double s) const
{
    if (s <= 0)
        return pointAtParameter(0);
    if (s >= length())
        return pointAtParameter(1);
    // The table step holding s; the search starts at its beginning, or at the last point
    // solved when that lies between.
    const auto it = std::upper_bound(m_cumulative.begin(), m_cumulative.end(), s);
    const int k = std::clamp(static_cast<int>(it - m_cumulative.begin()) - 1, 0, kIntervals - 1);
    double u0 = double(k) / kIntervals;
    double s0 = m_cumulative[k];
    if (m_lastS >= s0 && m_lastS <= s) {
        u0 = m_lastU;
        s0 = m_lastS;
    }
    // Newton's method on the length from u0, kept inside a bracket that is halved
    // whenever a step would leave it.
    double lo = u0;
    double hi = double(k + 1) / kIntervals;
    const double wanted = s - s0;
    const double v0 = speed(u0);
    double u = std::clamp(v0 > 0 ? u0 + wanted / v0 : (lo + hi) / 2, lo, hi);
    const double tolerance = 1e-13 * (1 + length());
    for (int i = 0; i < kSearchSteps; ++i) {
        const double error = lengthBetween(u0, u) - wanted;
        if (std::abs(error) <= tolerance)
            break;
        (error < 0 ? lo : hi) = u;
        const double v = speed(u);
        const double next = v > 0 ? u - error / v : lo;
        u = next > lo && next < hi ? next : (lo + hi) / 2;
    }
    m_lastS = s;
    m_lastU = u;
    return pointAtParameter(u);
}

double EllipseArc::minRadius() const
{
    const double small = std::min(m_a, m_b);
    return std::min(m_rho0, m_rho1) * small * small / std::max(m_a, m_b);
}

EllipseArc::Point EllipseArc::unit(const Point& p)
{
    const double n = std::hypot(p[0], p[1]);
    return n > 0 ? Point{p[0] / n, p[1] / n} : p;
}

} // namespace korvan::motion
