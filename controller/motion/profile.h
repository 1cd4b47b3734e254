#pragma once
// One-dimensional speed profile along a path length: ramp up, cruise, ramp down.
// Ramps are linear (trapezoid) or, with an S-curve time, raised-cosine shaped so that
// the acceleration starts and ends at zero and never exceeds the given limit.

namespace korvan::motion {

// Limits of one profile; speeds in units/s, accelerations in units/s², sramp in seconds.
struct ProfileLimits
{
    double speed = 100;      // cruise speed
    double accel = 1000;     // acceleration used while speeding up
    double decel = 1000;     // deceleration used while slowing down
    double srampSeconds = 0; // S-curve time added to each ramp; 0 = trapezoid
};

// A planned profile; evaluate with positionAt/speedAt, times in seconds from its start.
class SpeedProfile
{
public:
    // Plans a profile of the given length from startSpeed to endSpeed (both clamped
    // to what the length and limits allow).
    static SpeedProfile plan(double length, double startSpeed, double endSpeed,
                             const ProfileLimits& limits);

    // Distance covered at time t; exactly length() for t >= duration().
    double positionAt(double t) const;
    // Speed at time t; endSpeed() for t >= duration().
    double speedAt(double t) const;
    double duration() const { return m_rampUp + m_cruise + m_rampDown; }
    double length() const { return m_length; }
    double peakSpeed() const { return m_peak; }
    double endSpeed() const { return m_end; }

    // Duration of a ramp between two speeds with the given rate and S-curve time.
    static double rampTime(double v0, double v1, double rate, double srampSeconds);
    // Distance covered by such a ramp.
    static double rampDistance(double v0, double v1, double rate, double srampSeconds);
    // Highest speed from which a ramp down to endSpeed fits into the length (never below
    // endSpeed: keeping the speed takes no room).
    static double reachableSpeed(double endSpeed, double length, double rate, double srampSeconds);

private:
    double rampPosition(double t, double v0, double v1, double duration) const;
    double rampSpeed(double t, double v0, double v1, double duration) const;

    double m_length = 0;
    double m_start = 0;
    double m_peak = 0;
    double m_end = 0;
    double m_rampUp = 0;
    double m_cruise = 0;
    double m_rampDown = 0;
    bool m_shaped = false;
};

} // namespace korvan::motion
