#include "controller/motion/profile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvan::motion {

namespace {
constexpr int kBisectionSteps = 80;
constexpr double kPi = std::numbers::pi;
} // namespace

double SpeedProfile::rampTime(double v0, double v1, double rate, double srampSeconds)
{
    const double dv = std::abs(v1 - v0);
    if (dv <= 0 || rate <= 0)
        return 0;
    if (srampSeconds <= 0)
        return dv / rate;
    // A raised-cosine ramp peaks at pi/2 times the mean rate; stretch it so the peak
    // stays within the limit, and never make it shorter than linear ramp + S time.
    return std::max(dv / rate + srampSeconds, kPi / 2 * dv / rate);
}

double SpeedProfile::rampDistance(double v0, double v1, double rate, double srampSeconds)
{
    return (v0 + v1) / 2 * rampTime(v0, v1, rate, srampSeconds);
}

double SpeedProfile::reachableSpeed(double endSpeed, double length, double rate,
                                    double srampSeconds)
{
    const double u = std::max(0.0, endSpeed);
    if (length <= 0 || rate <= 0)
        return u;
    // Solves rampDistance(v, u) = length for v: the linear ramp gives
    // (v² - u²) / 2a = length; the shaped ramp takes the longer of (v - u) / a + S and
    // pi/2 (v - u) / a, so both distances must fit.
    if (srampSeconds <= 0)
        return std::sqrt(u * u + 2 * rate * length);
    const double aS = rate * srampSeconds;
    const double c = -u * u + aS * u - 2 * rate * length;
    const double withS = (-aS + std::sqrt(aS * aS - 4 * c)) / 2;
    const double shaped = std::sqrt(u * u + 4 * rate * length / kPi);
    return std::max(u, std::min(withS, shaped));
}

SpeedProfile SpeedProfile::plan(double length, double startSpeed, double endSpeed,
                                const ProfileLimits& limits)
{
    SpeedProfile p;
    p.m_length = std::max(0.0, length);
    p.m_shaped = limits.srampSeconds > 0;
    const double vmax = std::max(0.0, limits.speed);
    const double acc = limits.accel;
    const double dec = limits.decel;
    const double s = limits.srampSeconds;
    // A start above the cruise speed (SPEED lowered during a move) ramps down at decel.
    double v0 = std::max(0.0, startSpeed);
    double v1 = std::clamp(endSpeed, 0.0, vmax);
    if (p.m_length <= 0 || vmax <= 0) {
        p.m_start = p.m_peak = p.m_end = v0;
        return p;
    }
    auto firstRate = [&](double peak) { return v0 > peak ? dec : acc; };
    auto fits = [&](double peak) {
        return rampDistance(v0, peak, firstRate(peak), s) + rampDistance(peak, v1, dec, s) <=
               p.m_length;
    };
    if (!fits(std::max(v0, v1))) {
        // The length cannot take the speed change: lower the end speed when speeding up,
        // or end faster than asked when the start is too fast to stop in time.
        double lo = std::min(v0, v1);
        double hi = std::max(v0, v1);
        for (int i = 0; i < kBisectionSteps; ++i) {
            const double mid = (lo + hi) / 2;
            const double d =
                v1 > v0 ? rampDistance(v0, mid, acc, s) : rampDistance(v0, mid, dec, s);
            if (v1 > v0)
                (d <= p.m_length ? lo : hi) = mid;
            else
                (d <= p.m_length ? hi : lo) = mid;
        }
        v1 = v1 > v0 ? lo : hi;
        const bool up = v1 > v0;
        p.m_start = v0;
        p.m_end = v1;
        p.m_peak = up ? v1 : v0;
        // A single ramp whose mean speed covers the length exactly.
        const double t = 2 * p.m_length / (v0 + v1);
        (up ? p.m_rampUp : p.m_rampDown) = t;
        return p;
    }
    double peak = vmax;
    if (v0 > vmax && !fits(vmax)) {
        // Too short to settle at the new speed: one ramp from the start to the end.
        peak = v0;
    } else if (!fits(vmax)) {
        double lo = std::max(v0, v1);
        double hi = vmax;
        for (int i = 0; i < kBisectionSteps; ++i) {
            const double mid = (lo + hi) / 2;
            (fits(mid) ? lo : hi) = mid;
        }
        peak = lo;
    }
    p.m_start = v0;
    p.m_peak = peak;
    p.m_end = v1;
    p.m_rampUp = rampTime(v0, peak, firstRate(peak), s);
    p.m_rampDown = rampTime(peak, v1, dec, s);
    const double rampLength = (v0 + peak) / 2 * p.m_rampUp + (peak + v1) / 2 * p.m_rampDown;
    p.m_cruise = peak > 0 ? std::max(0.0, (p.m_length - rampLength) / peak) : 0;
    return p;
}

double SpeedProfile::rampPosition(double t, double v0, double v1, double duration) const
{
    if (duration <= 0)
        return 0;
    if (!m_shaped)
        return v0 * t + (v1 - v0) * t * t / (2 * duration);
    return v0 * t + (v1 - v0) / 2 * (t - duration / kPi * std::sin(kPi * t / duration));
}

double SpeedProfile::rampSpeed(double t, double v0, double v1, double duration) const
{
    if (duration <= 0)
        return v1;
    if (!m_shaped)
        return v0 + (v1 - v0) * t / duration;
    return v0 + (v1 - v0) / 2 * (1 - std::cos(kPi * t / duration));
}

double SpeedProfile::positionAt(double t) const
{
    if (t <= 0)
        return 0;
    if (t >= duration())
        return m_length;
    if (t < m_rampUp)
        return rampPosition(t, m_start, m_peak, m_rampUp);
    const double up = (m_start + m_peak) / 2 * m_rampUp;
    t -= m_rampUp;
    if (t < m_cruise)
        return up + m_peak * t;
    t -= m_cruise;
    const double s = up + m_peak * m_cruise + rampPosition(t, m_peak, m_end, m_rampDown);
    return std::min(s, m_length);
}

double SpeedProfile::speedAt(double t) const
{
    if (t >= duration())
        return m_end;
    if (t < m_rampUp)
        return rampSpeed(std::max(t, 0.0), m_start, m_peak, m_rampUp);
    t -= m_rampUp;
    if (t < m_cruise)
        return m_peak;
    return rampSpeed(t - m_cruise, m_peak, m_end, m_rampDown);
}

} // namespace korvan::motion
